/* vcdplayer: loads the player (libvcdplayer.so, beside this program in the build tree and in
 * lib/<architecture>/vcdplayer of the installed tree, found through this program's run path)
 * and runs it.
 *
 * The player is loaded as a library of its own, with its libraries kept in its local scope, so
 * that Qt's fifty-odd libraries are not in the program's global scope: every symbol that libmpv's
 * two hundred libraries and the OpenGL driver look up as they load (both loaded at run time)
 * searches the global scope first, and finds it small. That takes 10-15 ms off a cold start.
 */
#include <dlfcn.h>
#include <stdio.h>

int main(int argc, char** argv) {
  void* player = dlopen("libvcdplayer.so", RTLD_NOW | RTLD_LOCAL);
  if (player == NULL) {
    fprintf(stderr, "vcdplayer: the player cannot be loaded: %s\n", dlerror());
    return 127;
  }
  int (*run)(int, char**) = (int (*)(int, char**))dlsym(player, "vcdplayer_main");
  if (run == NULL) {
    fprintf(stderr, "vcdplayer: the player cannot be loaded: %s\n", dlerror());
    return 127;
  }
  return run(argc, argv);
}
