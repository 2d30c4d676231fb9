#include "ui/message_box.h"

#include <QMessageBox>

namespace vcd::ui {

std::unique_ptr<QMessageBox> makeMessageBox(MessageIcon icon, const QString& title, const QString& text) {
  auto box = std::make_unique<QMessageBox>(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::Information,
                                           title, QString(), QMessageBox::Ok);
  box->setTextFormat(Qt::PlainText);
  box->setText(text);
  box->setWindowModality(Qt::ApplicationModal);
  return box;
}

void ShowMessageBox(MessageIcon icon, const QString& title, const QString& text) {
  makeMessageBox(icon, title, text)->exec();
}

}  // namespace vcd::ui
