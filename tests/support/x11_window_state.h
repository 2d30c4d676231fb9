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

inline xcb_connection_t* connection() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

struct Free {
  void operator()(void* p) const { std::free(p); }
};

inline xcb_atom_t atom(const char* name) {
  xcb_connection_t* c = connection();
  std::unique_ptr<xcb_intern_atom_reply_t, Free> r(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
  return r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

inline xcb_window_t rootWindow() {
  return xcb_setup_roots_iterator(xcb_get_setup(connection())).data->root;
}

// The names of the atoms in a window's _NET_WM_STATE, as the window manager keeps them.
inline QStringList netWmState(xcb_window_t window) {
  xcb_connection_t* c = connection();
  QStringList names;
  std::unique_ptr<xcb_get_property_reply_t, Free> prop(xcb_get_property_reply(
      c, xcb_get_property(c, 0, window, atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 0, 64), nullptr));
  if (!prop || prop->format != 32) return names;
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(prop.get()));
  const int n = xcb_get_property_value_length(prop.get()) / 4;
  for (int i = 0; i < n; ++i) {
    std::unique_ptr<xcb_get_atom_name_reply_t, Free> name(
        xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atoms[i]), nullptr));
    if (name)
      names << QString::fromLatin1(xcb_get_atom_name_name(name.get()), xcb_get_atom_name_name_length(name.get()));
  }
  return names;
}

inline bool isAbove(const QWidget* w) {
  return netWmState(static_cast<xcb_window_t>(w->winId())).contains(QStringLiteral("_NET_WM_STATE_ABOVE"));
}

// True once the window manager has taken the window in (it sets the ICCCM WM_STATE property).
inline bool isManaged(const QWidget* w) {
  xcb_connection_t* c = connection();
  const xcb_atom_t wmState = atom("WM_STATE");
  std::unique_ptr<xcb_get_property_reply_t, Free> prop(xcb_get_property_reply(
      c, xcb_get_property(c, 0, static_cast<xcb_window_t>(w->winId()), wmState, wmState, 0, 2), nullptr));
  return prop && xcb_get_property_value_length(prop.get()) >= 4;
}

// True when an EWMH window manager runs: the root window names its check window.
inline bool windowManagerRuns() {
  xcb_connection_t* c = connection();
  if (!c) return false;
  std::unique_ptr<xcb_get_property_reply_t, Free> prop(xcb_get_property_reply(
      c, xcb_get_property(c, 0, rootWindow(), atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 0, 1), nullptr));
  return prop && xcb_get_property_value_length(prop.get()) == 4;
}

// Where the window manager has put the window's client area, in root coordinates.
inline QRect clientRectOnRoot(const QWidget* w) {
  xcb_connection_t* c = connection();
  const auto id = static_cast<xcb_window_t>(w->winId());
  std::unique_ptr<xcb_get_geometry_reply_t, Free> g(xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr));
  std::unique_ptr<xcb_translate_coordinates_reply_t, Free> t(
      xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, id, rootWindow(), 0, 0), nullptr));
  if (!g || !t) return {};
  return QRect(t->dst_x, t->dst_y, g->width, g->height);
}

}  // namespace vcd::test::x11

// Skips a test that needs X11 with a window manager when there is none.
#define VCD_REQUIRE_X11_WINDOW_MANAGER()                                                              \
  do {                                                                                                \
    if (!vcd::test::x11::connection()) GTEST_SKIP() << "needs an X server (QT_QPA_PLATFORM=xcb)";     \
    if (!vcd::test::x11::windowManagerRuns()) GTEST_SKIP() << "needs a window manager on the server"; \
  } while (0)
