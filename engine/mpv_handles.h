#pragma once
#include <QByteArray>
#include <mpv/client.h>

#include <memory>

struct mpv_render_context;

// Owners of what libmpv hands out: each gives it back when it goes, and none can be copied.
// Nothing else in the engine frees libmpv's memory by hand.
namespace vcd::engine {

struct EndCore {
  void operator()(mpv_handle* mpv) const;  // ends the core and waits for its threads
};
struct FreeRenderContext {
  void operator()(mpv_render_context* render) const;  // needs the render context's OpenGL context current
};
struct FreeMpvMemory {
  void operator()(char* text) const;
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

// A string libmpv allocated (a property's value as text); null when libmpv had none.
class MpvString {
 public:
  explicit MpvString(char* text = nullptr) : m_text(text) {}
  const char* get() const { return m_text.get(); }
  explicit operator bool() const { return m_text != nullptr; }
  // A copy of the text; empty when there is none.
  QByteArray bytes() const { return QByteArray(m_text ? m_text.get() : ""); }

 private:
  std::unique_ptr<char, FreeMpvMemory> m_text;
};

// A property's value as text (mpv_get_property_string).
MpvString propertyString(mpv_handle* mpv, const char* name);

// A node that libmpv fills in (a command's result). Its contents are freed when it goes, or
// when it is handed to libmpv to be filled again.
class MpvNode {
 public:
  MpvNode() = default;
  ~MpvNode();
  MpvNode(const MpvNode&) = delete;
  MpvNode& operator=(const MpvNode&) = delete;

  // Where libmpv writes the node: whatever it held before is freed first.
  mpv_node* fill();
  const mpv_node& node() const { return m_node; }
  // The value under `key` when the node is a map holding it, else nullptr.
  const mpv_node* find(const char* key) const;

 private:
  mpv_node m_node{};  // MPV_FORMAT_NONE until filled
};

}  // namespace vcd::engine
