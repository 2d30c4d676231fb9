// Discs that appear while the player runs, and films that go on over several discs.
#include "disc/disc_path.h"
#include "platform/log.h"
#include "player/playerfrm.h"
#include "ui/failure.h"

namespace vcd::player {

namespace {
constexpr int kInfoRecordBytes = 2048;  // one sector holds the whole record
}  // namespace

QString Playerfrm::insertDiscText(const disc::DiscSetInfo& ended) {
  return QStringLiteral("Insert disc %1 of %2").arg(ended.volumeNumber + 1).arg(ended.volumeCount);
}

void Playerfrm::MediumArrived(const QString& device) {
  const int state = player->PlayState();
  if (state == kPlaying || state == kPaused || state == kWaiting) {
    qCDebug(lcWindow).noquote() << "A disc arrived in" << device << "while a track plays: it waits";
    return;
  }
  qCDebug(lcWindow).noquote() << "A disc arrived in" << device << ": the drives are searched";
  // The tray is shut again, whoever shut it: the next click opens it.
  if (opencdromcmd->text() == QLatin1String("&Close")) opencdromcmd->setText(QStringLiteral("&Eject"));
  Command29_Click();
  FocusPlayer();
}

// The set the disc in the folder's drive belongs to, from its info record (a Video CD's, else a
// Super Video CD's). A disc without one, or with one that cannot be read, belongs to none.
void Playerfrm::readDiscSet(const QString& folder) {
  discSet_.reset();
  const auto path = disc::parsePath(folder);
  if (!path || !services_.drives) return;
  discSetDrive_ = path->letter;
  for (const char16_t* file : {disc::kVideoCdInfoFile, disc::kSvcdInfoFile}) {
    QString why;
    try {
      const auto stream = services_.drives->openFile(disc::DiscPath{path->letter, QString::fromUtf16(file)});
      QByteArray bytes(kInfoRecordBytes, '\0');
      const int64_t n = stream->read(bytes.data(), bytes.size());
      bytes.truncate(static_cast<int>(std::max<int64_t>(n, 0)));
      const auto info = disc::parseDiscSetInfo(bytes);
      if (info) {
        discSet_ = *info;
        return;
      }
      why = info.reason();
    } catch (const std::exception& e) {
      why = QString::fromUtf8(e.what());
    }
    qCDebug(lcWindow).noquote() << "No disc set read from" << QString::fromUtf16(file) << "on" << folder + ":" << why;
  }
}

bool Playerfrm::nextDiscOfSet() const { return awaited_ && discSet_ && awaited_->isFollowedBy(*discSet_); }

// The last track of a disc of a set has ended, and more discs follow: the disc comes out where
// the player's tray button would take it out, and the next one is asked for.
void Playerfrm::askForNextDisc() {
  const auto playing = disc::parsePath(currentEntryPath());
  if (!discSet_ || !discSet_->continues() || !playing || playing->letter != discSetDrive_) return;
  awaited_ = discSet_;
  const std::optional<QStringList> letters = CDLETTERS();
  if (letters && letters->first() == QString(discSetDrive_) && opencdromcmd->text() == QLatin1String("&Eject"))
    opencdromcmd_Click();
  lblDisplay->setText(insertDiscText(*awaited_));
}

// The drives are polled only while nothing plays.
void Playerfrm::watchDrives() {
  if (!services_.mediaWatcher) return;
  const int state = player->PlayState();
  services_.mediaWatcher->setIdle(state != kPlaying && state != kPaused && state != kWaiting);
}

}  // namespace vcd::player
