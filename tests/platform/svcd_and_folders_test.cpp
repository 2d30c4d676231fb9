// Super Video CDs, and Video CDs copied to a folder, read through the drive table as discs.
#include "tests/platform/disc_fixtures.h"
#include "tests/support/copied_disc.h"

#include <sys/stat.h>

#include <QTemporaryDir>

using namespace vcd;
using namespace vcd::platform;

namespace {

enum class Form { Image, CopiedStream, CopiedCdxa };

struct DiscCase {
  const char* image;
  Form form;
  const char* folder;   // the tracks' folder, as the window names it
  QStringList tracks;
  bool timedBySectors;  // a Video CD track's playing time follows from its length
};

QStringList names(const std::vector<FolderEntry>& entries) {
  QStringList out;
  for (const auto& e : entries) out << e.name;
  return out;
}

class DiscsBeyondTheImage : public ::testing::TestWithParam<DiscCase> {};

TEST_P(DiscsBeyondTheImage, ListAndReadTheTracksAsTheDiscHasThem) {
  const DiscCase& c = GetParam();
  auto original = test::driveWithImage(test::mediaPath(c.image));
  QTemporaryDir copy;
  std::unique_ptr<LinuxDriveManager> m;
  if (c.form == Form::Image) {
    m = test::driveWithImage(test::mediaPath(c.image));
  } else {
    const auto style = c.form == Form::CopiedCdxa ? test::CopyStyle::Cdxa : test::CopyStyle::Stream;
    ASSERT_TRUE(test::copyDiscToFolder(test::mediaPath(c.image), copy.path(), style));
    m = test::driveWithImage(QString());
    ASSERT_TRUE(m->insertFolder(copy.path()));
    EXPECT_TRUE(m->isVirtualDrive('D'));
  }

  const QString folder = QStringLiteral("cdrom://D/") + c.folder;
  const auto listing = m->listFolder(folder);
  EXPECT_EQ(names(listing), c.tracks);
  for (int i = 0; i < c.tracks.size(); ++i) {
    const QString path = folder + "/" + c.tracks[i];
    auto track = m->openFile(path);
    auto fromImage = original->openFile(path);
    const QByteArray bytes = test::readToEnd(*track);
    EXPECT_EQ(bytes.size(), listing[i].size) << path.toStdString();
    EXPECT_TRUE(bytes.contains(QByteArray::fromHex("000001ba"))) << "an MPEG program stream: " << path.toStdString();
    EXPECT_EQ(bytes, test::readToEnd(*fromImage)) << path.toStdString();
    if (c.timedBySectors) {
      EXPECT_DOUBLE_EQ(track->nominalDuration(), fromImage->nominalDuration()) << path.toStdString();
      EXPECT_GT(track->nominalDuration(), 0);
    } else {
      EXPECT_LT(track->nominalDuration(), 0) << path.toStdString();
    }
  }
}

std::string caseName(const DiscCase& c) {
  static const char* const forms[] = {"image", "copied_stream", "copied_cdxa"};
  return QString(c.image).section('.', 0, 0).toStdString() + "_" + forms[static_cast<int>(c.form)];
}

void PrintTo(const DiscCase& c, std::ostream* os) { *os << caseName(c); }

const QStringList kVcdTracks{"AVSEQ01.DAT", "AVSEQ02.DAT", "AVSEQ03.DAT"};
const QStringList kSvcdTracks{"AVSEQ01.MPG", "AVSEQ02.MPG", "AVSEQ03.MPG"};

INSTANTIATE_TEST_SUITE_P(
    SvcdAndCopies, DiscsBeyondTheImage,
    ::testing::Values(DiscCase{"svcd3.cue", Form::Image, "mpeg2", kSvcdTracks, false},
                      DiscCase{"svcd2n.cue", Form::Image, "MPEG2", kSvcdTracks.mid(0, 2), false},
                      DiscCase{"pal3.cue", Form::CopiedCdxa, "Mpegav", kVcdTracks, true},
                      DiscCase{"pal3.cue", Form::CopiedStream, "Mpegav", kVcdTracks, false},
                      DiscCase{"svcd3.cue", Form::CopiedCdxa, "MPEG2", kSvcdTracks, false}),
    [](const auto& info) { return caseName(info.param); });

std::vector<QString> devices(LinuxDriveManager& m) {
  std::vector<QString> out;
  for (const auto& r : m.driveRoots()) out.push_back(r.device);
  return out;
}

TEST(NamedFolder, TakenAsACopiedDiscOnlyWhenItHoldsOne) {
  QTemporaryDir dir;
  ASSERT_TRUE(test::copyDiscToFolder(test::mediaPath("pal3.cue"), dir.filePath("My VCD"), test::CopyStyle::Cdxa));
  ASSERT_TRUE(QDir(dir.path()).mkpath("Holiday/clips"));
  QFile(dir.filePath("clip.mpg")).open(QIODevice::WriteOnly);
  auto m = test::driveWithImage(QString());

  for (const QString& refused : {dir.filePath("Holiday"), dir.filePath("clip.mpg"), dir.filePath("missing")}) {
    EXPECT_FALSE(m->insertFolder(refused)) << refused.toStdString();
    EXPECT_TRUE(m->driveRoots().empty()) << refused.toStdString();
  }
  // The copy's track folder named in place of the copy.
  ASSERT_TRUE(m->insertFolder(dir.filePath("My VCD/MPEGAV")));
  EXPECT_EQ(devices(*m), std::vector<QString>{dir.filePath("My VCD")});
  EXPECT_EQ(names(m->listFolder("cdrom://D/")), QStringList({"EXT", "MPEGAV", "VCD"}));
  EXPECT_EQ(names(m->listFolder("cdrom://D/vcd")), names(test::driveWithImage(test::mediaPath("pal3.cue"))->listFolder("cdrom://D/VCD")));
  EXPECT_THROW(m->listFolder("cdrom://D/SEGMENT"), DiscError);
  EXPECT_THROW(m->openFile("cdrom://D/MPEGAV/AVSEQ04.DAT"), DiscError);
  EXPECT_THROW(m->openFile("cdrom://D/MPEGAV"), DiscError);

  // The tray: the copy leaves the drive, its open track stops as a disc's does, and comes back.
  auto track = m->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT");
  m->ejectVirtualDisc();
  EXPECT_THROW(m->listFolder("cdrom://D/MPEGAV"), DiscError);
  char buf[4096];
  EXPECT_EQ(track->read(buf, sizeof buf), -1);
  EXPECT_TRUE(track->discGone());
  m->closeVirtualDisc();
  EXPECT_EQ(m->listFolder("cdrom://D/MPEGAV").size(), 3u);

  m->forgetNamedMedia();
  EXPECT_TRUE(m->driveRoots().empty());
  EXPECT_THROW(m->listFolder("cdrom://D/MPEGAV"), DiscError);
}

// A folder on a drive's disc (where the desktop mounted it) is found by its device number: the
// drive itself is then read, first of all drives, instead of the files.
TEST(NamedFolder, OnAnOpticalDrivesDiscPutsThatDriveFirst) {
  QTemporaryDir dir;
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(dir.path()).constData(), &st), 0);
  ASSERT_NE(st.st_dev, 0u);
  ASSERT_TRUE(QDir(dir.path()).mkpath("MPEGAV"));  // a mounted Video CD, as the file system shows it
  LinuxDriveManager m([&] {
    return std::vector<OpticalDevice>{{"/dev/sr0", 0}, {"/dev/cdrom1", st.st_dev}, {"/dev/sr1", st.st_dev}};
  });
  EXPECT_EQ(devices(m), (std::vector<QString>{"/dev/sr0", "/dev/sr1"}));
  ASSERT_TRUE(m.insertImage(test::mediaPath("pal3.cue")));

  ASSERT_TRUE(m.insertFolder(dir.filePath("MPEGAV")));
  EXPECT_EQ(devices(m), (std::vector<QString>{"/dev/sr1", "/dev/sr0"}));
  EXPECT_FALSE(m.isVirtualDrive('D'));  // the image went out

  m.forgetNamedMedia();
  EXPECT_EQ(devices(m), (std::vector<QString>{"/dev/sr0", "/dev/sr1"}));
}

}  // namespace
