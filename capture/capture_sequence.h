#pragma once
#include <QImage>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>

#include "ui/message_box.h"

class QLabel;
class QLineEdit;
class QWidget;

namespace vcd {
class MediaPlayer;
}
namespace vcd::ui {
class Timer;
}

namespace vcd::capture {

class Capturefrm;

// What the screenshot works with: the media-player control, and the main window's controls and
// services it drives. None of it is owned; all of it outlives the sequence.
struct CaptureControls {
  MediaPlayer* player = nullptr;
  QWidget* window = nullptr;             // the main window, brought back to the front at the end
  ui::Timer* Timer1 = nullptr;           // step 1: the cover clicked away
  ui::Timer* Timer2 = nullptr;           // step 2: a moment for the full-screen video to paint
  ui::Timer* Timer3 = nullptr;           // step 3: the screen copied, saved and loaded back
  QLabel* picMain = nullptr;             // shows the stamped picture
  QLineEdit* TxtCopyright = nullptr;     // the caption; its text at start is the one printed
  QLineEdit* txtcopyrname = nullptr;     // receives the full path of the screenshot file
  std::function<void()> switchOffOnTop;  // the window's "On Top" switch-off step
  std::function<void()> focusPlayer;     // the focus back on the control
  ui::MessageBoxService messageBox;      // modal message boxes
  std::function<QImage()> grabScreen;    // the whole screen as it looks (null: unreadable)
};

// The screenshot: the capture sequence that the Capture button starts, the routines that stamp
// the caption under the picture and save it on the Desktop, and what they keep between runs.
//
// The sequence: start() pauses the video, puts it over the whole screen and covers the screen
// with the black Capturefrm; step 1 clicks Capturefrm away; step 2 gives the windowing system a
// moment to paint the full-screen video; step 3 copies the screen, saves it, puts the video back
// and plays it, and hands the file to LoadScreenshot. The timers carry the state: each step
// switches its own timer off and the next one on. The main window owns the sequence and runs
// it from its handlers (Capturecmd_Click, Timer1_Timer .. Timer3_Timer, CmdApply_Click).
class CaptureSequence {
 public:
  explicit CaptureSequence(CaptureControls controls);
  ~CaptureSequence();  // the cover goes too: a top-level window of its own
  CaptureSequence(const CaptureSequence&) = delete;
  CaptureSequence& operator=(const CaptureSequence&) = delete;

  void start();  // the Capture button
  void step1();
  void step2();
  void step3();
  void LoadScreenshot();
  void apply();  // the Apply button: the caption printed again and the file saved again
  void SaveScreenshot();

  // The covering window while it is loaded (shown or not), else nullptr.
  Capturefrm* cover() const;
  // The file loaded into picMain; "" before any.
  const QString& loadedFile() const { return lzFilename; }

 private:
  void showCover();
  void held();  // the end of step 1's hold: the cover clicked away, step 2 due
  QImage screenCopy();
  void restoreVideo();
  void abandon(const QString& reason);
  void tellFailed(const QString& reason);

  CaptureControls c_;
  QPointer<Capturefrm> capturefrm_;
  QTimer hold_;                // step 1's half second with the screen covered
  QString caption_;            // the caption TxtCopyright held when the window was made
  QString lzFilename;          // the screenshot file loaded into picMain; "" before any
  float Pic_Height = 0;        // height of the loaded picture, twips
  qint32 Pic_Width = 0;        // width of the loaded picture, twips
  QString StampText;           // the caption to print
  quint32 StampForeColor = 0;  // caption colour, 0x00BBGGRR
  qint16 StampMode = 0;        // the caption is printed only when 2
  // What picMain holds: the loaded picture, and the picture as shown and saved (with its strip).
  QImage picMainPicture;
  QImage picMainImage;
};

}  // namespace vcd::capture
