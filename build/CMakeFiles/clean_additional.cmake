# Additional clean files
cmake_minimum_required(VERSION 3.16)

if("${CONFIG}" STREQUAL "" OR "${CONFIG}" STREQUAL "RelWithDebInfo")
  file(REMOVE_RECURSE
  "CMakeFiles/vcd_engine_autogen.dir/AutogenUsed.txt"
  "CMakeFiles/vcd_engine_autogen.dir/ParseCache.txt"
  "CMakeFiles/vcd_platform_autogen.dir/AutogenUsed.txt"
  "CMakeFiles/vcd_platform_autogen.dir/ParseCache.txt"
  "CMakeFiles/vcd_windows_autogen.dir/AutogenUsed.txt"
  "CMakeFiles/vcd_windows_autogen.dir/ParseCache.txt"
  "CMakeFiles/vcdplayer_autogen.dir/AutogenUsed.txt"
  "CMakeFiles/vcdplayer_autogen.dir/ParseCache.txt"
  "tests/CMakeFiles/vcd_test_support_autogen.dir/AutogenUsed.txt"
  "tests/CMakeFiles/vcd_test_support_autogen.dir/ParseCache.txt"
  "tests/vcd_test_support_autogen"
  "vcd_engine_autogen"
  "vcd_platform_autogen"
  "vcd_windows_autogen"
  "vcdplayer_autogen"
  )
endif()
