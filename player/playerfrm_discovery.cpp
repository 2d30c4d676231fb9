// Finding the CD-ROM drives and the Video CD's movie folder.
#include "ui/failure.h"
#include "disc/disc_path.h"
#include "player/command_line.h"
#include "player/playerfrm.h"
#include "platform/log.h"

namespace vcd::player {
namespace {
const QString kLoading = QStringLiteral("Loading... Please be patient...");
const QString kNoMovies = QStringLiteral("No movies files in the Cd-rom drive.");
const QString kMovieFolder = QStringLiteral("Mpegav");
// A Super Video CD's tracks, played only from a disc that has no Video CD folder.
const QString kSvcdFolder = QStringLiteral("MPEG2");

// The drive letter in the list's current row. A row that does not exist (the list holds one
// letter where the second is asked for, when a drive appeared between two searches) is a
// failure, as for any missing list entry.
QString chosenLetter(const QListWidget& list) {
  const QListWidgetItem* item = list.currentItem();
  if (item == nullptr || item->text().isEmpty()) throw std::out_of_range("Invalid list row");
  return item->text().toUpper();
}
}  // namespace

std::optional<QStringList> Playerfrm::CDLETTERS() {
  QStringList letters{QString()};
  std::vector<platform::DriveRoot> roots;
  try {
    if (services_.drives) roots = services_.drives->driveRoots();
  } catch (const std::exception& e) {
    qCDebug(lcWindow, "the drive query failed, so no drive is listed: %s", e.what());
    roots.clear();
  }
  for (const platform::DriveRoot& root : roots) {
    if (root.type != platform::DriveType::CdRom) continue;
    if (!letters.first().isEmpty()) letters.append(QString());
    letters.last() = QString(root.letter);
  }
  if (letters.first().isEmpty()) return std::nullopt;
  return letters;
}

void Playerfrm::appendDriveLetters(const QStringList& letters) {
  for (const QString& letter : letters) List1->addItem(letter);
}

// One search: the CD-ROM drives' letters are appended to List1, entry `entry` of the list is
// selected, and Text2 and txtCDdrive name that drive's movie folder. False when there is no
// CD-ROM drive (nothing is changed then).
bool Playerfrm::searchDrives(int entry) {
  const std::optional<QStringList> letters = CDLETTERS();
  if (!letters) return false;
  appendDriveLetters(*letters);
  List1->setCurrentRow(entry);
  const QString chosen = chosenLetter(*List1);
  Text2->setText(disc::driveFolder(chosen.at(0), movieFolderOn(chosen.at(0))));
  txtCDdrive->setText(chosen);
  return true;
}

// The disc's movie folder: a Video CD's Mpegav, or, on a disc that has none, a Super Video CD's
// MPEG2. A disc whose root cannot be read (no disc, not ready) keeps Mpegav: listing it then
// fails as it always has, with the reason.
QString Playerfrm::movieFolderOn(QChar letter) {
  if (!services_.drives) return kMovieFolder;
  bool svcd = false;
  try {
    for (const platform::FolderEntry& e : services_.drives->listFolder(disc::DiscPath{letter.toUpper(), QStringLiteral("/")})) {
      if (!e.isFolder) continue;
      if (e.name.compare(kMovieFolder, Qt::CaseInsensitive) == 0) return kMovieFolder;
      if (e.name.compare(kSvcdFolder, Qt::CaseInsensitive) == 0) svcd = true;
    }
  } catch (const std::exception& e) {
    qCDebug(lcWindow) << "The root of drive" << letter << "cannot be listed:" << e.what();
  }
  return svcd ? kSvcdFolder : kMovieFolder;
}

// The playlist's folder, with the pattern of the tracks it holds: a Super Video CD's MPEG-2
// files, or a Video CD's tracks and MP3 files.
void Playerfrm::setPlaylistFolder(const QString& folder) {
  File1->setPath(folder);  // throws: the playlist keeps its folder, entries and pattern
  const bool svcd = folder.section(u'/', -1).compare(kSvcdFolder, Qt::CaseInsensitive) == 0;
  const QString pattern = svcd ? QStringLiteral("*.mpg") : QStringLiteral("*.mp3;*.dat");
  if (File1->Pattern() != pattern) File1->setPattern(pattern);
}

void Playerfrm::FindVcdFolder() { searchDrives(0); }

void Playerfrm::TrySecondCdDrive() {
  // Entry 1 is the second CD-ROM drive, or the only one again.
  if (searchDrives(1)) Command30_Click();
}

void Playerfrm::Command29_Click() {
  QString reason;
  try {
    DisableTrackButtons();
    FindVcdFolder();
    setPlaylistFolder(Text2->text());  // no disc, drive not ready, no Mpegav folder, or no drive at all
    File1->setListIndex(0);          // nothing playable in the folder
    lblDisplay->setText(kLoading);
    Mp3playcmd_Click();
    return;
  } catch (const std::exception& e) {
    reason = CDLETTERS() ? platform::withDriveSource(Text2->text()) + QStringLiteral(": ") + QString::fromUtf8(e.what())
                         : QStringLiteral("there is no CD-ROM drive (and no disc image)");
  }
  // Recovery: try the second drive (the same one again on a one-drive machine), then say that
  // nothing was found; the playing caption replaces this once a track really plays.
  ui::skipOnFailure("Start: try the second drive", [this] { TrySecondCdDrive(); });
  lblDisplay->setText(kNoMovies);
  // Worth a line when it is the disc the user wanted; with a file named on the command line,
  // playing that file is the expected outcome.
  if (command_line::fileToPlay(services_.commandLine).isEmpty())
    qCWarning(lcWindow).noquote() << "No playable Video CD found:" << reason;
  else
    qCDebug(lcWindow).noquote() << "No playable Video CD found:" << reason << "(the command-line file plays)";
}

}  // namespace vcd::player
