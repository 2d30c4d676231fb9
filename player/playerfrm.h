#pragma once
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <set>

#include "info_windows/frmabout.h"
#include "info_windows/frmhelp.h"
#include "info_windows/single_window.h"
#include "ui/file_list_box.h"
#include "ui/timer.h"
#include "engine/media_player.h"
#include "player/modosver.h"
#include "player/rnd.h"
#include "ui/message_box.h"
#include "platform/cd_tray.h"
#include "platform/drives.h"
#include "platform/media_watcher.h"
#include "disc/disc_set.h"
#include "platform/mpris.h"
#include "platform/screen_saver.h"
#include "window_services/topmost.h"
#include "platform/screen_grab.h"
#include "window_services/rgr_resizer.h"

namespace vcd::capture {
class Capturefrm;
class CaptureSequence;
}  // namespace vcd::capture

namespace vcd::player {

class PlayerfrmMpris;

// What the main window needs from outside: the media-player control, the drives, the system's
// version query, the command line, and the way the process ends.
struct PlayerfrmServices {
  MediaPlayer* player = nullptr;                 // not owned; its widget() is placed in the window
  platform::DriveManager* drives = nullptr;      // not owned
  modosver::VersionQuery versionQuery = &modosver::queryRunningSystem;
  QString commandLine;                           // the whole argument string after the program name
  std::function<void()> endProgram;              // ends the process at once
  platform::CdTray* tray = nullptr;              // the default CD drive's tray; not owned
  // The screenshot: modal message boxes, and the whole screen as it looks (null: unreadable).
  ui::MessageBoxService messageBox = &ui::ShowMessageBox;
  std::function<QImage()> grabScreen = &platform::GrabWholeScreen;
  // The control's own space-bar action (pause, resume, or start the named file again); without
  // it the desktop's play/pause falls back on Pause and Play.
  std::function<void()> togglePause;
  // Puts a dropped path into the drives as the command line's is at start-up, after taking out
  // what the last one put in (see command_line::takeNamedPath). True when the drives took it;
  // false when it is a file for the media player. Without it every path is such a file.
  std::function<bool(const QString& path)> takeIntoDrives;
  // Whether the playing file shows a picture (a sound-only file lets the screen saver run);
  // without it every playing file counts as a picture.
  std::function<bool()> showsPicture;
  // Tells the window of discs that appear while it runs; not owned. The window starts it once
  // loaded and lets it poll only while nothing plays.
  platform::MediaWatcher* mediaWatcher = nullptr;
};

// The main window. Its controls keep the names of the window's layout; state lives in them.
class Playerfrm : public QWidget {
  Q_OBJECT
  friend class PlayerfrmMpris;

 public:
  explicit Playerfrm(PlayerfrmServices services, QWidget* parent = nullptr);
  ~Playerfrm() override;

  // --- start-up and shutdown
  void Form_Load();
  void HideCaptureButton();
  void Exitcmd_Click();
  void Form_QueryUnload();
  // A disc image, a folder or a file dropped on the window: handled as the same path named on
  // the command line is at start-up, and the disc search runs again.
  void PlayDroppedPath(const QString& path);
  // The switch-off step that Exit, full screen, the screenshot, About, Help and Alt run first:
  // an "On Top" check is cleared (which runs its handler).
  void SwitchOffOnTop();

  // --- media discovery
  // The letters of all CD-ROM drives in the platform's order, or nullopt (Null) when there is none.
  std::optional<QStringList> CDLETTERS();
  void FindVcdFolder();
  void TrySecondCdDrive();
  void Command29_Click();

  // --- playlist, play order and the shared button routines
  void Mp3playcmd_Click();
  void Command30_Click();
  void DisableTrackButtons();
  void EnableTrackButtons();
  void BeginTrackLoad();
  void FocusPlayer();
  void tmrWrong_Format_Timer();

  // --- track navigation
  void Nexttrackcmd_Click();
  void Songcmd_Click(int Index);
  void player_EndOfStream(int result);

  // --- play state and track display
  void player_PlayStateChange(int oldState, int newState);

  // --- discs that appear while the player runs, and sets of discs (playerfrm_media.cpp)
  // A disc appeared in a drive: when nothing plays it is searched and plays, as after Close.
  void MediumArrived(const QString& device);
  // The set the disc that plays belongs to (nullopt: a disc of its own, or none read).
  const std::optional<disc::DiscSetInfo>& discSet() const { return discSet_; }
  // The disc of the set whose end was reached, while the next one is asked for.
  const std::optional<disc::DiscSetInfo>& awaitedAfter() const { return awaited_; }
  // "Insert disc 2 of 3"
  static QString insertDiscText(const disc::DiscSetInfo& ended);

  // --- full screen, the tray and the key handler
  void Fullscreencmd_Click();
  void opencdromcmd_Click();
  // Shift: 1 = Shift, 2 = Ctrl, 4 = Alt.
  static constexpr int kShiftMask = 1, kCtrlMask = 2, kAltMask = 4;
  void Form_KeyDown(int KeyCode, int Shift);

  // --- always-on-top stacking and the information windows
  void chkOnTop_Click();
  // What the user is told when "On Top" is checked where the desktop keeps no window on top.
  static const QString kNoOnTopHere;
  void Command23_Click();  // "About"
  void Command24_Click();  // "&Help"
  // The stacking routine for this window and the information windows (tests put a recorder
  // here), what the About window needs from the system, and the one open window of each kind.
  window_services::TopMostRoutine setTopMost = &window_services::SetTopMost;
  info_windows::AboutServices aboutServices;
  info_windows::SingleWindow<info_windows::frmAbout> aboutWindow;
  info_windows::SingleWindow<info_windows::frmHelp> helpWindow;
  // --- end of stacking and information windows

  // --- the desktop: screen saver and media keys (playerfrm_desktop.cpp)
  // Holds the screen saver while a picture plays and answers MPRIS 2 on `bus` (the session bus).
  void joinDesktop(QDBusConnection bus);
  platform::ScreenSaverInhibition* screenSaver() const { return screenSaver_.get(); }
  platform::MprisService* mpris() const { return mpris_.get(); }

  // The control array of track buttons; throws std::out_of_range for an index outside 0..17.
  QPushButton& Songcmd(int index);
  // The full path of the playlist's current entry: folder, separator, file name.
  QString currentEntryPath() const;

  // --- controls (named as in the window's layout)
  MediaPlayer* player;
  QWidget* playerFace = nullptr;  // the control's widget, or a placeholder for a headless engine
  QLabel* DVD = nullptr;
  QLabel* PicLogo = nullptr;
  QLabel* lblDisplay = nullptr;
  QGroupBox* Frame1 = nullptr;
  QPushButton* Mp3playcmd = nullptr;
  QPushButton* Nexttrackcmd = nullptr;
  QPushButton* Fullscreencmd = nullptr;
  QPushButton* Capturecmd = nullptr;
  QCheckBox* chkOnTop = nullptr;
  QPushButton* Exitcmd = nullptr;
  std::array<QPushButton*, 18> SongcmdArray{};
  QPushButton* Command24 = nullptr;
  QPushButton* Command23 = nullptr;
  QLabel* lblTrack_Display = nullptr;

  QPushButton* opencdromcmd = nullptr;
  QLineEdit* Text2 = nullptr;
  QLineEdit* txtCDdrive = nullptr;
  QListWidget* List1 = nullptr;
  QLabel* Picture1 = nullptr;
  QLabel* picMain = nullptr;
  QPushButton* CmdApply = nullptr;
  QLabel* OsVersion = nullptr;
  QPushButton* Command29 = nullptr;
  QPushButton* Command30 = nullptr;
  QLineEdit* TxtCopyright = nullptr;
  ui::FileListBox* File1 = nullptr;
  QGroupBox* fmMenu = nullptr;
  QRadioButton* chkOrd = nullptr;
  QRadioButton* optRnd = nullptr;
  QRadioButton* optNone = nullptr;

  window_services::rgrResizer* rgrResizer1 = nullptr;

  ui::Timer* Timer1 = nullptr;
  ui::Timer* Timer2 = nullptr;
  ui::Timer* Timer3 = nullptr;
  ui::Timer* tmrWrong_Format = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void createControls();
  void connectHandlers();
  QStringList listPlaylistFolder(const QString& folder);
  QString movieFolderOn(QChar letter);
  void setPlaylistFolder(const QString& folder);
  void playNamedFile(const QString& file);
  void appendDriveLetters(const QStringList& letters);
  void loadAndStart();
  bool startFromText2Folder();
  bool searchDrives(int entry);
  void randomPick();
  void showVideoArea();
  void scheduleDesktopUpdate();
  void updateDesktop();
  void leaveDesktop();
  void readDiscSet(const QString& folder);
  bool nextDiscOfSet() const;
  void askForNextDisc();
  void watchDrives();

  PlayerfrmServices services_;
  std::unique_ptr<platform::MprisControls> mprisControls_;
  std::unique_ptr<platform::ScreenSaverInhibition> screenSaver_;
  std::unique_ptr<platform::MprisService> mpris_;
  bool desktopUpdateDue_ = false;
  Rnd rnd_;
  std::optional<disc::DiscSetInfo> discSet_;
  QChar discSetDrive_;  // the drive it was read from
  std::optional<disc::DiscSetInfo> awaited_;

  // ===== the screenshot (playerfrm_capture.cpp): the handlers run the capture sequence =====
 public:
  void Capturecmd_Click();
  void Timer1_Timer();
  void Timer2_Timer();
  void Timer3_Timer();
  void CmdApply_Click();
  // The capture's covering window while it is loaded (shown or not), else nullptr.
  capture::Capturefrm* capturefrm() const;

  QLineEdit* txtcopyrname = nullptr;  // full path of the screenshot file

 private:
  void createCaptureControls();
  std::unique_ptr<capture::CaptureSequence> capture_;
};

}  // namespace vcd::player
