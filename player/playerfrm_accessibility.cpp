// The main window as a screen reader (through Qt's AT-SPI bridge) sees it.
//
// Labels whose text changes: the status line ("Playing Avseq01.dat ...") and the track counter
// ("01 of 4") keep a fixed accessible name ("Status", "Track") so a user can find them, and their
// visible text is what changes. Qt's own label object carries its text only as its name, and
// QLabel::setText says nothing once the label has a name of its own. So these two labels get an
// accessible object that is also a Text object holding the visible text, and every new text is
// sent as a text update (on AT-SPI: object:text-changed:delete and :insert). That is what a
// screen reader reads a label's contents from and what Orca follows for a label's changes; a
// name-change event would instead tell it the label has become another control.
#include "player/playerfrm_accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QTimer>
#include <QPointer>

#include "player/playerfrm.h"

namespace vcd::player {
namespace {

// Marks the labels whose changes are announced; the factory below gives them their object.
constexpr const char* kAnnouncedProperty = "vcdAnnouncedLabel";

// A label read as text: role and name as Qt gives any text label, plus the Text interface over
// what the label shows. Read-only: no selection, the caret stays at the start.
class AnnouncedLabel : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit AnnouncedLabel(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

  QLabel* label() const { return static_cast<QLabel*>(widget()); }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return label()->accessibleName();
    if (t == QAccessible::Description) return label()->accessibleDescription();
    return QAccessibleWidget::text(t);
  }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }

  // --- Text interface
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int start, int end) const override {
    const QString all = label()->text();
    start = qBound(0, start, int(all.size()));
    end = end < 0 ? int(all.size()) : qBound(start, end, int(all.size()));
    return all.mid(start, end - start);
  }
  int characterCount() const override { return int(label()->text().size()); }
  QRect characterRect(int offset) const override {
    // One line of plain text: the characters lie side by side from the text's own start.
    const QString all = label()->text();
    if (offset < 0 || offset >= all.size()) return QRect();
    const QFontMetrics fm(label()->font());
    const QRect box = label()->contentsRect();
    const int textWidth = fm.horizontalAdvance(all);
    int x = box.left();
    if (label()->alignment() & Qt::AlignHCenter) x += (box.width() - textWidth) / 2;
    else if (label()->alignment() & Qt::AlignRight) x += box.width() - textWidth;
    x += fm.horizontalAdvance(all.left(offset));
    const QRect local(x, box.top() + (box.height() - fm.height()) / 2, fm.horizontalAdvance(all.at(offset)), fm.height());
    return QRect(label()->mapToGlobal(local.topLeft()), local.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    for (int i = 0; i < characterCount(); ++i)
      if (characterRect(i).contains(point)) return i;
    return -1;
  }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return QString();
  }
};

QAccessibleInterface* playerfrmFactory(const QString& className, QObject* object) {
  // The main window is a plain widget, which Qt would present as a filler: a screen reader
  // names the window a user is in from its frame.
  if (className == QLatin1String(Playerfrm::staticMetaObject.className()))
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
  if (className == QLatin1String("QLabel") && object->property(kAnnouncedProperty).toBool())
    return new AnnouncedLabel(static_cast<QLabel*>(object));
  return nullptr;
}

// Notices new texts of the announced labels. QLabel has no signal for its text, but a label
// whose text changes repaints; a label that is not on screen has nothing to announce, and when
// it comes on screen it paints with what it shows then. Repaints with the same text say nothing.
class LabelWatcher : public QObject {
 public:
  LabelWatcher(QLabel* label) : QObject(label), label_(label), spoken_(label->text()) {
    label->installEventFilter(this);
    // A busy or covered window may not repaint soon; a screen reader is told within a moment
    // all the same.
    auto* poll = new QTimer(this);
    poll->setInterval(250);
    connect(poll, &QTimer::timeout, this, [this] {
      if (QAccessible::isActive() && label_->isVisible()) announce();
    });
    poll->start();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == label_ && event->type() == QEvent::Paint) announce();
    return QObject::eventFilter(watched, event);
  }

 private:
  void announce() {
    if (label_->text() == spoken_) return;
    const QString old = spoken_;
    spoken_ = label_->text();
    QAccessibleTextUpdateEvent update(label_, 0, old, spoken_);
    QAccessible::updateAccessibility(&update);
  }

  QLabel* label_;
  QString spoken_;  // the text a screen reader was last told
};

// Tool tips as a screen reader hears them: the description of a control that has a caption, and
// the name of one that has none (an icon button, a slider), kept up to date when the tip changes.
class ToolTipMirror : public QObject {
 public:
  ToolTipMirror(QWidget* control, bool asName) : QObject(control), control_(control), asName_(asName) {
    apply();
    control->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == control_ && event->type() == QEvent::ToolTipChange) apply();
    return QObject::eventFilter(watched, event);
  }

 private:
  void apply() {
    if (asName_) control_->setAccessibleName(control_->toolTip());
    else control_->setAccessibleDescription(control_->toolTip());
  }
  QWidget* control_;
  bool asName_;
};

// The name Qt gives the control from its own caption, without a name set on purpose.
bool hasOwnName(QWidget* control) {
  if (!control->accessibleName().isEmpty()) return true;
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
  return iface && !iface->text(QAccessible::Name).isEmpty();
}

void announceChanges(QLabel* label, const QString& name) {
  label->setAccessibleName(name);
  label->setProperty(kAnnouncedProperty, true);
  // An object made for the label before the factory knew it (Qt makes one as soon as a label's
  // text is set) is dropped, so the next one asked for comes from the factory.
  if (QAccessibleInterface* old = QAccessible::queryAccessibleInterface(label);
      old && !old->textInterface())
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(old));
  new LabelWatcher(label);
}

}  // namespace

void makeAccessible(Playerfrm& w) {
  static const bool factoryInstalled = [] {
    QAccessible::installFactory(&playerfrmFactory);
    return true;
  }();
  (void)factoryInstalled;
  // Made before the factory was there when this is the first window: ask again.
  if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(&w); made && made->role() != QAccessible::Window)
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));

  for (QWidget* child : w.findChildren<QWidget*>())
    if (!child->toolTip().isEmpty()) new ToolTipMirror(child, !hasOwnName(child));

  announceChanges(w.lblDisplay, QStringLiteral("Status"));
  announceChanges(w.lblTrack_Display, QStringLiteral("Track"));
  w.playerFace->setAccessibleName(QStringLiteral("Video"));
  w.PicLogo->setAccessibleName(QStringLiteral("Voren VCD Player logo"));
  // The black box the logo sits in, where the picture plays.
  w.DVD->setAccessibleName(QStringLiteral("Video area"));
  // Captions that are a sign or a bare number say more in words.
  w.Nexttrackcmd->setAccessibleName(QStringLiteral("Next track"));
  for (int i = 0; i < static_cast<int>(w.SongcmdArray.size()); ++i)
    w.SongcmdArray[i]->setAccessibleName(QStringLiteral("Track %1").arg(i + 1));
}

}  // namespace vcd::player
