#pragma once
#include <memory>

struct mpv_handle;
struct mpv_render_context;

// Owners of libmpv's handles: each ends its handle when it goes, and none can be copied.
namespace vcd::mpv {

struct EndCore {
  void operator()(mpv_handle* mpv) const;  // ends the core and waits for its threads
};
struct FreeRenderContext {
  void operator()(mpv_render_context* render) const;  // needs the render context's OpenGL context current
};

// A libmpv core, handed to libmpv's calls as the mpv_handle* it owns.
class MpvCore {
 public:
  explicit MpvCore(mpv_handle* mpv = nullptr) : m_mpv(mpv) {}
  operator mpv_handle*() const { return m_mpv.get(); }
  mpv_handle* get() const { return m_mpv.get(); }
  // Ends the core now.
  void reset() { m_mpv.reset(); }

 private:
  std::unique_ptr<mpv_handle, EndCore> m_mpv;
};

using RenderContext = std::unique_ptr<mpv_render_context, FreeRenderContext>;

}  // namespace vcd::mpv
