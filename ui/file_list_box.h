#pragma once
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>

namespace vcd::ui {

// A list box that shows the files of one folder that match a pattern, the way the classic file
// list box does: entries sorted without regard to case, a 16-bit current index (-1 = none) that
// refuses values outside 0..N-1, and the current file name.
class FileListBox : public QListWidget {
  Q_OBJECT
 public:
  // Lists the names of the files (not folders) in a folder; throws std::exception when the folder
  // cannot be read.
  using FolderLister = std::function<QStringList(const QString& folder)>;

  explicit FileListBox(FolderLister lister, QWidget* parent = nullptr);

  QString Path() const { return path_; }
  // Reads the folder anew. Throws when it cannot be read; the box then keeps its folder and entries.
  void setPath(const QString& folder);

  QString Pattern() const { return pattern_; }
  void setPattern(const QString& pattern);  // "*.mp3;*.dat"

  int ListCount() const { return static_cast<int>(entries_.size()); }
  qint16 ListIndex() const { return index_; }
  // Throws std::out_of_range for an index outside 0..ListCount()-1.
  void setListIndex(int index);
  // The entry at the current index, or "" when none is selected.
  QString FileName() const;
  QString entry(int index) const { return entries_.value(index); }

  // The pattern match: each ';'-separated pattern, without regard to case.
  static bool matches(const QString& name, const QString& pattern);

 private:
  void refill();
  FolderLister lister_;
  QString path_;
  QString pattern_ = QStringLiteral("*.*");
  QStringList allNames_;
  QStringList entries_;
  qint16 index_ = -1;
};

}  // namespace vcd::ui
