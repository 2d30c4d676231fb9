// The control's sound settings on the headless engine, measured in what libmpv really outputs:
// the channel choice of the MPEG audio decoder (karaoke), the start volume and mute.
#include "engine/audio_settings.h"
#include "engine/properties_dialog.h"
#include "tests/engine/engine_support.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

using vcd::mpv::AudioChannel;
using vcd::mpv::MpvPlayer;
using namespace vcd::test;

namespace {

TEST(VolumeScale, HundredthsOfADecibelOnLibmpvsCubicScale) {
  // The control's start volume, -2.9 dB.
  EXPECT_NEAR(vcd::mpv::mpvVolumeFromHundredthsDb(-290), 89.47, 0.01);
  // libmpv's gain is (volume/100)^3: the level in dB comes back out for any value on the scale.
  for (int hdb : {-1, -290, -600, -2000, -9999}) {
    const double v = vcd::mpv::mpvVolumeFromHundredthsDb(hdb);
    EXPECT_NEAR(20 * std::log10(std::pow(v / 100, 3)), hdb / 100.0, 1e-9) << hdb;
  }
  EXPECT_EQ(vcd::mpv::mpvVolumeFromHundredthsDb(0), 100.0);
  EXPECT_EQ(vcd::mpv::mpvVolumeFromHundredthsDb(250), 100.0);   // never louder than full level
  EXPECT_EQ(vcd::mpv::mpvVolumeFromHundredthsDb(-10000), 0.0);  // the bottom of the scale is silence
}

class Sound : public ::testing::Test {
 protected:
  // Plays the karaoke test track to its end and returns what reached the speakers.
  Wav play(const char* name) {
    const QString wav = dir.filePath(QString::fromUtf8(name) + ".wav");
    player.setSoundCapture(wav);
    player.setFileName(localMedia("tones.mpg"));
    const int ends = rec.endCount();
    EXPECT_TRUE(waitForEnds(rec, ends + 1)) << name;
    return readFinishedWav(wav);
  }
  // Frequencies of both channels over the middle of the track, well clear of its edges.
  static std::pair<double, double> tones(const Wav& w, double from = 1.0, double to = 5.0) {
    return {toneFrequency(w.left, w.rate, from, to), toneFrequency(w.right, w.rate, from, to)};
  }

  QTemporaryDir dir;
  MpvPlayer player{nullptr, MpvPlayer::Mode::Headless};
  Recorder rec{player};
};

constexpr double kLow = 440, kHigh = 1000, kTolerance = 5;

TEST_F(Sound, ChannelChoiceReachesBothSpeakersAndHoldsForLaterFiles) {
  EXPECT_EQ(player.audioChannel(), AudioChannel::Stereo);
  Wav stereo = play("stereo");
  ASSERT_NEAR(stereo.seconds(), 6.0, 0.3);
  EXPECT_NEAR(tones(stereo).first, kLow, kTolerance);
  EXPECT_NEAR(tones(stereo).second, kHigh, kTolerance);

  player.setAudioChannel(AudioChannel::First);
  Wav first = play("first");
  EXPECT_NEAR(tones(first).first, kLow, kTolerance);
  EXPECT_NEAR(tones(first).second, kLow, kTolerance);

  player.setAudioChannel(AudioChannel::Second);
  Wav second = play("second");
  EXPECT_NEAR(tones(second).first, kHigh, kTolerance);
  EXPECT_NEAR(tones(second).second, kHigh, kTolerance);

  // Nothing said for the next file: it keeps the choice.
  Wav next = play("next");
  EXPECT_EQ(player.audioChannel(), AudioChannel::Second);
  EXPECT_NEAR(tones(next).first, kHigh, kTolerance);
  EXPECT_NEAR(tones(next).second, kHigh, kTolerance);

  player.setAudioChannel(AudioChannel::Stereo);
  Wav back = play("back");
  EXPECT_NEAR(tones(back).first, kLow, kTolerance);
  EXPECT_NEAR(tones(back).second, kHigh, kTolerance);
  // The one channel is played at its own level, neither doubled nor halved.
  EXPECT_NEAR(peakLevel(second.left, second.rate, 1, 5), peakLevel(stereo.right, stereo.rate, 1, 5), 200);
}

TEST_F(Sound, OneChannelChoiceStillPlaysAMonoFile) {
  // A singer's choice left on must not silence the next file that has one channel only.
  player.setAudioChannel(AudioChannel::Second);
  const QString wav = dir.filePath("mono.wav");
  player.setSoundCapture(wav);
  player.setFileName(localMedia("mono.mp3"));
  ASSERT_TRUE(waitForEnds(rec, 1));
  const Wav w = readFinishedWav(wav);
  ASSERT_GT(w.seconds(), 2.5);
  EXPECT_NEAR(toneFrequency(w.left, w.rate, 0.5, 2.5), kLow, kTolerance);
  EXPECT_NEAR(toneFrequency(w.right, w.rate, 0.5, 2.5), kLow, kTolerance);
}

TEST_F(Sound, ChannelChoiceTakesEffectOnTheFileThatPlays) {
  // A track with a picture plays in its own time, so the choice falls in the middle of it.
  const QString wav = dir.filePath("switch.wav");
  player.setSoundCapture(wav);
  player.setFileName(localMedia("karaoke.mpg"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.CurrentPosition() > 1.0; }, 20000));
  player.Pause();
  const double at = player.CurrentPosition();
  ASSERT_LT(at, 4.0) << "the track ran too far to see the change";
  player.setAudioChannel(AudioChannel::First);
  player.togglePause();
  ASSERT_TRUE(waitForEnds(rec, 1));
  const Wav w = readFinishedWav(wav);
  // The same file played on, once: stereo up to the choice, then (past the sound the output
  // had taken in already, under 1.5 s) the first channel on both speakers.
  EXPECT_NEAR(w.seconds(), 8.0, 0.3);
  EXPECT_NEAR(tones(w, 0.1, at).first, kLow, kTolerance);
  EXPECT_NEAR(tones(w, 0.1, at).second, kHigh, kTolerance);
  EXPECT_NEAR(tones(w, at + 2.0, 8.0).first, kLow, kTolerance);
  EXPECT_NEAR(tones(w, at + 2.0, 8.0).second, kLow, kTolerance);
}

TEST_F(Sound, StartsAtMinus2Point9DbNotMutedAndFollowsVolumeAndMute) {
  EXPECT_NEAR(player.volume(), 89.47, 0.01);
  EXPECT_FALSE(player.isMuted());
  const Wav start = play("start");
  player.setVolume(100);
  EXPECT_EQ(player.volume(), 100.0);
  const Wav full = play("full");
  const double db = 20 * std::log10(double(peakLevel(start.left, start.rate, 1, 5)) /
                                    peakLevel(full.left, full.rate, 1, 5));
  EXPECT_NEAR(db, -2.9, 0.2);

  player.setMute(true);
  EXPECT_TRUE(player.isMuted());
  const Wav muted = play("muted");
  EXPECT_NEAR(muted.seconds(), 6.0, 0.3);
  EXPECT_EQ(peakLevel(muted.left, muted.rate, 0, 6), 0);
  EXPECT_EQ(peakLevel(muted.right, muted.rate, 0, 6), 0);
}

// A click on an option button's mark (only the mark and its caption take clicks).
void clickOption(QRadioButton* option) {
  QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
}

// The way the player's help tells a karaoke singer: right click, Properties, Advanced,
// MPEG Audio Decoder, Channel First or Second, OK.
TEST_F(Sound, ContextMenuPropertiesAdvancedChoosesTheChannel) {
  QWidget face;
  std::unique_ptr<QMenu> menu(player.buildContextMenu(&face));
  QStringList entries;
  for (QAction* a : menu->actions())
    if (!a->isSeparator()) entries << a->text();
  EXPECT_EQ(entries, (QStringList{"&Play", "&Stop", "&Full Screen", "&Mute", "P&roperties..."}));
  auto* properties = menu->findChild<QAction*>("properties");
  ASSERT_NE(properties, nullptr);
  properties->trigger();

  vcd::mpv::PropertiesDialog* dialog = player.propertiesDialog();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
  QTabWidget* pages = dialog->pages();
  int advanced = -1;
  for (int i = 0; i < pages->count(); ++i)
    if (pages->tabText(i) == "Advanced") advanced = i;
  ASSERT_GE(advanced, 0);
  pages->setCurrentIndex(advanced);
  const auto found = dialog->decoders()->findItems("MPEG Audio Decoder", Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1);
  EXPECT_FALSE(dialog->showsAudioDecoderSettings());
  dialog->decoders()->setCurrentItem(found.first());
  EXPECT_TRUE(dialog->showsAudioDecoderSettings());
  EXPECT_TRUE(dialog->channelButton(AudioChannel::Stereo)->isChecked());
  ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->channelButton(AudioChannel::First)->isVisible(); }, 5000));
  clickOption(dialog->channelButton(AudioChannel::First));
  EXPECT_EQ(player.audioChannel(), AudioChannel::First);  // at once, before OK
  dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.propertiesDialog() == nullptr; }, 5000));
  EXPECT_EQ(player.audioChannel(), AudioChannel::First);

  const Wav first = play("menu-first");
  EXPECT_NEAR(tones(first).first, kLow, kTolerance);
  EXPECT_NEAR(tones(first).second, kLow, kTolerance);

  // Cancel takes back what was tried in the dialog.
  player.showProperties();
  dialog = player.propertiesDialog();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
  EXPECT_TRUE(dialog->channelButton(AudioChannel::First)->isChecked());
  dialog->pages()->setCurrentIndex(advanced);
  dialog->decoders()->setCurrentRow(0);
  clickOption(dialog->channelButton(AudioChannel::Second));
  EXPECT_EQ(player.audioChannel(), AudioChannel::Second);
  dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
  EXPECT_EQ(player.audioChannel(), AudioChannel::First);
}

TEST(CurrentFrame, TheDecodedPictureAtItsShownSizeHeadless) {
  MpvPlayer player(nullptr, MpvPlayer::Mode::Headless);
  EXPECT_TRUE(player.currentFrame().isNull());  // nothing named
  player.setFileName(localMedia("karaoke.mpg"));
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  player.Pause();
  QImage frame;
  ASSERT_TRUE(QTest::qWaitFor([&] { frame = player.currentFrame(); return !frame.isNull(); }, 10000));
  // 352 x 288 stored, shown at 4:3.
  EXPECT_EQ(frame.size(), QSize(384, 288));
  EXPECT_EQ(frame.format(), QImage::Format_RGB32);
  // rgbtestsrc: red, green and blue stripes from top to bottom, brightest at the right.
  auto near = [](QRgb px, int r, int g, int b) {
    return std::abs(qRed(px) - r) < 40 && std::abs(qGreen(px) - g) < 40 && std::abs(qBlue(px) - b) < 40;
  };
  const QRgb red = frame.pixel(360, 48), green = frame.pixel(360, 144), blue = frame.pixel(360, 240);
  EXPECT_TRUE(near(red, 255, 0, 0)) << std::hex << red;
  EXPECT_TRUE(near(green, 0, 255, 0)) << std::hex << green;
  EXPECT_TRUE(near(blue, 0, 0, 255)) << std::hex << blue;
  EXPECT_EQ(qAlpha(red), 255);
  player.Stop();
  EXPECT_TRUE(player.currentFrame().isNull());
}

}  // namespace
