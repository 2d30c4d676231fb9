#include "info_windows/frmabout.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <stdexcept>
#include <string>

#include "info_windows/contact.h"
#include "platform/log.h"

// The pictures are compiled into the window library; a window may be the first to need them.
static void initInfoAssets() { Q_INIT_RESOURCE(assets); }

namespace vcd::info_windows {

int frmAbout::k_ = 0;

const QStringList frmAbout::kSysInfoPrograms = {
    QStringLiteral("hardinfo2"),  QStringLiteral("hardinfo"),          QStringLiteral("kinfocenter"),
    QStringLiteral("gnome-system-monitor"), QStringLiteral("xfce4-taskmanager"),
};
const QString frmAbout::kSysInfoUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

QString AboutServices::findProgramOnPath(const QString& name) { return QStandardPaths::findExecutable(name); }

bool AboutServices::startProgramDetached(const QString& program, const QStringList& arguments) {
  return QProcess::startDetached(program, arguments);
}

void AboutServices::showMessageBox(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), QString(), QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.setText(text);
  box.exec();
}

bool AboutServices::openUrlOnDesktop(const QUrl& url) { return QDesktopServices::openUrl(url); }

frmAbout::frmAbout(window_services::TopMostRoutine setTopMost, AboutServices services, QWidget* parent)
    : QWidget(parent), setTopMost_(std::move(setTopMost)), services_(std::move(services)) {
  initInfoAssets();
  setAttribute(Qt::WA_DeleteOnClose);
  createControls();
  connectHandlers();
  // No owner: the window opens in the middle of the screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect r(QPoint(), size());
    r.moveCenter(screen->availableGeometry().center());
    move(r.topLeft());
  }
  Form_Load();
}

void frmAbout::connectHandlers() {
  connect(Timer1, &ui::Timer::Tick, this, [this] { Timer1_Timer(); });
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

QLabel& frmAbout::lbAppVersion(int index) const {
  if (QLabel* l = lbAppVersion_.value(index)) return *l;
  throw std::out_of_range("Control array element " + std::to_string(index) + " doesn't exist");
}

QLabel& frmAbout::lbTemp(int index) const {
  if (QLabel* l = lbTemp_.value(index)) return *l;
  throw std::out_of_range("Control array element " + std::to_string(index) + " doesn't exist");
}

int frmAbout::BlinkCounter() { return k_; }

// Load: the window goes into the always-on-top band, keeping its position and size.
void frmAbout::Form_Load() {
  if (setTopMost_) setTopMost_(this, true);
}

// Unload: out of the band again before the window goes.
void frmAbout::Form_Unload() {
  if (setTopMost_) setTopMost_(this, false);
}

void frmAbout::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
}

// The version line blinks: the text of element k, then the other one, half a second each.
void frmAbout::Timer1_Timer() {
  Label6->setText(lbAppVersion(k_).text());
  k_ = (k_ + 1) % 2;
}

void frmAbout::Command1_Click() { close(); }

void frmAbout::Command2_Click() { StartSysInfo(); }

// Starts the first system-information program found on PATH, as a program of its own. When none
// is found, or the one found cannot be started, the user is told so; the window stays open.
void frmAbout::StartSysInfo() {
  try {
    for (const QString& name : kSysInfoPrograms) {
      const QString path = services_.findProgram ? services_.findProgram(name) : QString();
      if (path.isEmpty()) continue;
      if (services_.startDetached && services_.startDetached(path, {})) return;
      break;
    }
  } catch (const std::exception& e) {
    // Fall through to the message, as for a program that would not start.
    qCDebug(lcWindow, "System Info: looking for a program failed: %s", e.what());
  }
  if (services_.showMessage) services_.showMessage(this, kSysInfoUnavailable);
}

void frmAbout::Label1_Click() {
  if (services_.openUrl) services_.openUrl(QUrl(QStringLiteral("mailto:") + QString::fromLatin1(contact::kEmail)));
}

void frmAbout::Label5_Click() {
  if (services_.openUrl) services_.openUrl(QUrl(QString::fromLatin1(contact::kDownloadUrl)));
}

void frmAbout::Label9_Click() {
  if (services_.openUrl) services_.openUrl(QUrl(QString::fromLatin1(contact::kSupportUrl)));
}

// A link turns dark blue under the pointer and stays so until the pointer crosses the window's
// bare background, which turns all three links black.
void frmAbout::colourLink(QLabel* link, const QColor& colour) {
  QPalette p = link->palette();
  p.setColor(QPalette::WindowText, colour);
  link->setPalette(p);
}

void frmAbout::Label1_MouseMove() { colourLink(Label1, QColor(0x00, 0x00, 0x80)); }
void frmAbout::Label5_MouseMove() { colourLink(Label5, QColor(0x00, 0x00, 0x80)); }
void frmAbout::Label9_MouseMove() { colourLink(Label9, QColor(0x00, 0x00, 0x80)); }

void frmAbout::Form_MouseMove() {
  for (QLabel* link : {Label5, Label1, Label9}) colourLink(link, QColor(0x00, 0x00, 0x00));
}

void frmAbout::mouseMoveEvent(QMouseEvent* event) {
  // Moves over a control never count as moves over the background, even where a control passes
  // them on.
  if (!childAt(event->position().toPoint())) Form_MouseMove();
  event->accept();
}

// The three link labels: a move colours the label, a click (press and release of the left button
// on the same label) opens its address. The label takes the event so that the window behind it
// does not see it as a move over its background.
bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
  QLabel* link = (watched == Label1 || watched == Label5 || watched == Label9) ? static_cast<QLabel*>(watched)
                                                                                : nullptr;
  if (!link) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseMove:
      if (link == Label1) Label1_MouseMove();
      else if (link == Label5) Label5_MouseMove();
      else Label9_MouseMove();
      return true;
    case QEvent::MouseButtonPress:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) pressedLink_ = link;
      return true;
    case QEvent::MouseButtonRelease: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      const bool click = mouse->button() == Qt::LeftButton && pressedLink_ == link &&
                         link->rect().contains(mouse->position().toPoint());
      pressedLink_ = nullptr;
      if (click) {
        if (link == Label1) Label1_Click();
        else if (link == Label5) Label5_Click();
        else Label9_Click();
      }
      return true;
    }
    default:
      return QWidget::eventFilter(watched, event);
  }
}

}  // namespace vcd::info_windows
