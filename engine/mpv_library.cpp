#include "engine/mpv_library.h"

#include "platform/log.h"

#include <dlfcn.h>
#include <mpv/client.h>
#include <mpv/render.h>
#include <mpv/stream_cb.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <future>
#include <mutex>
#include <string>
#include <type_traits>

namespace vcd::engine {

namespace {

// Every function the stand-ins below call (looked up nowhere else).
constexpr const char* kFunctions[] = {
    "mpv_client_api_version", "mpv_error_string", "mpv_free", "mpv_create", "mpv_create_client", "mpv_destroy",
    "mpv_wakeup", "mpv_initialize", "mpv_terminate_destroy", "mpv_set_option_string", "mpv_command",
    "mpv_command_node", "mpv_free_node_contents", "mpv_set_property", "mpv_set_property_string",
    "mpv_get_property", "mpv_get_property_string", "mpv_observe_property", "mpv_request_log_messages",
    "mpv_wait_event", "mpv_set_wakeup_callback", "mpv_hook_add", "mpv_hook_continue", "mpv_stream_cb_add_ro",
    "mpv_render_context_create", "mpv_render_context_set_update_callback", "mpv_render_context_update",
    "mpv_render_context_render", "mpv_render_context_report_swap", "mpv_render_context_free"};

struct Library {
  void* handle = nullptr;
  std::string error;
  // kFunctions as the library has them (null where it has none), in the same order.
  std::array<void*, std::size(kFunctions)> functions{};
};

std::once_flag gStarted;
std::shared_future<Library> gLibrary;

// The library of the client API these headers describe: libmpv.so.2 for API 2.x.
std::string libraryName() { return "libmpv.so." + std::to_string(MPV_CLIENT_API_VERSION >> 16); }

const Library& library() {
  loadLibmpvAhead();
  static const Library& loaded = std::shared_future<Library>(gLibrary).get();
  return loaded;
}

}  // namespace

void loadLibmpvAhead() {
  std::call_once(gStarted, [] {
    gLibrary = std::async(std::launch::async, [] {
                 platform::startupStep("libmpv: loading (own thread)");
                 Library lib;
                 // Bound lazily, as a library the program links would be: what is never called
                 // costs no page.
                 lib.handle = dlopen(libraryName().c_str(), RTLD_LAZY | RTLD_LOCAL);
                 if (!lib.handle) {
                   const char* why = dlerror();
                   lib.error = why ? why : libraryName() + " cannot be loaded";
                 }
                 // Looked up here, at once: dlsym takes the dynamic loader's lock, which the
                 // OpenGL driver's loading holds for tens of milliseconds while the window is
                 // made, and a first call looked up then would wait for it on the GUI thread.
                 for (size_t i = 0; lib.handle && i < std::size(kFunctions); ++i)
                   lib.functions[i] = dlsym(lib.handle, kFunctions[i]);
                 platform::startupStep("libmpv: loaded");
                 return lib;
               }).share();
  });
}

disc::Result<void> libmpvLoaded() {
  const Library& lib = library();
  if (!lib.handle) return disc::failure(QString::fromLocal8Bit(lib.error.c_str()));
  return {};
}

namespace {

void* symbol(const char* name) {
  const Library& lib = library();
  const auto known = std::find_if(std::begin(kFunctions), std::end(kFunctions),
                                  [name](const char* f) { return std::strcmp(f, name) == 0; });
  // A stand-in missing from kFunctions finds nothing and says so below, as a missing function does.
  void* fn = lib.handle && known != std::end(kFunctions) ? lib.functions[size_t(known - std::begin(kFunctions))]
                                                         : nullptr;
  if (lib.handle && !fn) qCWarning(lcEngine, "libmpv has no %s", name);
  return fn;
}

// What a call answers when libmpv (or the function) is missing: no handle, an error, nothing.
template <typename T>
T missing() {
  if constexpr (std::is_void_v<T>) {
    return;
  } else if constexpr (std::is_pointer_v<T>) {
    return nullptr;
  } else if constexpr (std::is_signed_v<T>) {
    return static_cast<T>(MPV_ERROR_UNINITIALIZED);
  } else {
    return T{};
  }
}

}  // namespace
}  // namespace vcd::engine

// The stand-ins: each looks its function up once and calls it.
#define VCD_LIBMPV_CALL(name, ...)                                                          \
  static const auto fn = reinterpret_cast<decltype(&::name)>(vcd::engine::symbol(#name));      \
  if (!fn) return vcd::engine::missing<decltype(fn(__VA_ARGS__))>();                           \
  return fn(__VA_ARGS__);

extern "C" {

unsigned long mpv_client_api_version(void) { VCD_LIBMPV_CALL(mpv_client_api_version) }
const char* mpv_error_string(int error) {
  if (!vcd::engine::libmpvLoaded().ok()) return "libmpv is not loaded";
  VCD_LIBMPV_CALL(mpv_error_string, error)
}
void mpv_free(void* data) { VCD_LIBMPV_CALL(mpv_free, data) }
mpv_handle* mpv_create(void) { VCD_LIBMPV_CALL(mpv_create) }
mpv_handle* mpv_create_client(mpv_handle* ctx, const char* name) { VCD_LIBMPV_CALL(mpv_create_client, ctx, name) }
void mpv_destroy(mpv_handle* ctx) { VCD_LIBMPV_CALL(mpv_destroy, ctx) }
void mpv_wakeup(mpv_handle* ctx) { VCD_LIBMPV_CALL(mpv_wakeup, ctx) }
int mpv_initialize(mpv_handle* ctx) { VCD_LIBMPV_CALL(mpv_initialize, ctx) }
void mpv_terminate_destroy(mpv_handle* ctx) { VCD_LIBMPV_CALL(mpv_terminate_destroy, ctx) }
int mpv_set_option_string(mpv_handle* ctx, const char* name, const char* data) {
  VCD_LIBMPV_CALL(mpv_set_option_string, ctx, name, data)
}
int mpv_command(mpv_handle* ctx, const char** args) { VCD_LIBMPV_CALL(mpv_command, ctx, args) }
int mpv_command_node(mpv_handle* ctx, mpv_node* args, mpv_node* result) {
  VCD_LIBMPV_CALL(mpv_command_node, ctx, args, result)
}
void mpv_free_node_contents(mpv_node* node) { VCD_LIBMPV_CALL(mpv_free_node_contents, node) }
int mpv_set_property(mpv_handle* ctx, const char* name, mpv_format format, void* data) {
  VCD_LIBMPV_CALL(mpv_set_property, ctx, name, format, data)
}
int mpv_set_property_string(mpv_handle* ctx, const char* name, const char* data) {
  VCD_LIBMPV_CALL(mpv_set_property_string, ctx, name, data)
}
int mpv_get_property(mpv_handle* ctx, const char* name, mpv_format format, void* data) {
  VCD_LIBMPV_CALL(mpv_get_property, ctx, name, format, data)
}
char* mpv_get_property_string(mpv_handle* ctx, const char* name) { VCD_LIBMPV_CALL(mpv_get_property_string, ctx, name) }
int mpv_observe_property(mpv_handle* mpv, uint64_t reply_userdata, const char* name, mpv_format format) {
  VCD_LIBMPV_CALL(mpv_observe_property, mpv, reply_userdata, name, format)
}
int mpv_request_log_messages(mpv_handle* ctx, const char* min_level) {
  VCD_LIBMPV_CALL(mpv_request_log_messages, ctx, min_level)
}
mpv_event* mpv_wait_event(mpv_handle* ctx, double timeout) { VCD_LIBMPV_CALL(mpv_wait_event, ctx, timeout) }
void mpv_set_wakeup_callback(mpv_handle* ctx, void (*cb)(void* d), void* d) {
  VCD_LIBMPV_CALL(mpv_set_wakeup_callback, ctx, cb, d)
}
int mpv_hook_add(mpv_handle* ctx, uint64_t reply_userdata, const char* name, int priority) {
  VCD_LIBMPV_CALL(mpv_hook_add, ctx, reply_userdata, name, priority)
}
int mpv_hook_continue(mpv_handle* ctx, uint64_t id) { VCD_LIBMPV_CALL(mpv_hook_continue, ctx, id) }
int mpv_stream_cb_add_ro(mpv_handle* ctx, const char* protocol, void* user_data, mpv_stream_cb_open_ro_fn open_fn) {
  VCD_LIBMPV_CALL(mpv_stream_cb_add_ro, ctx, protocol, user_data, open_fn)
}
int mpv_render_context_create(mpv_render_context** res, mpv_handle* mpv, mpv_render_param* params) {
  VCD_LIBMPV_CALL(mpv_render_context_create, res, mpv, params)
}
void mpv_render_context_set_update_callback(mpv_render_context* ctx, mpv_render_update_fn callback, void* callback_ctx) {
  VCD_LIBMPV_CALL(mpv_render_context_set_update_callback, ctx, callback, callback_ctx)
}
uint64_t mpv_render_context_update(mpv_render_context* ctx) { VCD_LIBMPV_CALL(mpv_render_context_update, ctx) }
int mpv_render_context_render(mpv_render_context* ctx, mpv_render_param* params) {
  VCD_LIBMPV_CALL(mpv_render_context_render, ctx, params)
}
void mpv_render_context_report_swap(mpv_render_context* ctx) { VCD_LIBMPV_CALL(mpv_render_context_report_swap, ctx) }
void mpv_render_context_free(mpv_render_context* ctx) { VCD_LIBMPV_CALL(mpv_render_context_free, ctx) }

}  // extern "C"
