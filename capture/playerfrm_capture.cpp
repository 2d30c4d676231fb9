// The screenshot: the Capture button, the three timer steps that take the picture, and the
// routines that stamp the caption under it and save it on the Desktop.
//
// The sequence: the click pauses the video, puts it over the whole screen and covers the screen
// with the black Capturefrm; step 1 clicks Capturefrm away; step 2 gives the windowing system a
// moment to paint the full-screen video; step 3 copies the screen, saves it, puts the video back
// and plays it, and hands the file to LoadScreenshot. The timers carry the state: each step
// switches its own timer off and the next one on.
#include <QFileInfo>
#include <QPixmap>
#include <QThread>

#include "capture/bmp_file.h"
#include "capture/capturefrm.h"
#include "capture/stamp.h"
#include "ui/failure.h"
#include "ui/twips.h"
#include "player/playerfrm.h"
#include "platform/log.h"
#include "platform/desktop_folder.h"
#include "platform/screen_grab.h"

namespace vcd {
namespace {

using controls::skipOnFailure;

const QString kProgramTitle = QStringLiteral("Voren VCD Player Lite");
const QString kFileName = QStringLiteral("ScreenShot.bmp");
constexpr int kHoldMs = 500;  // step 1 holds the covered screen this long before the click

}  // namespace

void Playerfrm::createCaptureControls() {
  caption_ = TxtCopyright->text();
  // Parked beside TxtCopyright, below the visible client area like the other working controls.
  txtcopyrname = new QLineEdit(this);
  txtcopyrname->setObjectName(QStringLiteral("txtcopyrname"));
  txtcopyrname->setGeometry(controls::twipsRect(5040, 8280, 2295, 300));
}

Capturefrm* Playerfrm::capturefrm() const { return capturefrm_.data(); }

void Playerfrm::showCapturefrm() {
  if (!capturefrm_ || capturefrm_->isUnloaded()) capturefrm_ = new Capturefrm;
  capturefrm_->ShowCovering();
}

void Playerfrm::Capturecmd_Click() {
  skipOnFailure("Capture: On Top off", [&] { SwitchOffOnTop(); });
  skipOnFailure("Capture: pause", [&] { player->Pause(); });
  skipOnFailure("Capture: full screen", [&] { player->setDisplaySize(kDisplayFullScreen); });
  skipOnFailure("Capture: show the covering window", [&] { showCapturefrm(); });
  skipOnFailure("Capture: bring the covering window forward", [&] {
    if (!capturefrm_) return;
    capturefrm_->raise();
    capturefrm_->activateWindow();
  });
  // Step 1 is due (again); a pending step 2 is cancelled, a pending step 3 still runs.
  skipOnFailure("Capture: schedule step 1", [&] {
    Timer1->setEnabled(true);
    Timer2->setEnabled(false);
  });
  FocusPlayer();
}

void Playerfrm::Timer1_Timer() {
  try {
    showCapturefrm();
    QThread::msleep(kHoldMs);
    capturefrm_->postClick();
    Timer1->setEnabled(false);
    Timer2->setEnabled(true);
  } catch (const std::exception& e) {
    abandonCapture(QString::fromStdString(e.what()));
  }
}

void Playerfrm::Timer2_Timer() {
  // Nothing to do but wait: by the next tick the windowing system has taken Capturefrm away
  // and painted the full-screen video, and step 3 copies the screen as it then looks.
  Timer2->setEnabled(false);
  Timer3->setEnabled(true);
}

void Playerfrm::Timer3_Timer() {
  // Off first: the tick must not come back while a message box below is open.
  Timer3->setEnabled(false);
  QString failure;
  try {
    const QString folder = ModPaths::GetSpecialFolderPath(platform::kDesktopFolder);
    if (folder.isEmpty()) throw capture::CaptureError(QStringLiteral("there is no Desktop folder to save it in."));
    capture::ReplaceFile(folder + QLatin1Char('/') + kFileName, capture::EncodeBmp24(screenCopy()));
  } catch (const std::exception& e) {
    failure = QString::fromStdString(e.what());
  }
  // Whatever became of the picture, the video goes back into the window and plays on.
  restoreVideo();
  skipOnFailure("Capture: bring the window back to the front", [&] {
    raise();
    activateWindow();
  });
  if (!failure.isEmpty()) {
    tellCaptureFailed(failure);
    return;
  }
  try {
    LoadScreenshot();
  } catch (const std::exception& e) {
    tellCaptureFailed(QString::fromStdString(e.what()));
  }
}

// The whole screen; where the windowing system will not hand it out, the video's own picture as
// the full-screen video shows it. A grab that is black all over is no picture of the screen (the
// full-screen video is on it): an X server that cannot read what the compositor shows hands out
// such a grab, and saving it while saying "All Done" would report a failure as a success.
// Throws CaptureError when neither can be had.
QImage Playerfrm::screenCopy() {
  QImage screen;
  skipOnFailure("Capture: grab the screen", [&] { screen = services_.grabScreen ? services_.grabScreen() : QImage(); });
  if (!screen.isNull() && platform::IsAllBlack(screen)) {
    qCDebug(lcWindow, "Capture: the screen grab is black all over: the video's own picture instead");
    screen = QImage();
  }
  if (!screen.isNull()) return screen;
  QImage frame;
  skipOnFailure("Capture: the video's own picture", [&] { frame = player->currentFrame(); });
  if (frame.isNull()) throw capture::CaptureError(QStringLiteral("the screen cannot be read."));
  return capture::FitFrameOnScreen(frame, platform::WholeScreenSize());
}

void Playerfrm::restoreVideo() {
  skipOnFailure("Capture: video back into the window", [&] { player->setDisplaySize(kDisplayFitToControl); });
  skipOnFailure("Capture: play on", [&] { player->Play(); });
}

// A step that failed half-way: nothing is left pending or covering the screen, and the video is
// back and playing.
void Playerfrm::abandonCapture(const QString& reason) {
  for (controls::Timer* t : {Timer1, Timer2, Timer3}) skipOnFailure("Capture: timer off", [&] { t->setEnabled(false); });
  skipOnFailure("Capture: close the covering window", [&] {
    if (capturefrm_ && !capturefrm_->isUnloaded()) capturefrm_->Form_Click();
  });
  restoreVideo();
  FocusPlayer();
  tellCaptureFailed(reason);
}

void Playerfrm::tellCaptureFailed(const QString& reason) {
  qCWarning(lcWindow).noquote() << "The screenshot was not saved:" << reason;
  skipOnFailure("Capture: tell the user", [&] {
    if (services_.messageBox)
      services_.messageBox(MessageIcon::Warning, kProgramTitle,
                           QStringLiteral("The screenshot was not saved: ") + reason);
  });
}

void Playerfrm::LoadScreenshot() {
  const QString folder = ModPaths::GetSpecialFolderPath(platform::kDesktopFolder);
  if (folder.isEmpty()) throw capture::CaptureError(QStringLiteral("there is no Desktop folder to save it in."));
  picMain->move(0, 0);
  StampForeColor = 0x0000FFFF;  // yellow
  StampMode = 2;
  txtcopyrname->setText(folder + QLatin1Char('/') + kFileName);
  TxtCopyright->setText(caption_);
  StampText = capture::TrimBlanks(TxtCopyright->text());
  lzFilename = txtcopyrname->text();
  const QImage picture(lzFilename);
  if (picture.isNull())
    throw capture::CaptureError(QStringLiteral("the file %1 cannot be read back.").arg(lzFilename));
  picMainPicture = picture.convertToFormat(QImage::Format_RGB32);
  picMainImage = picMainPicture;
  picMain->setPixmap(QPixmap::fromImage(picMainImage));
  picMain->resize(picMainPicture.size());
  Pic_Height = capture::HeightInTwips(picMainPicture);
  Pic_Width = capture::WidthInTwips(picMainPicture);
  CmdApply_Click();
}

void Playerfrm::CmdApply_Click() {
  try {
    StampText = capture::TrimBlanks(TxtCopyright->text());
    // Back to the picture's own size: a strip added by an earlier run goes.
    picMain->resize(controls::twipsToPixels(Pic_Width), controls::twipsToPixels(static_cast<int>(Pic_Height)));
    if (StampMode == 2) {
      picMainImage = capture::StampPicture(picMainPicture, StampText, StampForeColor);
      picMain->setPixmap(QPixmap::fromImage(picMainImage));
      picMain->resize(picMainImage.size());
      picMain->update();
    }
    SaveScreenshot();
  } catch (const std::exception& e) {
    tellCaptureFailed(QString::fromStdString(e.what()));
  }
}

void Playerfrm::SaveScreenshot() {
  if (lzFilename.isEmpty()) {
    if (services_.messageBox)
      services_.messageBox(MessageIcon::Information, kProgramTitle, QStringLiteral("Please load a picture first"));
    return;
  }
  QByteArray file = capture::EncodeBmp24(picMainImage);
  capture::PutMarker(file);
  capture::ReplaceFile(lzFilename, file);
  if (services_.messageBox)
    services_.messageBox(MessageIcon::Information, QStringLiteral("All Done"),
                         QStringLiteral("The image has been saved as \\Desktop\\ScreenShot.bmp"));
}

}  // namespace vcd
