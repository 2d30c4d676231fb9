#pragma once
#include <QLoggingCategory>

// "vcd.disc": images, folders, sectors. The disc layer's own lines (a record skipped, a sector
// played as a blank); its failures are returned (see result.h) and reported by the drive table.
Q_DECLARE_LOGGING_CATEGORY(lcDisc)
