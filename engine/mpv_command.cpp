#include "engine/mpv_command.h"

namespace vcd::mpv {

int namedCommand(mpv_handle* mpv, std::initializer_list<std::pair<const char*, const char*>> args, mpv_node* result) {
  NodeMap map;
  for (const auto& [key, value] : args) map.add(key, value);
  mpv_node cmd = map.node();
  mpv_node ignored;
  const int error = mpv_command_node(mpv, &cmd, result ? result : &ignored);
  if (!result && error >= 0) mpv_free_node_contents(&ignored);
  return error;
}

}  // namespace vcd::mpv
