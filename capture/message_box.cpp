#include "capture/message_box.h"

#include <QMessageBox>

namespace vcd {

void ShowMessageBox(MessageIcon icon, const QString& title, const QString& text) {
  QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::Information, title, text,
                  QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace vcd
