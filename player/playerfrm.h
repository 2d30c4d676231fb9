#pragma once
#include <QCheckBox>
#include <QGroupBox>
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
#include <optional>

#include "player/controls/file_list_box.h"
#include "player/controls/timer.h"
#include "player/media_player.h"
#include "player/modosver.h"
#include "player/rnd.h"
#include "platform/drives.h"
#include "window_services/rgr_resizer.h"

namespace vcd {

// What the main window needs from outside: the media-player control, the drives, the system's
// version query, the command line, and the way the process ends.
struct PlayerfrmServices {
  MediaPlayer* player = nullptr;                 // not owned; its widget() is placed in the window
  platform::DriveManager* drives = nullptr;      // not owned
  modosver::VersionQuery versionQuery = &modosver::queryRunningSystem;
  QString commandLine;                           // the whole argument string after the program name
  std::function<void()> endProgram;              // ends the process at once
};

// The main window. Its controls keep the names of the window's layout; state lives in them.
class Playerfrm : public QWidget {
  Q_OBJECT
 public:
  explicit Playerfrm(PlayerfrmServices services, QWidget* parent = nullptr);
  ~Playerfrm() override;

  // --- start-up and shutdown
  void Form_Load();
  void HideCaptureButton();
  void Exitcmd_Click();
  void Form_QueryUnload();
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
  controls::FileListBox* File1 = nullptr;
  QGroupBox* fmMenu = nullptr;
  QRadioButton* chkOrd = nullptr;
  QRadioButton* optRnd = nullptr;
  QRadioButton* optNone = nullptr;

  window_services::rgrResizer* rgrResizer1 = nullptr;

  controls::Timer* Timer1 = nullptr;
  controls::Timer* Timer2 = nullptr;
  controls::Timer* Timer3 = nullptr;
  controls::Timer* tmrWrong_Format = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void createControls();
  void connectHandlers();
  QStringList listPlaylistFolder(const QString& folder);
  void appendDriveLetters(const QStringList& letters);
  void loadAndStart();
  void randomPick();
  void showVideoArea();

  PlayerfrmServices services_;
  Rnd rnd_;
};

}  // namespace vcd
