#pragma once
#include <QFrame>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <functional>

#include "ui/timer.h"
#include "window_services/topmost.h"

namespace vcd::info_windows {

// What the About window needs from the system: finding and starting a program, the message box,
// and handing mail and web addresses to the desktop. Each defaults to the real thing.
struct AboutServices {
  // The full path of a program found on PATH, or "" when there is none.
  std::function<QString(const QString& name)> findProgram = &findProgramOnPath;
  // Starts a program on its own, without a shell; false when it could not be started.
  std::function<bool(const QString& program, const QStringList& arguments)> startDetached = &startProgramDetached;
  // A modal message box with an OK button and the program's own title.
  std::function<void(QWidget* parent, const QString& text)> showMessage = &showMessageBox;
  // Hands a mailto: or web address to the desktop's handler for it.
  std::function<bool(const QUrl& url)> openUrl = &openUrlOnDesktop;

  static QString findProgramOnPath(const QString& name);
  static bool startProgramDetached(const QString& program, const QStringList& arguments);
  static void showMessageBox(QWidget* parent, const QString& text);
  static bool openUrlOnDesktop(const QUrl& url);
};

// The About window: product, version, contact links, the terms of passing it on, and a launcher
// for the desktop's system-information program. It sits in the always-on-top band while it is
// loaded, and deletes itself when it is closed.
class frmAbout : public QWidget {
  Q_OBJECT
 public:
  // The system-information programs tried, in this order; the first one found on PATH is started.
  static const QStringList kSysInfoPrograms;
  static const QString kSysInfoUnavailable;  // "System Information Is Unavailable At This Time"

  explicit frmAbout(window_services::TopMostRoutine setTopMost, AboutServices services = {},
                    QWidget* parent = nullptr);

  void Form_Load();
  void Form_Unload();
  void Timer1_Timer();
  void Command1_Click();
  void Command2_Click();
  void StartSysInfo();
  void Label1_Click();
  void Label5_Click();
  void Label9_Click();
  void Label1_MouseMove();
  void Label5_MouseMove();
  void Label9_MouseMove();
  void Form_MouseMove();

  // The control arrays; an index that has no element throws std::out_of_range.
  QLabel& lbAppVersion(int index) const;
  QLabel& lbTemp(int index) const;

  // Which element of lbAppVersion the version line shows next: 0 or 1. It starts at 0 when the
  // program starts and runs on from one opening of the window to the next.
  static int BlinkCounter();

  // --- controls (named as in the window's layout)
  QLabel* lpAppImage = nullptr;
  QLabel* lbAppTitle = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Label7 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label9 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QFrame* Picture1 = nullptr;
  QLabel* lbAInfo = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  ui::Timer* Timer1 = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void createControls();
  void connectHandlers();
  void colourLink(QLabel* link, const QColor& colour);

  window_services::TopMostRoutine setTopMost_;
  AboutServices services_;
  QMap<int, QLabel*> lbAppVersion_;
  QMap<int, QLabel*> lbTemp_;
  QLabel* pressedLink_ = nullptr;
  static int k_;
};

}  // namespace vcd::info_windows
