// Video CDs and Super Video CDs copied to a folder, read through the drive table as the discs
// they were copied from; folders on an optical drive's disc.
#include <gtest/gtest.h>

#include "tests/support/media.h"
#include "tests/support/canaries.h"
#include "tests/support/copied_disc.h"

#include <fcntl.h>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>


using namespace vcd;
using namespace vcd::platform;

using vcd::test::names;

namespace {

struct Copy {
  const char* image;
  test::CopyStyle style;
  const char* folder;   // the tracks' folder, as the window names it
  bool timedBySectors;  // a Video CD track's playing time follows from its length
};
void PrintTo(const Copy& c, std::ostream* os) { *os << c.image << (c.style == test::CopyStyle::Cdxa ? " as CDXA" : ""); }

class CopiedDisc : public ::testing::TestWithParam<Copy> {};

TEST_P(CopiedDisc, ListsAndReadsTheTracksAsTheDiscHasThem) {
  const Copy& c = GetParam();
  QTemporaryDir dir;
  ASSERT_TRUE(test::copyDiscToFolder(test::mediaPath(c.image), dir.path(), c.style));
  auto disc = test::driveWithImage(test::mediaPath(c.image));
  auto copy = test::driveWithImage(QString());
  ASSERT_TRUE(copy->insertFolder(dir.path()));

  const QString folder = QStringLiteral("cdrom://D/") + c.folder;
  const auto listing = copy->listFolder(folder);
  ASSERT_EQ(names(listing), names(disc->listFolder(folder)));
  for (size_t i = 0; i < listing.size(); ++i) {
    const QString path = folder + "/" + listing[i].name.toLower();
    auto fromCopy = copy->openFile(path), fromDisc = disc->openFile(path);
    const QByteArray bytes = test::readToEnd(*fromCopy);
    EXPECT_EQ(bytes.size(), listing[i].size) << path.toStdString();
    EXPECT_EQ(bytes, test::readToEnd(*fromDisc)) << path.toStdString();
    EXPECT_EQ(fromCopy->nominalDuration(), c.timedBySectors ? fromDisc->nominalDuration() : -1.0);
    // A Super Video CD's track is not timed by its sectors, on the disc either.
    EXPECT_EQ(fromDisc->nominalDuration() > 0, QString(c.folder) == "Mpegav") << path.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(VideoCdAndSvcd, CopiedDisc,
                         ::testing::Values(Copy{"pal3.cue", test::CopyStyle::Cdxa, "Mpegav", true},
                                           Copy{"pal3.cue", test::CopyStyle::Stream, "Mpegav", false},
                                           Copy{"svcd3.cue", test::CopyStyle::Cdxa, "mpeg2", false}));

TEST(NamedFolder, TakenOnlyWhenItHoldsACopiedDisc) {
  QTemporaryDir dir;
  ASSERT_TRUE(test::copyDiscToFolder(test::mediaPath("pal3.cue"), dir.filePath("My VCD"), test::CopyStyle::Cdxa));
  ASSERT_TRUE(QDir(dir.path()).mkpath("Holiday/VCD"));
  auto m = test::driveWithImage(QString());
  for (const char* refused : {"Holiday", "My VCD/VCD/INFO.VCD", "missing"}) {
    EXPECT_FALSE(m->insertFolder(dir.filePath(refused))) << refused;
    EXPECT_TRUE(m->driveRoots().empty()) << refused;
  }
  // The copy's track folder, named in place of the copy.
  ASSERT_TRUE(m->insertFolder(dir.filePath("My VCD/MPEGAV")));
  EXPECT_EQ(m->driveRoots().at(0).device, dir.filePath("My VCD"));
  EXPECT_EQ(names(m->listFolder("cdrom://D/")), QStringList({"EXT", "MPEGAV", "VCD"}));
  EXPECT_THROW(m->openFile("cdrom://D/MPEGAV/AVSEQ04.DAT"), DiscError);

  // The tray: the copy leaves the drive, and its open track stops as a disc's does.
  auto track = m->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT");
  m->ejectVirtualDisc();
  EXPECT_THROW(m->listFolder("cdrom://D/MPEGAV"), DiscError);
  char buf[4096];
  EXPECT_EQ(track->read(buf, sizeof buf), -1);
  EXPECT_TRUE(track->discGone());
  m->forgetNamedMedia();
  EXPECT_TRUE(m->driveRoots().empty());
}

// A folder on a drive's disc (where the desktop mounted it) is known by its device number: that
// drive is then read itself, before all others, and no longer the image named before.
TEST(NamedFolder, OnAnOpticalDrivesDiscPutsThatDriveFirst) {
  QTemporaryDir dir;
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(dir.path()).constData(), &st), 0);
  ASSERT_TRUE(QDir(dir.path()).mkpath("MPEGAV"));
  LinuxDriveManager m([&] {
    return std::vector<OpticalDevice>{{"/dev/sr0", 0}, {"/dev/cdrom1", st.st_dev}, {"/dev/sr1", st.st_dev}};
  });
  auto devices = [&] {
    QStringList out;
    for (const auto& r : m.driveRoots()) out << r.device;
    return out;
  };
  ASSERT_TRUE(m.insertImage(test::mediaPath("pal3.cue")));
  ASSERT_TRUE(m.insertFolder(dir.filePath("MPEGAV")));
  EXPECT_EQ(devices(), QStringList({"/dev/sr1", "/dev/sr0"}));
  m.forgetNamedMedia();
  EXPECT_EQ(devices(), QStringList({"/dev/sr0", "/dev/sr1"}));
}


// A folder on an image mounted through a loop device: libcdio lists the loop device as a CD
// drive, which cannot be read as one (no CD-ROM ioctls; a normal user may not even open it). The
// mount's files are read instead.
TEST(NamedFolder, OnADeviceThatIsNoReadableDriveItsFilesAreRead) {
  QTemporaryDir dir;
  ASSERT_TRUE(test::copyDiscToFolder(test::mediaPath("pal3.cue"), dir.filePath("mnt"), test::CopyStyle::Stream));
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(dir.filePath("mnt")).constData(), &st), 0);
  const disc::Result<void> notOptical = LinuxDriveManager::readableOpticalDrive("/dev/null");
  EXPECT_FALSE(notOptical);
  EXPECT_EQ(notOptical.reason(), "not an optical drive");
  const disc::Result<void> missing = LinuxDriveManager::readableOpticalDrive(dir.filePath("no such device"));
  EXPECT_FALSE(missing);
  EXPECT_EQ(missing.reason(), QString::fromLocal8Bit(std::strerror(ENOENT)));
  LinuxDriveManager m([&] { return std::vector<OpticalDevice>{{"/dev/null", st.st_dev}}; },
                      &LinuxDriveManager::readableOpticalDrive);
  ASSERT_TRUE(m.insertFolder(dir.filePath("mnt") + "/"));
  EXPECT_EQ(m.driveRoots().front().device, dir.filePath("mnt"));
  EXPECT_EQ(names(m.listFolder("cdrom://D/MPEGAV")), QStringList({"AVSEQ01.DAT", "AVSEQ02.DAT", "AVSEQ03.DAT"}));
}

// A copied folder of tens of thousands of files is listed by their names: only the first files
// (more than a disc's tracks) are opened to measure their streams, none of the others.
TEST(CopiedFolderListing, ManyEntriesOpenOnlyTheFirstFiles) {
  QTemporaryDir dir;
  ASSERT_TRUE(test::copyDiscToFolder(test::mediaPath("pal3.cue"), dir.path(), test::CopyStyle::Cdxa));
  const QByteArray tracks = QFile::encodeName(dir.filePath("MPEGAV"));
  for (int i = 0; i < 20000; ++i)
    ::close(::open((tracks + "/ZZ" + QByteArray::number(i) + ".DAT").constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
  auto m = test::driveWithImage(QString());
  ASSERT_TRUE(m->insertFolder(dir.path()));
  test::OpenWatch watch(tracks);
  const auto listing = m->listFolder("cdrom://D/MPEGAV");
  const int opened = watch.filesOpened();
  ASSERT_EQ(listing.size(), 20003u);
  EXPECT_EQ(listing[0].name, "AVSEQ01.DAT");
  EXPECT_EQ(listing[0].size, m->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT")->size());
  EXPECT_LE(opened, 128);
}

}  // namespace
