#include "capture/capture_sequence.h"

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include "capture/bmp_file.h"
#include "capture/capturefrm.h"
#include "capture/stamp.h"
#include "engine/media_player.h"
#include "platform/desktop_folder.h"
#include "platform/log.h"
#include "platform/screen_grab.h"
#include "ui/failure.h"
#include "ui/timer.h"
#include "ui/twips.h"

namespace vcd::capture {
namespace {

using ui::skipOnFailure;

const QString kProgramTitle = QStringLiteral("Voren VCD Player Lite");
const QString kFileName = QStringLiteral("ScreenShot.bmp");
constexpr int kHoldMs = 500;  // step 1 holds the covered screen this long before the click

}  // namespace

CaptureSequence::CaptureSequence(CaptureControls controls)
    : c_(std::move(controls)), caption_(c_.TxtCopyright->text()) {
  hold_.setSingleShot(true);
  QObject::connect(&hold_, &QTimer::timeout, [this] { held(); });
}

CaptureSequence::~CaptureSequence() { delete capturefrm_.data(); }

Capturefrm* CaptureSequence::cover() const { return capturefrm_.data(); }

void CaptureSequence::showCover() {
  if (!capturefrm_ || capturefrm_->isUnloaded()) capturefrm_ = new Capturefrm;
  capturefrm_->ShowCovering();
}

void CaptureSequence::start() {
  skipOnFailure("Capture: On Top off", [&] { c_.switchOffOnTop(); });
  skipOnFailure("Capture: pause", [&] { c_.player->Pause(); });
  skipOnFailure("Capture: full screen", [&] { c_.player->setDisplaySize(kDisplayFullScreen); });
  skipOnFailure("Capture: show the covering window", [&] { showCover(); });
  skipOnFailure("Capture: bring the covering window forward", [&] {
    if (!capturefrm_) return;
    capturefrm_->raise();
    capturefrm_->activateWindow();
  });
  // Step 1 is due (again); a pending hold or step 2 is cancelled, a pending step 3 still runs.
  skipOnFailure("Capture: schedule step 1", [&] {
    hold_.stop();
    c_.Timer1->setEnabled(true);
    c_.Timer2->setEnabled(false);
  });
  c_.focusPlayer();
}

// The covered screen is held for half a second before the click. The hold is a timer, not a
// sleep: the window keeps repainting and answering keys and screen readers meanwhile. Step 1's
// own timer is off while it runs, so the tick cannot come back during the hold; a capture started
// again meanwhile stops the hold and begins anew.
void CaptureSequence::step1() {
  try {
    c_.Timer1->setEnabled(false);
    showCover();
    hold_.start(kHoldMs);
  } catch (const std::exception& e) {
    abandon(QString::fromStdString(e.what()));
  }
}

void CaptureSequence::held() {
  try {
    // A cover the user clicked away during the hold needs no click of ours.
    if (capturefrm_ && !capturefrm_->isUnloaded()) capturefrm_->postClick();
    c_.Timer2->setEnabled(true);
  } catch (const std::exception& e) {
    abandon(QString::fromStdString(e.what()));
  }
}

void CaptureSequence::step2() {
  // Nothing to do but wait: by the next tick the windowing system has taken Capturefrm away
  // and painted the full-screen video, and step 3 copies the screen as it then looks.
  c_.Timer2->setEnabled(false);
  c_.Timer3->setEnabled(true);
}

void CaptureSequence::step3() {
  // Off first: the tick must not come back while a message box below is open.
  c_.Timer3->setEnabled(false);
  QString failure;
  try {
    const QString folder = platform::ModPaths::GetSpecialFolderPath(platform::kDesktopFolder);
    if (folder.isEmpty()) throw CaptureError(QStringLiteral("there is no Desktop folder to save it in."));
    ReplaceFile(folder + QLatin1Char('/') + kFileName, EncodeBmp24(screenCopy()));
  } catch (const std::exception& e) {
    failure = QString::fromStdString(e.what());
  }
  // Whatever became of the picture, the video goes back into the window and plays on.
  restoreVideo();
  skipOnFailure("Capture: bring the window back to the front", [&] {
    c_.window->raise();
    c_.window->activateWindow();
  });
  if (!failure.isEmpty()) {
    tellFailed(failure);
    return;
  }
  try {
    LoadScreenshot();
  } catch (const std::exception& e) {
    tellFailed(QString::fromStdString(e.what()));
  }
}

// The whole screen; where the windowing system will not hand it out, the video's own picture as
// the full-screen video shows it. A grab that is black all over is no picture of the screen (the
// full-screen video is on it): an X server that cannot read what the compositor shows hands out
// such a grab, and saving it while saying "All Done" would report a failure as a success.
// Throws CaptureError when neither can be had.
QImage CaptureSequence::screenCopy() {
  QImage screen;
  skipOnFailure("Capture: grab the screen", [&] { screen = c_.grabScreen ? c_.grabScreen() : QImage(); });
  if (!screen.isNull() && platform::IsAllBlack(screen)) {
    qCDebug(lcWindow, "Capture: the screen grab is black all over: the video's own picture instead");
    screen = QImage();
  }
  if (!screen.isNull()) return screen;
  QImage frame;
  skipOnFailure("Capture: the video's own picture", [&] { frame = c_.player->currentFrame(); });
  if (frame.isNull()) throw CaptureError(QStringLiteral("the screen cannot be read."));
  return FitFrameOnScreen(frame, platform::WholeScreenSize());
}

void CaptureSequence::restoreVideo() {
  skipOnFailure("Capture: video back into the window", [&] { c_.player->setDisplaySize(kDisplayFitToControl); });
  skipOnFailure("Capture: play on", [&] { c_.player->Play(); });
}

// A step that failed half-way: nothing is left pending or covering the screen, and the video is
// back and playing.
void CaptureSequence::abandon(const QString& reason) {
  hold_.stop();
  for (ui::Timer* t : {c_.Timer1, c_.Timer2, c_.Timer3}) skipOnFailure("Capture: timer off", [&] { t->setEnabled(false); });
  skipOnFailure("Capture: close the covering window", [&] {
    if (capturefrm_ && !capturefrm_->isUnloaded()) capturefrm_->Form_Click();
  });
  restoreVideo();
  c_.focusPlayer();
  tellFailed(reason);
}

void CaptureSequence::tellFailed(const QString& reason) {
  qCWarning(lcWindow).noquote() << "The screenshot was not saved:" << reason;
  skipOnFailure("Capture: tell the user", [&] {
    if (c_.messageBox)
      c_.messageBox(ui::MessageIcon::Warning, kProgramTitle, QStringLiteral("The screenshot was not saved: ") + reason);
  });
}

void CaptureSequence::LoadScreenshot() {
  const QString folder = platform::ModPaths::GetSpecialFolderPath(platform::kDesktopFolder);
  if (folder.isEmpty()) throw CaptureError(QStringLiteral("there is no Desktop folder to save it in."));
  c_.picMain->move(0, 0);
  StampForeColor = 0x0000FFFF;  // yellow
  StampMode = 2;
  c_.txtcopyrname->setText(folder + QLatin1Char('/') + kFileName);
  c_.TxtCopyright->setText(caption_);
  StampText = TrimBlanks(c_.TxtCopyright->text());
  lzFilename = c_.txtcopyrname->text();
  const QImage picture(lzFilename);
  if (picture.isNull()) throw CaptureError(QStringLiteral("the file %1 cannot be read back.").arg(lzFilename));
  picMainPicture = picture.convertToFormat(QImage::Format_RGB32);
  picMainImage = picMainPicture;
  c_.picMain->setPixmap(QPixmap::fromImage(picMainImage));
  c_.picMain->resize(picMainPicture.size());
  Pic_Height = HeightInTwips(picMainPicture);
  Pic_Width = WidthInTwips(picMainPicture);
  apply();
}

void CaptureSequence::apply() {
  try {
    StampText = TrimBlanks(c_.TxtCopyright->text());
    // Back to the picture's own size: a strip added by an earlier run goes.
    c_.picMain->resize(ui::twipsToPixels(Pic_Width), ui::twipsToPixels(static_cast<int>(Pic_Height)));
    if (StampMode == 2) {
      picMainImage = StampPicture(picMainPicture, StampText, StampForeColor);
      c_.picMain->setPixmap(QPixmap::fromImage(picMainImage));
      c_.picMain->resize(picMainImage.size());
      c_.picMain->update();
    }
    SaveScreenshot();
  } catch (const std::exception& e) {
    tellFailed(QString::fromStdString(e.what()));
  }
}

void CaptureSequence::SaveScreenshot() {
  if (lzFilename.isEmpty()) {
    if (c_.messageBox)
      c_.messageBox(ui::MessageIcon::Information, kProgramTitle, QStringLiteral("Please load a picture first"));
    return;
  }
  QByteArray file = EncodeBmp24(picMainImage);
  PutMarker(file);
  ReplaceFile(lzFilename, file);
  if (c_.messageBox)
    c_.messageBox(ui::MessageIcon::Information, QStringLiteral("All Done"),
                  QStringLiteral("The image has been saved as \\Desktop\\ScreenShot.bmp"));
}

}  // namespace vcd::capture
