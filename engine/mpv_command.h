#pragma once
#include "engine/mpv_handles.h"

#include <mpv/client.h>

#include <initializer_list>
#include <utility>
#include <vector>

// libmpv commands with named arguments. Positional arguments changed meaning between libmpv
// releases (loadfile gained an index before its options in 0.38); names stay.
namespace vcd::engine {

// A map node of string (or map) values for mpv_command_node. It points into the strings and
// nodes it is given, which must outlive the call.
class NodeMap {
 public:
  void add(const char* key, const char* value) {
    mpv_node node{};
    node.format = MPV_FORMAT_STRING;
    node.u.string = const_cast<char*>(value);
    add(key, node);
  }
  void add(const char* key, const mpv_node& value) {
    m_keys.push_back(const_cast<char*>(key));
    m_values.push_back(value);
  }
  // Valid until the next add().
  mpv_node node() {
    m_list.num = static_cast<int>(m_values.size());
    m_list.keys = m_keys.data();
    m_list.values = m_values.data();
    mpv_node node{};
    node.format = MPV_FORMAT_NODE_MAP;
    node.u.list = &m_list;
    return node;
  }

 private:
  std::vector<char*> m_keys;
  std::vector<mpv_node> m_values;
  mpv_node_list m_list{};
};

// Runs a command whose arguments are all strings: {{"name", "seek"}, {"target", "0"}, ...}.
// Returns libmpv's error code (>= 0 on success); `result` (optional) receives the command's result.
int namedCommand(mpv_handle* mpv, std::initializer_list<std::pair<const char*, const char*>> args,
                 MpvNode* result = nullptr);
// Runs a command built as a node map; the same returns.
int namedCommand(mpv_handle* mpv, NodeMap& command, MpvNode* result = nullptr);

}  // namespace vcd::engine
