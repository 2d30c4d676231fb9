// The control's sound as libmpv really outputs it (captured to a WAV file): the channel choice
// of the MPEG audio decoder for karaoke discs, the start volume and mute; and the decoded picture
// a headless engine hands out.
#include <QDialogButtonBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "engine/audio_settings.h"
#include "engine/properties_dialog.h"
#include "tests/engine/recorder.h"

using vcd::engine::AudioChannel;
using vcd::engine::MpvPlayer;
using namespace vcd::test;

namespace {

// What reached the speakers: 16-bit stereo samples, read once libmpv has let go of the file (the
// header then holds the real data length).
struct Wav {
  int rate = 0;
  QVector<qint16> channel[2];
  double seconds() const { return rate > 0 ? double(channel[0].size()) / rate : 0; }
  // The frequency of a pure tone in [from, to) seconds of a channel, from its zero crossings.
  double tone(int c, double from = 1, double to = 5) const {
    const qsizetype a = qsizetype(from * rate), z = std::min(channel[c].size(), qsizetype(to * rate));
    int crossings = 0;
    for (qsizetype i = a + 1; i < z; ++i) crossings += (channel[c][i - 1] < 0) != (channel[c][i] < 0);
    return z - a < 2 ? 0 : crossings * 0.5 * rate / double(z - a);
  }
  int peak(int c, double from = 1, double to = 5) const {
    int p = 0;
    for (qsizetype i = qsizetype(from * rate); i < std::min(channel[c].size(), qsizetype(to * rate)); ++i)
      p = std::max(p, std::abs(int(channel[c][i])));
    return p;
  }
  explicit Wav(const QString& path) {
    QByteArray b;
    qsizetype data = -1;
    auto le32 = [&](qsizetype at) { return qsizetype(qFromLittleEndian<quint32>(b.constData() + at)); };
    if (!QTest::qWaitFor([&] { return (b = readFile(path)).startsWith("RIFF") && (data = b.indexOf("data")) > 0 &&
                                      le32(data + 4) == b.size() - data - 8; }, 30000))
      return;
    rate = int(le32(b.indexOf("fmt ") + 12));
    const auto* s = reinterpret_cast<const qint16*>(b.constData() + data + 8);
    for (qsizetype i = 0; i < (b.size() - data - 8) / 2; ++i) channel[i % 2] << qFromLittleEndian(s[i]);
  }
};

constexpr double kLow = 440, kHigh = 1000, kTolerance = 5;

class Sound : public ::testing::Test {
 protected:
  // Plays a file to its end and returns what reached the speakers.
  Wav play(const char* file = "tones.mpg") {
    const QString wav = dir.filePath(QString::number(rec.endCount()) + ".wav");
    player.setSoundCapture(wav);
    player.setFileName(localMedia(file));
    EXPECT_TRUE(waitForEnds(rec, rec.endCount() + 1)) << file;
    return Wav(wav);
  }
  static void expectTones(const Wav& w, double left, double right, const char* what) {
    EXPECT_NEAR(w.tone(0), left, kTolerance) << what;
    EXPECT_NEAR(w.tone(1), right, kTolerance) << what;
  }
  QTemporaryDir dir;
  MpvPlayer player{nullptr, MpvPlayer::Mode::Headless};
  Recorder rec{player};
};

TEST_F(Sound, ChannelChoiceReachesBothSpeakersAtItsOwnLevelAndHoldsForLaterFiles) {
  const Wav stereo = play();
  ASSERT_NEAR(stereo.seconds(), 6.0, 0.3);
  expectTones(stereo, kLow, kHigh, "stereo");
  player.setAudioChannel(AudioChannel::First);
  expectTones(play(), kLow, kLow, "first");
  player.setAudioChannel(AudioChannel::Second);
  expectTones(play(), kHigh, kHigh, "second");
  const Wav next = play();  // nothing said for the next file: it keeps the choice
  expectTones(next, kHigh, kHigh, "next file");
  EXPECT_NEAR(next.peak(0), stereo.peak(1), 200);  // neither doubled nor halved
  // A singer's choice left on does not silence a file with one channel.
  const Wav mono = play("mono.mp3");
  EXPECT_NEAR(mono.tone(0, 0.5, 2.5), kLow, kTolerance);
  EXPECT_NEAR(mono.tone(1, 0.5, 2.5), kLow, kTolerance);
  player.setAudioChannel(AudioChannel::Stereo);
  expectTones(play(), kLow, kHigh, "back to stereo");
}

TEST_F(Sound, StartsAtMinus2Point9DbNotMutedAndFollowsVolumeAndMute) {
  EXPECT_FALSE(player.isMuted());
  const Wav start = play();
  player.setVolume(100);
  EXPECT_NEAR(20 * std::log10(double(start.peak(0)) / play().peak(0)), -2.9, 0.2);
  player.setMute(true);
  const Wav muted = play();
  EXPECT_NEAR(muted.seconds(), 6.0, 0.3);
  EXPECT_EQ(muted.peak(0, 0, 6) + muted.peak(1, 0, 6), 0);
}

// The way the player's help tells a karaoke singer: right click, Properties, Advanced,
// MPEG Audio Decoder, Channel First or Second, OK. Cancel takes back what was tried.
TEST_F(Sound, PropertiesAdvancedChoosesTheChannelAndCancelTakesItBack) {
  QWidget face;
  std::unique_ptr<QMenu> menu(player.buildContextMenu(&face));
  QStringList entries;
  for (QAction* a : menu->actions()) entries << a->text();
  entries.removeAll("");
  EXPECT_EQ(entries, (QStringList{"&Play", "&Stop", "&Full Screen", "&Mute", "P&roperties..."}));
  auto choose = [&](AudioChannel channel, QDialogButtonBox::StandardButton close) {
    vcd::engine::PropertiesDialog* dialog = player.propertiesDialog();
    ASSERT_TRUE(dialog && QTest::qWaitForWindowExposed(dialog));
    for (int i = 0; i < dialog->pages()->count(); ++i)
      if (dialog->pages()->tabText(i) == "Advanced") dialog->pages()->setCurrentIndex(i);
    const auto found = dialog->decoders()->findItems("MPEG Audio Decoder", Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    dialog->decoders()->setCurrentItem(found.first());
    QRadioButton* option = dialog->channelButton(channel);
    ASSERT_TRUE(QTest::qWaitFor([&] { return option->isVisible(); }, 10000));
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));  // on its mark
    EXPECT_EQ(player.audioChannel(), channel);  // at once, before OK
    dialog->findChild<QDialogButtonBox*>()->button(close)->click();
  };
  // Chosen while the film is paused, the choice takes effect on the file that plays.
  player.setSoundCapture(dir.filePath("switch.wav"));
  player.setFileName(localMedia("karaoke.mpg"));  // a picture: it plays in its own time
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.CurrentPosition() > 1.0; }, 30000));
  player.Pause();
  const double at = player.CurrentPosition();
  ASSERT_LT(at, 4.0) << "the track ran too far to see the change";
  menu->findChild<QAction*>("properties")->trigger();
  choose(AudioChannel::First, QDialogButtonBox::Ok);
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.propertiesDialog() == nullptr; }, 10000));
  player.togglePause();
  ASSERT_TRUE(waitForEnds(rec, 1));
  // Played on once: stereo up to the choice, then (past the sound the output had taken in,
  // under 1.5 s) the first channel on both speakers.
  const Wav w(dir.filePath("switch.wav"));
  EXPECT_NEAR(w.seconds(), 8.0, 0.3);
  EXPECT_NEAR(w.tone(1, 0.1, at), kHigh, kTolerance);
  EXPECT_NEAR(w.tone(0, at + 2.0, 8.0), kLow, kTolerance);
  EXPECT_NEAR(w.tone(1, at + 2.0, 8.0), kLow, kTolerance);
  player.showProperties();
  choose(AudioChannel::Second, QDialogButtonBox::Cancel);
  EXPECT_EQ(player.audioChannel(), AudioChannel::First);
}

// A listening socket where a sound server would have its own.
struct Socket {
  explicit Socket(const QString& path) : fd(::socket(AF_UNIX, SOCK_STREAM, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << qPrintable(path);
    EXPECT_EQ(::listen(fd, 1), 0);
  }
  ~Socket() { ::close(fd); }
  int fd;
};

TEST(SoundOutputs, PipeWireIsTriedFirstWhereItsSocketIsThereAndNotAtAllElsewhere) {
  const QByteArray withPipeWire = "pipewire,pulse,alsa,jack", without = "pulse,alsa,jack";
  QTemporaryDir runtime, other, system;
  auto environment = [](std::initializer_list<std::pair<const char*, QString>> values) {
    QProcessEnvironment e;
    for (const auto& [name, value] : values) e.insert(QString::fromLatin1(name), value);
    return e;
  };
  // The system's folder stands in for /run/pipewire, where this machine may have a server.
  auto audioOutputs = [&](const QProcessEnvironment& e) { return vcd::engine::audioOutputs(e, system.path()); };
  // No server running, or no runtime folder to look in.
  EXPECT_EQ(audioOutputs(environment({{"XDG_RUNTIME_DIR", runtime.path()}})), without);
  EXPECT_EQ(audioOutputs(QProcessEnvironment()), without);

  const Socket server(runtime.filePath(QStringLiteral("pipewire-0")));
  EXPECT_EQ(audioOutputs(environment({{"XDG_RUNTIME_DIR", runtime.path()}})), withPipeWire);
  EXPECT_EQ(audioOutputs(environment({{"USERPROFILE", runtime.path()}})), withPipeWire);
  // PipeWire's own folder comes before the session's: the client looks there only.
  EXPECT_EQ(audioOutputs(environment({{"PIPEWIRE_RUNTIME_DIR", other.path()}, {"XDG_RUNTIME_DIR", runtime.path()}})), without);
  EXPECT_EQ(audioOutputs(environment({{"PIPEWIRE_RUNTIME_DIR", runtime.path()}, {"XDG_RUNTIME_DIR", other.path()}})), withPipeWire);
  // A remote of another name, in the folder or by its own path.
  EXPECT_EQ(audioOutputs(environment({{"PIPEWIRE_REMOTE", QStringLiteral("pipewire-1")}, {"XDG_RUNTIME_DIR", runtime.path()}})), without);
  const Socket second(other.filePath(QStringLiteral("pipewire-1")));
  EXPECT_EQ(audioOutputs(environment({{"PIPEWIRE_REMOTE", QStringLiteral("pipewire-1")}, {"XDG_RUNTIME_DIR", other.path()}})), withPipeWire);
  EXPECT_EQ(audioOutputs(environment({{"PIPEWIRE_REMOTE", other.filePath(QStringLiteral("pipewire-1"))}})), withPipeWire);
  // A server of the whole system, found with or without a session's folder.
  const Socket systemWide(system.filePath(QStringLiteral("pipewire-0")));
  EXPECT_EQ(audioOutputs(QProcessEnvironment()), withPipeWire);
  EXPECT_EQ(audioOutputs(environment({{"XDG_RUNTIME_DIR", other.path()}})), withPipeWire);
}

}  // namespace
