#pragma once
// Reads what a real X11 window manager says about a window, for the stacking tests that run on
// Xvfb with openbox (tests/x11/with-window-manager.sh). On any other platform the tests skip.
#include <QGuiApplication>
#include <QStringList>
#include <QWidget>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace vcd::test::x11 {

struct Free {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, Free>;

inline xcb_connection_t* connection() {
  auto* x11 = QGuiApplication::platformName() == QLatin1String("xcb") ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}
inline xcb_atom_t atom(const char* name) {
  Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(connection(), xcb_intern_atom(connection(), 0, uint16_t(std::strlen(name)), name), nullptr));
  return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}
inline xcb_window_t root() { return xcb_setup_roots_iterator(xcb_get_setup(connection())).data->root; }
inline Reply<xcb_get_property_reply_t> property(xcb_window_t window, const char* name, xcb_atom_t type, uint32_t length) {
  return Reply<xcb_get_property_reply_t>(
      xcb_get_property_reply(connection(), xcb_get_property(connection(), 0, window, atom(name), type, 0, length), nullptr));
}

// The names of the atoms in a window's _NET_WM_STATE, as the window manager keeps them.
inline QStringList netWmState(WId window) {
  QStringList names;
  const auto prop = property(xcb_window_t(window), "_NET_WM_STATE", XCB_ATOM_ATOM, 64);
  if (!prop || prop->format != 32) return names;
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(prop.get()));
  for (int i = 0; i < xcb_get_property_value_length(prop.get()) / 4; ++i) {
    Reply<xcb_get_atom_name_reply_t> n(xcb_get_atom_name_reply(connection(), xcb_get_atom_name(connection(), atoms[i]), nullptr));
    if (n) names << QString::fromLatin1(xcb_get_atom_name_name(n.get()), xcb_get_atom_name_name_length(n.get()));
  }
  return names;
}
inline bool isAbove(const QWidget* w) { return netWmState(w->winId()).contains("_NET_WM_STATE_ABOVE"); }

// Where the window manager has put the window's client area, in root coordinates; an empty
// rectangle until it has taken the window in (set its ICCCM WM_STATE).
inline QRect clientRectOnRoot(const QWidget* w) {
  const auto id = xcb_window_t(w->winId());
  const auto state = property(id, "WM_STATE", atom("WM_STATE"), 2);
  Reply<xcb_get_geometry_reply_t> g(xcb_get_geometry_reply(connection(), xcb_get_geometry(connection(), id), nullptr));
  Reply<xcb_translate_coordinates_reply_t> t(
      xcb_translate_coordinates_reply(connection(), xcb_translate_coordinates(connection(), id, root(), 0, 0), nullptr));
  if (!state || xcb_get_property_value_length(state.get()) < 4 || !g || !t) return {};
  return QRect(t->dst_x, t->dst_y, g->width, g->height);
}

}  // namespace vcd::test::x11

// Skips a test that needs X11 with an EWMH window manager (the root window names its check window).
#define VCD_REQUIRE_X11_WINDOW_MANAGER()                                                                        \
  do {                                                                                                          \
    if (!vcd::test::x11::connection()) GTEST_SKIP() << "needs an X server (QT_QPA_PLATFORM=xcb)";               \
    const auto check = vcd::test::x11::property(vcd::test::x11::root(), "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW, 1); \
    if (!check || xcb_get_property_value_length(check.get()) != 4) GTEST_SKIP() << "needs a window manager";    \
  } while (0)
