#pragma once
#include <QHash>
#include <QMap>
#include <QString>
#include <functional>

class QFont;
class QWidget;

// The layout sheet every window is made from: one table row per control, with its kind,
// container, position and size in twips, caption, tool tip, font, colours, tab place and the
// looks it starts with. ControlSheet turns the rows into widgets.
namespace vcd::ui {

// A font as a layout sheet names it: family, size in points, weight.
struct Font {
  const char* family;
  double points;
  bool bold;
};
inline constexpr Font kSansSerif{"MS Sans Serif", 8.25, false};
inline constexpr Font kSansSerifBold{"MS Sans Serif", 8.25, true};
inline constexpr Font kTahoma{"Tahoma", 8.25, false};
inline constexpr Font kTahomaBold{"Tahoma", 8.25, true};

// The font of the layout (see ui/fonts.h for the faces that stand in).
QFont fontOf(const Font& font);

enum class Kind {
  Button,      // push button
  CheckBox,
  Option,      // option button; those of one container exclude each other
  Label,
  Image,       // a picture without a border
  PictureBox,  // a picture, or a box that holds other controls
  Panel,       // a box with a sunken border that holds other controls
  Frame,       // a box with a caption around other controls
  TextBox,     // one line, or several with kMultiLine
  ListBox,
  // Kinds the window makes itself and hands to ControlSheet::add.
  FileList,
  Player,
  Resizer,
};

// The looks a control starts with beyond "visible, enabled, opaque, text on the left".
enum Look : unsigned {
  kNormal = 0,
  kDisabled = 1,
  kChecked = 2,
  kCentred = 4,      // a label's text in the middle
  kTopLeft = 8,      // a label's text from the top-left corner
  kTransparent = 16, // a label shows what lies under it
  kAutoSize = 32,    // a label takes the size of its text
  kMultiLine = 64,   // a text box of several lines, wrapped
};

struct ControlRow {
  const char* name;
  Kind kind;
  const char* container;  // "" = the window's client area
  int left, top, width, height;
  const char* caption;
  const char* toolTip;
  Font font;
  const char* fore;  // "#RRGGBB", "WindowText", or "" for the control's own
  const char* back;  // "#RRGGBB", "Window", or "" for the control's own
  int tab;           // place in the tab order; -1: takes none
  unsigned look;     // Look flags
};

// The controls of one window, made from its rows in table order (containers before what they hold).
class ControlSheet {
 public:
  explicit ControlSheet(QWidget* window) : window_(window) {}

  // Makes the row's control in its container, places it and files it under its name. The kinds
  // FileList, Player and Resizer come from `make`, which gets the container to put them in.
  QWidget* add(const ControlRow& row, const std::function<QWidget*(QWidget* container)>& make = {});

  // Gives a control already in its container the row's name, geometry, font, colours, looks and
  // tab place (for controls the window makes itself, such as the elements of a control array).
  void place(const ControlRow& row, QWidget* w);

  // The widget the row's control goes into.
  QWidget* container(const ControlRow& row) const;

  template <typename T = QWidget>
  T* get(const char* name) const {
    return static_cast<T*>(byName_.value(QString::fromUtf8(name)));
  }

  // Chains the controls that take the focus in the order of their tab places.
  void applyTabOrder() const;

 private:
  QWidget* window_;
  QHash<QString, QWidget*> byName_;
  QMap<int, QWidget*> tabOrder_;
};

}  // namespace vcd::ui
