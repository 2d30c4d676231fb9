#include "window_services/topmost.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>
#endif

namespace vcd::window_services {
namespace {

#if QT_CONFIG(xcb)

xcb_connection_t* x11Connection() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

struct FreeReply {
  void operator()(void* p) const { std::free(p); }
};

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
  const auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name);
  std::unique_ptr<xcb_intern_atom_reply_t, FreeReply> reply(xcb_intern_atom_reply(c, cookie, nullptr));
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// Asks the window manager to add the window to the "above" layer or to remove it from there: the
// EWMH client message _NET_WM_STATE, sent to the root window of the window's screen. The window
// manager keeps the window where it is and as large as it is.
bool requestAboveState(xcb_connection_t* c, xcb_window_t window, bool above) {
  std::unique_ptr<xcb_get_geometry_reply_t, FreeReply> geometry(
      xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
  if (!geometry) return false;  // the window is gone
  const xcb_atom_t netWmState = internAtom(c, "_NET_WM_STATE");
  const xcb_atom_t stateAbove = internAtom(c, "_NET_WM_STATE_ABOVE");
  if (netWmState == XCB_ATOM_NONE || stateAbove == XCB_ATOM_NONE) return false;

  constexpr uint32_t kRemove = 0, kAdd = 1, kSourceApplication = 1;
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = netWmState;
  event.data.data32[0] = above ? kAdd : kRemove;
  event.data.data32[1] = stateAbove;
  event.data.data32[2] = 0;
  event.data.data32[3] = kSourceApplication;
  xcb_send_event(c, 0, geometry->root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&event));
  xcb_flush(c);
  return true;
}

// Whether the window manager keeps an "above" layer: it lists _NET_WM_STATE_ABOVE in the root
// window's _NET_SUPPORTED. No window manager, or one that leaves the atom out, has none.
bool windowManagerKeepsAbove(xcb_connection_t* c, xcb_window_t window) {
  std::unique_ptr<xcb_get_geometry_reply_t, FreeReply> geometry(
      xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
  if (!geometry) return false;
  const xcb_atom_t netSupported = internAtom(c, "_NET_SUPPORTED");
  const xcb_atom_t stateAbove = internAtom(c, "_NET_WM_STATE_ABOVE");
  if (netSupported == XCB_ATOM_NONE || stateAbove == XCB_ATOM_NONE) return false;
  std::unique_ptr<xcb_get_property_reply_t, FreeReply> supported(xcb_get_property_reply(
      c, xcb_get_property(c, 0, geometry->root, netSupported, XCB_ATOM_ATOM, 0, 4096), nullptr));
  if (!supported || supported->format != 32) return false;
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(supported.get()));
  const int count = xcb_get_property_value_length(supported.get()) / 4;
  for (int i = 0; i < count; ++i)
    if (atoms[i] == stateAbove) return true;
  return false;
}

bool isMapped(xcb_connection_t* c, xcb_window_t window) {
  std::unique_ptr<xcb_get_window_attributes_reply_t, FreeReply> attributes(
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
  return attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
}

// A window that is not mapped carries its state in its own _NET_WM_STATE property, which the
// window manager reads when the window is mapped. The other states in it are kept.
void writeAboveState(xcb_connection_t* c, xcb_window_t window, bool above) {
  const xcb_atom_t netWmState = internAtom(c, "_NET_WM_STATE");
  const xcb_atom_t stateAbove = internAtom(c, "_NET_WM_STATE_ABOVE");
  if (netWmState == XCB_ATOM_NONE || stateAbove == XCB_ATOM_NONE) return;
  std::vector<xcb_atom_t> states;
  std::unique_ptr<xcb_get_property_reply_t, FreeReply> current(xcb_get_property_reply(
      c, xcb_get_property(c, 0, window, netWmState, XCB_ATOM_ATOM, 0, 1024), nullptr));
  if (current && current->format == 32) {
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(current.get()));
    const int count = xcb_get_property_value_length(current.get()) / 4;
    for (int i = 0; i < count; ++i)
      if (atoms[i] != stateAbove) states.push_back(atoms[i]);
  }
  if (above) states.push_back(stateAbove);
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, netWmState, XCB_ATOM_ATOM, 32,
                      static_cast<uint32_t>(states.size()), states.data());
  xcb_flush(c);
}

#endif

}  // namespace

bool SetTopMost(QWidget* window, bool topmost) {
  if (!window) return false;
  // No Wayland protocol puts a normal window above the others: the compositor alone stacks them.
  if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return false;
  QWidget* top = window->window();
  Qt::WindowFlags flags = top->windowFlags();
  flags.setFlag(Qt::WindowStaysOnTopHint, topmost);

#if QT_CONFIG(xcb)
  if (xcb_connection_t* c = x11Connection()) {
    // The native window, created now if it does not exist yet; creating it neither shows it
    // nor moves it.
    const auto id = static_cast<xcb_window_t>(top->winId());
    if (!windowManagerKeepsAbove(c, id)) return false;
    if (isMapped(c, id)) {
      requestAboveState(c, id, topmost);
    } else {
      writeAboveState(c, id, topmost);
      // Shown but not mapped yet: the window manager may already be reading the property.
      // The message reaches it once it manages the window; until then it is ignored.
      if (top->isVisible()) requestAboveState(c, id, topmost);
    }
    // Only the widget's own record of its flags: QWidget::setWindowFlags would hide and
    // re-create the window, and Qt's native window drops the state of an unmapped window when
    // its flags change.
    top->overrideWindowFlags(flags);
    return true;
  }
#endif

  // Elsewhere the hint is passed to the native window where one exists (which changes it in
  // place); a window without one yet is created with it.
  top->overrideWindowFlags(flags);
  if (QWindow* handle = top->windowHandle(); handle && handle->flags() != flags) handle->setFlags(flags);
  return true;
}

}  // namespace vcd::window_services
