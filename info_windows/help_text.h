#pragma once
#include <QString>
#include <QStringList>

namespace vcd::info_windows::help_text {

// The Quick Help page, line by line: 37 lines, the last one empty.
QStringList Lines();
// The page as the help window's text box holds it: the lines separated by CR LF, so that it ends
// with a line break.
QString Text();

}  // namespace vcd::info_windows::help_text
