#include "window_services/topmost.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
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

#endif

}  // namespace

void SetTopMost(QWidget* window, bool topmost) {
  if (!window) return;
  QWidget* top = window->window();
  Qt::WindowFlags flags = top->windowFlags();
  flags.setFlag(Qt::WindowStaysOnTopHint, topmost);

  // A window that is on screen (or on its way there) has a window manager looking after it: ask
  // it. QWidget::setWindowFlags would hide and re-create the window instead, which is why the
  // hint is only written into the widget's own record here, for whoever reads it later.
#if QT_CONFIG(xcb)
  if (top->isVisible() && top->testAttribute(Qt::WA_WState_Created)) {
    if (xcb_connection_t* c = x11Connection()) {
      requestAboveState(c, static_cast<xcb_window_t>(top->winId()), topmost);
      top->overrideWindowFlags(flags);
      return;
    }
  }
#endif

  // Not mapped yet, or not X11: the window carries the hint into its next mapping. Qt's native
  // window takes changed flags in place (on X11 an unmapped window gets the _NET_WM_STATE it
  // will be mapped with); a window without a native window yet is created with them.
  top->overrideWindowFlags(flags);
  if (QWindow* handle = top->windowHandle(); handle && handle->flags() != flags) handle->setFlags(flags);
}

}  // namespace vcd::window_services
