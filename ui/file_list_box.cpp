#include "ui/file_list_box.h"

#include <QRegularExpression>
#include <algorithm>

namespace vcd::ui {

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

namespace {

// One pattern of a ';'-separated list, compiled once for a whole folder of names. "*.ext", the
// patterns a playlist uses, is a plain comparison of the name's end; anything else a wildcard
// expression.
class Glob {
 public:
  explicit Glob(const QString& glob) : glob_(glob) {
    // "*.*" matches every name, also one without a dot, as it always has.
    if (glob == QLatin1String("*.*") || glob == QLatin1String("*")) {
      everything_ = true;
    } else if (glob.startsWith(QLatin1String("*.")) && !glob.mid(1).contains(u'*') && !glob.contains(u'?') &&
               !glob.contains(u'[')) {
      suffix_ = glob.mid(1);
    } else {
      re_ = QRegularExpression(QRegularExpression::wildcardToRegularExpression(glob),
                               QRegularExpression::CaseInsensitiveOption);
    }
  }
  bool matches(const QString& name) const {
    if (everything_) return true;
    if (!suffix_.isEmpty()) return name.endsWith(suffix_, Qt::CaseInsensitive);
    return re_.match(name).hasMatch();
  }

 private:
  QString glob_;
  bool everything_ = false;
  QString suffix_;
  QRegularExpression re_;
};

std::vector<Glob> globsOf(const QString& pattern) {
  std::vector<Glob> globs;
  for (const QString& one : pattern.split(u';', Qt::SkipEmptyParts)) globs.emplace_back(one.trimmed());
  return globs;
}

bool anyMatches(const std::vector<Glob>& globs, const QString& name) {
  return std::any_of(globs.begin(), globs.end(), [&](const Glob& g) { return g.matches(name); });
}

}  // namespace

bool FileListBox::matches(const QString& name, const QString& pattern) { return anyMatches(globsOf(pattern), name); }

void FileListBox::refill() {
  entries_.clear();
  const std::vector<Glob> globs = globsOf(pattern_);
  for (const QString& name : allNames_)
    if (anyMatches(globs, name)) entries_.append(name);
  std::stable_sort(entries_.begin(), entries_.end(), [](const QString& a, const QString& b) {
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
  });
  // The 16-bit count of the classic control: the first 32,767 names in the list's order.
  if (entries_.size() > 32767) entries_ = entries_.mid(0, 32767);
  index_ = -1;
  clear();
  addItems(entries_);
}

}  // namespace vcd::ui
