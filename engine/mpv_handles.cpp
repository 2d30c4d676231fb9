#include "engine/mpv_handles.h"

#include <mpv/render.h>

#include <cstring>

namespace vcd::engine {

void EndCore::operator()(mpv_handle* mpv) const { mpv_terminate_destroy(mpv); }

void FreeRenderContext::operator()(mpv_render_context* render) const { mpv_render_context_free(render); }

void FreeMpvMemory::operator()(char* text) const { mpv_free(text); }

MpvString propertyString(mpv_handle* mpv, const char* name) { return MpvString(mpv_get_property_string(mpv, name)); }

MpvNode::~MpvNode() {
  if (m_node.format != MPV_FORMAT_NONE) mpv_free_node_contents(&m_node);
}

mpv_node* MpvNode::fill() {
  if (m_node.format != MPV_FORMAT_NONE) mpv_free_node_contents(&m_node);
  m_node = mpv_node{};
  return &m_node;
}

const mpv_node* MpvNode::find(const char* key) const {
  if (m_node.format != MPV_FORMAT_NODE_MAP || !m_node.u.list) return nullptr;
  const mpv_node_list& map = *m_node.u.list;
  for (int i = 0; i < map.num; ++i)
    if (std::strcmp(map.keys[i], key) == 0) return &map.values[i];
  return nullptr;
}

}  // namespace vcd::engine
