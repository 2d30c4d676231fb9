#include "player/playerfrm.h"

#include <QCloseEvent>
#include <QDir>
#include <QApplication>
#include <QGuiApplication>
#include <QFileInfo>

#include "ui/twips.h"

#include "capture/capture_sequence.h"
#include "disc/disc_path.h"
#include "player/playerfrm_accessibility.h"

// The pictures compiled into the program (logo, icon); a static library needs them named once.
static void initAssets() { Q_INIT_RESOURCE(assets); }

namespace vcd::player {

Playerfrm::Playerfrm(PlayerfrmServices services, QWidget* parent)
    : QWidget(parent), player(services.player), services_(std::move(services)) {
  initAssets();
  createControls();
  createCaptureControls();
  connectHandlers();
  makeAccessible(*this);
  setAcceptDrops(true);  // a disc image, a folder or a file dropped anywhere on the window
}

Playerfrm::~Playerfrm() {
  // The engine's face belongs to the engine, which may outlive the window.
  // The capture's covering window, a top-level window of its own, goes with the capture.
  if (player && playerFace == player->widget()) playerFace->setParent(nullptr);
}

void Playerfrm::connectHandlers() {
  connect(Mp3playcmd, &QPushButton::clicked, this, [this] { Mp3playcmd_Click(); });
  connect(Exitcmd, &QPushButton::clicked, this, [this] { Exitcmd_Click(); });
  connect(Command29, &QPushButton::clicked, this, [this] { Command29_Click(); });
  connect(Command30, &QPushButton::clicked, this, [this] { Command30_Click(); });
  connect(tmrWrong_Format, &ui::Timer::Tick, this, [this] { tmrWrong_Format_Timer(); });
  connect(Nexttrackcmd, &QPushButton::clicked, this, [this] { Nexttrackcmd_Click(); });
  connect(Fullscreencmd, &QPushButton::clicked, this, [this] { Fullscreencmd_Click(); });
  connect(opencdromcmd, &QPushButton::clicked, this, [this] { opencdromcmd_Click(); });
  qApp->installEventFilter(this);
  for (int i = 0; i < static_cast<int>(SongcmdArray.size()); ++i)
    connect(SongcmdArray[i], &QPushButton::clicked, this, [this, i] { Songcmd_Click(i); });
  // Setting the check box from code runs its handler too, nested in the caller.
  connect(chkOnTop, &QCheckBox::toggled, this, [this](bool) { chkOnTop_Click(); });
  connect(Command23, &QPushButton::clicked, this, [this] { Command23_Click(); });
  connect(Command24, &QPushButton::clicked, this, [this] { Command24_Click(); });
  connect(player, &MediaPlayer::EndOfStream, this, [this](int result) { player_EndOfStream(result); });
  connect(player, &MediaPlayer::PlayStateChange, this,
          [this](int oldState, int newState) { player_PlayStateChange(oldState, newState); });
  if (services_.mediaWatcher)
    connect(services_.mediaWatcher, &platform::MediaWatcher::mediumArrived, this,
            [this](const QString& device) { MediumArrived(device); });
  connect(Capturecmd, &QPushButton::clicked, this, [this] { Capturecmd_Click(); });
  connect(Timer1, &ui::Timer::Tick, this, [this] { Timer1_Timer(); });
  connect(Timer2, &ui::Timer::Tick, this, [this] { Timer2_Timer(); });
  connect(Timer3, &ui::Timer::Tick, this, [this] { Timer3_Timer(); });
  connect(CmdApply, &QPushButton::clicked, this, [this] { CmdApply_Click(); });
}

QPushButton& Playerfrm::Songcmd(int index) {
  if (index < 0 || index >= static_cast<int>(SongcmdArray.size()))
    throw std::out_of_range("Control array element " + std::to_string(index) + " doesn't exist");
  return *SongcmdArray[index];
}

QString Playerfrm::currentEntryPath() const { return disc::join(File1->Path(), File1->FileName()); }

// The playlist lists a folder on a disc through the disc layer, or a local folder.
QStringList Playerfrm::listPlaylistFolder(const QString& folder) {
  QStringList names;
  if (const auto disc = disc::parsePath(folder)) {
    if (!services_.drives) throw platform::DiscError("No drives");
    for (const platform::FolderEntry& e : services_.drives->listFolder(*disc))
      if (!e.isFolder) names.append(e.name);
    return names;
  }
  const QFileInfo info(folder);
  if (folder.isEmpty() || !info.isDir() || !info.isReadable())
    throw std::runtime_error("Path not found: " + folder.toStdString());
  return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// The border is fixed: the user cannot drag the window to another size. Maximising (and
// restoring) stays possible; on X11 any other size the window manager hands us is put back.
// A Wayland compositor decides a window's size itself (a tiling one gives it its tile, and
// nothing but maximising changes it elsewhere): a buffer of another size would sit in a corner
// of the tile with the compositor's background around it, so the window takes the size it is
// given and the resizer scales its controls as for a maximised window.
void Playerfrm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
  const QSize normal(ui::twipsToPixels(7515), ui::twipsToPixels(5745));
  if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)) && size() != normal &&
      isVisible())
    resize(normal);
}

void Playerfrm::closeEvent(QCloseEvent* event) {
  event->accept();
  Form_QueryUnload();
}

}  // namespace vcd::player
