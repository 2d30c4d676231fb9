#include "engine/mpv_command.h"

namespace vcd::engine {

int namedCommand(mpv_handle* mpv, NodeMap& command, MpvNode* result) {
  mpv_node cmd = command.node();
  MpvNode ignored;
  return mpv_command_node(mpv, &cmd, (result ? result : &ignored)->fill());
}

int namedCommand(mpv_handle* mpv, std::initializer_list<std::pair<const char*, const char*>> args, MpvNode* result) {
  NodeMap command;
  for (const auto& [key, value] : args) command.add(key, value);
  return namedCommand(mpv, command, result);
}

}  // namespace vcd::engine
