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

#include "engine/audio_settings.h"
#include "engine/properties_dialog.h"
#include "tests/engine/recorder.h"

using vcd::mpv::AudioChannel;
using vcd::mpv::MpvPlayer;
using namespace vcd::test;

namespace {

struct Wav {
  int rate = 0;
  QVector<qint16> left, right;
  double seconds() const { return rate > 0 ? double(left.size()) / rate : 0; }
};

// Waits until libmpv has let go of the file (the header then holds the real data length).
Wav readFinishedWav(const QString& path) {
  QByteArray b;
  qsizetype data = -1;
  auto le32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); };
  const bool done = QTest::qWaitFor([&] {
    b = readFile(path);
    data = b.indexOf("data");
    return b.startsWith("RIFF") && data > 0 && qsizetype(le32(data + 4)) == b.size() - data - 8;
  }, 30000);
  Wav w;
  const qsizetype fmt = b.indexOf("fmt ");
  if (!done || fmt < 0 || qFromLittleEndian<quint16>(b.constData() + fmt + 10) != 2) return w;
  w.rate = int(le32(fmt + 12));
  const auto* s = reinterpret_cast<const qint16*>(b.constData() + data + 8);
  for (qsizetype i = 0; i + 1 < (b.size() - data - 8) / 2; i += 2) {
    w.left << qFromLittleEndian(s[i]);
    w.right << qFromLittleEndian(s[i + 1]);
  }
  return w;
}

// The frequency of a pure tone in [from, to) seconds of one channel, from its zero crossings.
double tone(const QVector<qint16>& v, int rate, double from = 1, double to = 5) {
  const qsizetype a = qsizetype(from * rate), z = std::min(v.size(), qsizetype(to * rate));
  int crossings = 0;
  for (qsizetype i = a + 1; i < z; ++i) crossings += (v[i - 1] < 0) != (v[i] < 0);
  return z - a < 2 ? 0 : crossings * 0.5 * rate / double(z - a);
}
int peak(const QVector<qint16>& v, int rate, double from = 1, double to = 5) {
  int p = 0;
  for (qsizetype i = qsizetype(from * rate); i < std::min(v.size(), qsizetype(to * rate)); ++i) p = std::max(p, std::abs(int(v[i])));
  return p;
}

constexpr double kLow = 440, kHigh = 1000, kTolerance = 5;

class Sound : public ::testing::Test {
 protected:
  // Plays a file to its end and returns what reached the speakers.
  Wav play(const char* file = "tones.mpg") {
    const QString wav = dir.filePath(QString::number(rec.endCount()) + ".wav");
    player.setSoundCapture(wav);
    player.setFileName(localMedia(file));
    EXPECT_TRUE(waitForEnds(rec, rec.endCount() + 1)) << file;
    return readFinishedWav(wav);
  }
  void expectTones(const Wav& w, double left, double right, const char* what) {
    EXPECT_NEAR(tone(w.left, w.rate), left, kTolerance) << what;
    EXPECT_NEAR(tone(w.right, w.rate), right, kTolerance) << what;
  }

  QTemporaryDir dir;
  MpvPlayer player{nullptr, MpvPlayer::Mode::Headless};
  Recorder rec{player};
};

TEST_F(Sound, ChannelChoiceReachesBothSpeakersAtItsOwnLevelAndHoldsForLaterFiles) {
  EXPECT_EQ(player.audioChannel(), AudioChannel::Stereo);
  const Wav stereo = play();
  ASSERT_NEAR(stereo.seconds(), 6.0, 0.3);
  expectTones(stereo, kLow, kHigh, "stereo");
  player.setAudioChannel(AudioChannel::First);
  expectTones(play(), kLow, kLow, "first");
  player.setAudioChannel(AudioChannel::Second);
  expectTones(play(), kHigh, kHigh, "second");
  const Wav next = play();  // nothing said for the next file: it keeps the choice
  expectTones(next, kHigh, kHigh, "next file");
  EXPECT_NEAR(peak(next.left, next.rate), peak(stereo.right, stereo.rate), 200);  // neither doubled nor halved
  player.setAudioChannel(AudioChannel::Stereo);
  expectTones(play(), kLow, kHigh, "back to stereo");

  // A singer's choice left on does not silence a file with one channel.
  player.setAudioChannel(AudioChannel::Second);
  const Wav mono = play("mono.mp3");
  ASSERT_GT(mono.seconds(), 2.5);
  EXPECT_NEAR(tone(mono.left, mono.rate, 0.5, 2.5), kLow, kTolerance);
  EXPECT_NEAR(tone(mono.right, mono.rate, 0.5, 2.5), kLow, kTolerance);
}

TEST_F(Sound, ChannelChoiceTakesEffectOnTheFileThatPlays) {
  const QString wav = dir.filePath("switch.wav");
  player.setSoundCapture(wav);
  player.setFileName(localMedia("karaoke.mpg"));  // a picture: it plays in its own time
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.CurrentPosition() > 1.0; }, 30000));
  player.Pause();
  const double at = player.CurrentPosition();
  ASSERT_LT(at, 4.0) << "the track ran too far to see the change";
  player.setAudioChannel(AudioChannel::First);
  player.togglePause();
  ASSERT_TRUE(waitForEnds(rec, 1));
  const Wav w = readFinishedWav(wav);
  // Played on once: stereo up to the choice, then (past what the output had taken in, under
  // 1.5 s) the first channel on both speakers.
  EXPECT_NEAR(w.seconds(), 8.0, 0.3);
  EXPECT_NEAR(tone(w.right, w.rate, 0.1, at), kHigh, kTolerance);
  EXPECT_NEAR(tone(w.left, w.rate, at + 2.0, 8.0), kLow, kTolerance);
  EXPECT_NEAR(tone(w.right, w.rate, at + 2.0, 8.0), kLow, kTolerance);
}

TEST_F(Sound, StartsAtMinus2Point9DbNotMutedAndFollowsVolumeAndMute) {
  EXPECT_FALSE(player.isMuted());
  const Wav start = play();
  player.setVolume(100);
  const Wav full = play();
  EXPECT_NEAR(20 * std::log10(double(peak(start.left, start.rate)) / peak(full.left, full.rate)), -2.9, 0.2);
  player.setMute(true);
  const Wav muted = play();
  EXPECT_NEAR(muted.seconds(), 6.0, 0.3);
  EXPECT_EQ(peak(muted.left, muted.rate, 0, 6) + peak(muted.right, muted.rate, 0, 6), 0);
}

// The way the player's help tells a karaoke singer: right click, Properties, Advanced,
// MPEG Audio Decoder, Channel First or Second, OK. Cancel takes back what was tried.
TEST_F(Sound, PropertiesAdvancedChoosesTheChannelAndCancelTakesItBack) {
  QWidget face;
  std::unique_ptr<QMenu> menu(player.buildContextMenu(&face));
  QStringList entries;
  for (QAction* a : menu->actions())
    if (!a->isSeparator()) entries << a->text();
  EXPECT_EQ(entries, (QStringList{"&Play", "&Stop", "&Full Screen", "&Mute", "P&roperties..."}));
  auto choose = [&](AudioChannel channel, QDialogButtonBox::StandardButton close) {
    vcd::mpv::PropertiesDialog* dialog = player.propertiesDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
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
  menu->findChild<QAction*>("properties")->trigger();
  choose(AudioChannel::First, QDialogButtonBox::Ok);
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.propertiesDialog() == nullptr; }, 10000));
  expectTones(play(), kLow, kLow, "chosen in the dialog");

  player.showProperties();
  EXPECT_TRUE(player.propertiesDialog()->channelButton(AudioChannel::First)->isChecked());
  choose(AudioChannel::Second, QDialogButtonBox::Cancel);
  EXPECT_EQ(player.audioChannel(), AudioChannel::First);
}

TEST(CurrentFrame, TheDecodedPictureAtItsShownSizeHeadless) {
  MpvPlayer player(nullptr, MpvPlayer::Mode::Headless);
  EXPECT_TRUE(player.currentFrame().isNull());  // nothing named
  player.setFileName(localMedia("karaoke.mpg"));
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  player.Pause();
  QImage frame;
  ASSERT_TRUE(QTest::qWaitFor([&] { return !(frame = player.currentFrame()).isNull(); }, 20000));
  EXPECT_EQ(frame.size(), QSize(384, 288));  // 352 x 288 stored, shown at 4:3
  // rgbtestsrc: red, green and blue stripes from top to bottom, brightest at the right.
  const QRgb expected[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
  for (int i = 0; i < 3; ++i) {
    const QRgb px = frame.pixel(360, 48 + 96 * i);
    EXPECT_LT(std::abs(qRed(px) - qRed(expected[i])) + std::abs(qGreen(px) - qGreen(expected[i])) +
                  std::abs(qBlue(px) - qBlue(expected[i])), 100) << std::hex << px;
  }
  player.Stop();
  EXPECT_TRUE(player.currentFrame().isNull());
}

}  // namespace
