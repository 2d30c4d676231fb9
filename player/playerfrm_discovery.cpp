// Finding the CD-ROM drives and the Video CD's movie folder.
#include "player/controls/failure.h"
#include "platform/disc_path.h"
#include "player/playerfrm.h"

namespace vcd {
namespace {
const QString kLoading = QStringLiteral("Loading... Please be patient...");
const QString kNoMovies = QStringLiteral("No movies files in the Cd-rom drive.");
const QString kMovieFolder = QStringLiteral("Mpegav");
}  // namespace

std::optional<QStringList> Playerfrm::CDLETTERS() {
  QStringList letters{QString()};
  std::vector<platform::DriveRoot> roots;
  try {
    if (services_.drives) roots = services_.drives->driveRoots();
  } catch (const std::exception&) {
    roots.clear();  // a failed drive query lists no drive
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

void Playerfrm::FindVcdFolder() {
  const std::optional<QStringList> letters = CDLETTERS();
  if (!letters) return;
  appendDriveLetters(*letters);
  List1->setCurrentRow(0);
  const QString chosen = List1->currentItem()->text().toUpper();
  Text2->setText(disc_path::driveFolder(chosen.at(0), kMovieFolder));
  txtCDdrive->setText(chosen);
}

void Playerfrm::TrySecondCdDrive() {
  const std::optional<QStringList> letters = CDLETTERS();
  if (!letters) return;
  appendDriveLetters(*letters);
  List1->setCurrentRow(1);
  const QString chosen = List1->currentItem()->text().toUpper();
  Text2->setText(disc_path::driveFolder(chosen.at(0), kMovieFolder));
  txtCDdrive->setText(chosen);
  Command30_Click();
}

void Playerfrm::Command29_Click() {
  try {
    DisableTrackButtons();
    FindVcdFolder();
    File1->setPath(Text2->text());  // no disc, drive not ready, no Mpegav folder, or no drive at all
    File1->setListIndex(0);          // nothing playable in the folder
    lblDisplay->setText(kLoading);
    Mp3playcmd_Click();
    return;
  } catch (const std::exception&) {
  }
  // Recovery: try the second drive (the same one again on a one-drive machine), then say that
  // nothing was found; the playing caption replaces this once a track really plays.
  controls::skipOnFailure([this] { TrySecondCdDrive(); });
  lblDisplay->setText(kNoMovies);
}

}  // namespace vcd
