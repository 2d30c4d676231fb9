#pragma once
#include <QString>
#include <functional>
#include <memory>

class QMessageBox;

namespace vcd::ui {

enum class MessageIcon { Information, Warning };

// A modal message box with an OK button; returns once the user has closed it. Windows take it as
// a service so that tests can stand in for it.
using MessageBoxService = std::function<void(MessageIcon icon, const QString& title, const QString& text)>;

// The real one: a QMessageBox, modal for the whole program.
void ShowMessageBox(MessageIcon icon, const QString& title, const QString& text);
// The box it shows. Its text is plain: a file name or an error message is never taken for markup.
std::unique_ptr<QMessageBox> makeMessageBox(MessageIcon icon, const QString& title, const QString& text);

}  // namespace vcd::ui
