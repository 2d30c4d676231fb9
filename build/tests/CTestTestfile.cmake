# CMake generated Testfile for 
# Source directory: /work/main/tests
# Build directory: /work/main/build/tests
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
add_test([=[e2e_plays_demo_disc]=] "/work/main/tests/e2e/plays_disc_image.sh" "/work/main/build/vcdplayer" "/work/main/build/media/demo.cue" "/work/main/build/screenshots")
set_tests_properties([=[e2e_plays_demo_disc]=] PROPERTIES  TIMEOUT "180" _BACKTRACE_TRIPLES "/work/main/tests/CMakeLists.txt;27;add_test;/work/main/tests/CMakeLists.txt;0;")
