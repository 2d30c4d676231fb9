// Gives a headless wlroots compositor a pointer: a virtual pointer device (the
// wlr-virtual-pointer-unstable-v1 protocol) on the default seat, so that the seat offers clients a
// wl_pointer and the compositor's own cursor commands (`swaymsg seat seat0 cursor ...`) reach
// them. Prints "ready" once the device exists and keeps it until its standard input closes.
//   virtual_pointer
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>

// The two interfaces of the protocol, as wayland-scanner would write them (only the requests
// used here need to be right; the rest keep the opcodes in order).
extern "C" {
static const wl_interface* noTypes[8] = {};
extern const wl_interface zwlr_virtual_pointer_v1_interface;
static const wl_interface* createTypes[] = {&wl_seat_interface, &zwlr_virtual_pointer_v1_interface};
static const wl_message managerRequests[] = {
    {"create_virtual_pointer", "?on", createTypes},
    {"destroy", "", noTypes},
};
const wl_interface zwlr_virtual_pointer_manager_v1_interface = {
    "zwlr_virtual_pointer_manager_v1", 1, 2, managerRequests, 0, nullptr};
static const wl_message pointerRequests[] = {
    {"motion", "uff", noTypes},          {"motion_absolute", "uuuuu", noTypes},
    {"button", "uuu", noTypes},          {"axis", "uuf", noTypes},
    {"frame", "", noTypes},              {"axis_source", "u", noTypes},
    {"axis_stop", "uu", noTypes},        {"axis_discrete", "uufi", noTypes},
    {"destroy", "", noTypes},
};
const wl_interface zwlr_virtual_pointer_v1_interface = {
    "zwlr_virtual_pointer_v1", 1, 9, pointerRequests, 0, nullptr};
}

namespace {
wl_seat* seat = nullptr;
wl_proxy* manager = nullptr;

void global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  if (std::strcmp(interface, "wl_seat") == 0 && !seat)
    seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
    manager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}
void globalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registryListener = {global, globalRemove};
}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (!display) {
    std::fprintf(stderr, "virtual_pointer: no Wayland display\n");
    return 1;
  }
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &registryListener, nullptr);
  wl_display_roundtrip(display);
  if (!manager) {
    std::fprintf(stderr, "virtual_pointer: the compositor offers no virtual pointers\n");
    return 1;
  }
  wl_proxy* pointer = wl_proxy_marshal_constructor(manager, 0, &zwlr_virtual_pointer_v1_interface, seat, nullptr);
  wl_display_roundtrip(display);
  if (!pointer || wl_display_get_error(display)) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  char buffer[64];
  while (read(0, buffer, sizeof buffer) > 0) {}
  wl_display_disconnect(display);
  return 0;
}
