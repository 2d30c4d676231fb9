#include "info_windows/frmhelp.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <stdexcept>
#include <string>

// The pictures are compiled into the window library; a window may be the first to need them.
static void initInfoAssets() { Q_INIT_RESOURCE(assets); }

namespace vcd::info_windows {

frmHelp::frmHelp(window_services::TopMostRoutine setTopMost, QWidget* parent)
    : QWidget(parent), setTopMost_(std::move(setTopMost)) {
  initInfoAssets();
  setAttribute(Qt::WA_DeleteOnClose);
  createControls();
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  // No owner: the window opens in the middle of the screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect r(QPoint(), size());
    r.moveCenter(screen->availableGeometry().center());
    move(r.topLeft());
  }
  Form_Load();
}

QLabel& frmHelp::element(int array, int index) const {
  if (index == 1)
    if (QLabel* l = wordMark_.value(array)) return *l;
  throw std::out_of_range("Control array element " + std::to_string(index) + " doesn't exist");
}

// Load: the window goes into the always-on-top band, keeping its position and size.
void frmHelp::Form_Load() {
  if (setTopMost_) setTopMost_(this, true);
}

// Unload: out of the band again before the window goes.
void frmHelp::Form_Unload() {
  if (setTopMost_) setTopMost_(this, false);
}

void frmHelp::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
}

void frmHelp::Command1_Click() { close(); }

}  // namespace vcd::info_windows
