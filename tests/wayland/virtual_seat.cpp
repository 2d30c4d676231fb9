// Gives a headless wlroots compositor the input devices a desktop has: a virtual pointer (the
// wlr-virtual-pointer-unstable-v1 protocol) and a virtual keyboard (virtual-keyboard-unstable-v1)
// on the default seat. With them the seat offers clients a wl_pointer and a wl_keyboard for the
// whole session, so that the compositor's own cursor commands (`swaymsg seat seat0 cursor ...`)
// reach them, and so do the keys of a short-lived typing tool (wtype): without a keyboard that
// stays, the seat gains one only while such a tool runs, and its keys are gone before a client
// (Qt, Xwayland) has bound the keyboard that appeared. Prints "ready" once both devices exist and
// keeps them until its standard input closes.
//   virtual_seat
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

// The interfaces of the two protocols, as wayland-scanner would write them (only the requests
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

extern const wl_interface zwp_virtual_keyboard_v1_interface;
static const wl_interface* createKeyboardTypes[] = {&wl_seat_interface, &zwp_virtual_keyboard_v1_interface};
static const wl_message keyboardManagerRequests[] = {
    {"create_virtual_keyboard", "on", createKeyboardTypes},
};
const wl_interface zwp_virtual_keyboard_manager_v1_interface = {
    "zwp_virtual_keyboard_manager_v1", 1, 1, keyboardManagerRequests, 0, nullptr};
static const wl_message keyboardRequests[] = {
    {"keymap", "uhu", noTypes},
    {"key", "uuu", noTypes},
    {"modifiers", "uuuu", noTypes},
    {"destroy", "", noTypes},
};
const wl_interface zwp_virtual_keyboard_v1_interface = {
    "zwp_virtual_keyboard_v1", 1, 4, keyboardRequests, 0, nullptr};
}

namespace {
wl_seat* seat = nullptr;
wl_proxy* pointerManager = nullptr;
wl_proxy* keyboardManager = nullptr;

void global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  if (std::strcmp(interface, "wl_seat") == 0 && !seat)
    seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
    pointerManager =
        static_cast<wl_proxy*>(wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
  if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0)
    keyboardManager =
        static_cast<wl_proxy*>(wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
}
void globalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registryListener = {global, globalRemove};

// A keyboard needs a keymap before the compositor uses it: the default one (us, pc105), in a
// memory file the compositor maps. Returns false where none can be made.
bool sendKeymap(wl_proxy* keyboard) {
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_keymap* keymap = context ? xkb_keymap_new_from_names(context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
  char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
  bool sent = false;
  if (text) {
    const size_t size = std::strlen(text) + 1;
    const int fd = memfd_create("keymap", MFD_CLOEXEC);
    if (fd >= 0 && write(fd, text, size) == static_cast<ssize_t>(size)) {
      wl_proxy_marshal(keyboard, 0, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, static_cast<uint32_t>(size));
      sent = true;
    }
    if (fd >= 0) close(fd);  // the request carries a duplicate
    std::free(text);
  }
  if (keymap) xkb_keymap_unref(keymap);
  if (context) xkb_context_unref(context);
  return sent;
}
}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (!display) {
    std::fprintf(stderr, "virtual_seat: no Wayland display\n");
    return 1;
  }
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &registryListener, nullptr);
  wl_display_roundtrip(display);
  if (!pointerManager || !keyboardManager || !seat) {
    std::fprintf(stderr, "virtual_seat: the compositor offers no virtual %s\n",
                 !pointerManager ? "pointers" : !keyboardManager ? "keyboards" : "seat");
    return 1;
  }
  wl_proxy* pointer = wl_proxy_marshal_constructor(pointerManager, 0, &zwlr_virtual_pointer_v1_interface, seat, nullptr);
  wl_proxy* keyboard =
      wl_proxy_marshal_constructor(keyboardManager, 0, &zwp_virtual_keyboard_v1_interface, seat, nullptr);
  if (!keyboard || !sendKeymap(keyboard)) {
    std::fprintf(stderr, "virtual_seat: no keymap for the keyboard\n");
    return 1;
  }
  wl_display_roundtrip(display);
  if (!pointer || wl_display_get_error(display)) {
    std::fprintf(stderr, "virtual_seat: the compositor refused the devices\n");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  char buffer[64];
  while (read(0, buffer, sizeof buffer) > 0) {}
  wl_display_disconnect(display);
  return 0;
}
