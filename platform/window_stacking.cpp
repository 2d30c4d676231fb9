#include "platform/window_stacking.h"

#include <QGuiApplication>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>
#endif

namespace vcd::platform {

#if QT_CONFIG(xcb)

namespace {

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

}  // namespace

bool StacksThroughX11() { return x11Connection() != nullptr; }

bool WindowManagerKeepsAbove(WId id) {
  xcb_connection_t* c = x11Connection();
  if (!c) return false;
  const auto window = static_cast<xcb_window_t>(id);
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

bool IsMapped(WId id) {
  xcb_connection_t* c = x11Connection();
  if (!c) return false;
  const auto window = static_cast<xcb_window_t>(id);
  std::unique_ptr<xcb_get_window_attributes_reply_t, FreeReply> attributes(
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
  return attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
}

bool RequestAboveState(WId id, bool above) {
  xcb_connection_t* c = x11Connection();
  if (!c) return false;
  const auto window = static_cast<xcb_window_t>(id);
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

void WriteAboveState(WId id, bool above) {
  xcb_connection_t* c = x11Connection();
  if (!c) return;
  const auto window = static_cast<xcb_window_t>(id);
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

#else

bool StacksThroughX11() { return false; }
bool WindowManagerKeepsAbove(WId) { return false; }
bool IsMapped(WId) { return false; }
bool RequestAboveState(WId, bool) { return false; }
void WriteAboveState(WId, bool) {}

#endif

}  // namespace vcd::platform
