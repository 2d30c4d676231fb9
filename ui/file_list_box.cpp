#include "ui/file_list_box.h"

#include <QRegularExpression>
#include <algorithm>

namespace vcd::controls {

FileListBox::FileListBox(FolderLister lister, QWidget* parent) : QListWidget(parent), lister_(std::move(lister)) {}

void FileListBox::setPath(const QString& folder) {
  QStringList names = lister_(folder);  // throws: nothing below runs, the box is unchanged
  path_ = folder;
  allNames_ = std::move(names);
  refill();
}

void FileListBox::setPattern(const QString& pattern) {
  pattern_ = pattern;
  refill();
}

void FileListBox::setListIndex(int index) {
  if (index < 0 || index >= ListCount())
    throw std::out_of_range("Invalid property value: list index " + std::to_string(index) + " of " +
                            std::to_string(ListCount()) + " entries");
  index_ = static_cast<qint16>(index);
  setCurrentRow(index);
}

QString FileListBox::FileName() const { return index_ >= 0 ? entries_.value(index_) : QString(); }

bool FileListBox::matches(const QString& name, const QString& pattern) {
  for (const QString& one : pattern.split(u';', Qt::SkipEmptyParts)) {
    const QString glob = one.trimmed();
    // "*.*" matches every name, also one without a dot, as it always has.
    if (glob == QLatin1String("*.*") || glob == QLatin1String("*")) return true;
    const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(glob),
                                QRegularExpression::CaseInsensitiveOption);
    if (re.match(name).hasMatch()) return true;
  }
  return false;
}

void FileListBox::refill() {
  entries_.clear();
  for (const QString& name : allNames_)
    if (matches(name, pattern_)) entries_.append(name);
  // The 16-bit count of the classic control.
  if (entries_.size() > 32767) entries_ = entries_.mid(0, 32767);
  std::stable_sort(entries_.begin(), entries_.end(), [](const QString& a, const QString& b) {
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
  });
  index_ = -1;
  clear();
  addItems(entries_);
}

}  // namespace vcd::controls
