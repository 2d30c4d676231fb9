#pragma once
#include "disc/result.h"

// libmpv is loaded at run time, not when the program starts: it brings some two hundred
// libraries (FFmpeg, the audio and video back ends) whose loading took a good part of the time to
// the first picture before main() even ran. Every libmpv function the engine calls goes through
// a stand-in of the same name (mpv_library.cpp) that waits for the library and calls it.
namespace vcd::engine {

// Starts loading libmpv on a thread of its own (once; later calls do nothing).
void loadLibmpvAhead();
// Waits until libmpv is loaded; a failure carrying the loader's reason when it cannot be.
disc::Result<void> libmpvLoaded();

}  // namespace vcd::engine
