#pragma once
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include "window_services/topmost.h"

namespace vcd::info_windows {

// The Quick Help window: a fixed page of help text under the player's word mark, with the
// version and release date. It sits in the always-on-top band while it is loaded and deletes
// itself when it is closed. Resizing it moves none of its controls.
class frmHelp : public QWidget {
  Q_OBJECT
 public:
  explicit frmHelp(window_services::TopMostRoutine setTopMost, QWidget* parent = nullptr);

  void Form_Load();
  void Form_Unload();
  void Command1_Click();

  // The four word-mark labels are element 1 of the control arrays Label1..Label4.
  QLabel& Label1(int index) const { return element(1, index); }
  QLabel& Label2(int index) const { return element(2, index); }
  QLabel& Label3(int index) const { return element(3, index); }
  QLabel& Label4(int index) const { return element(4, index); }

  // --- controls (named as in the window's layout)
  QLabel* Image1 = nullptr;
  QLabel* Label14 = nullptr;
  QLabel* Label16 = nullptr;
  QGroupBox* Frame1 = nullptr;
  QPlainTextEdit* Text1 = nullptr;
  QPushButton* Command1 = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void createControls();
  QLabel& element(int array, int index) const;

  window_services::TopMostRoutine setTopMost_;
  QMap<int, QLabel*> wordMark_;  // array number (1..4) -> its element 1
};

}  // namespace vcd::info_windows
