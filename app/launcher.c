/* vcdplayer: loads the player, libvcdplayer.so, and runs it. Installed, the library is in the
 * program's private folder (VCD_PRIVATE_LIBDIR, next to bin); in the build tree it is beside this
 * program. Both are found from this program's own place (/proc/self/exe): not through a run path,
 * which a dlopen reached through an interposed one (a sanitizer's) would not see.
 *
 * The player is loaded as a library of its own, with its libraries kept in its local scope, so
 * that Qt's fifty-odd libraries are not in the program's global scope: every symbol that libmpv's
 * two hundred libraries and the OpenGL driver look up as they load (both loaded at run time)
 * searches the global scope first, and finds it small. That takes 10-15 ms off a cold start.
 */
#include <dlfcn.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#define PLAYER "libvcdplayer.so"

/* Says why in one line; 127 is the shell's code for a program it cannot run. */
static int fail(const char* why) {
  fprintf(stderr, "vcdplayer: the player cannot be loaded: %s\n", why);
  return 127;
}

int main(int argc, char** argv) {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  char* slash = NULL;
  if (length > 0 && (size_t)length < sizeof path) {
    path[length] = '\0';
    slash = strrchr(path, '/');
  }
  if (slash == NULL) return fail("this program's own place is not known (/proc/self/exe)");
  const size_t folder = (size_t)(slash - path) + 1;
  const size_t room = sizeof path - folder;
  const int installed = snprintf(path + folder, room, "../%s/%s", VCD_PRIVATE_LIBDIR, PLAYER);
  if (installed < 0 || (size_t)installed >= room || access(path, F_OK) != 0) snprintf(path + folder, room, "%s", PLAYER);
  void* player = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (player == NULL) return fail(dlerror());
  int (*run)(int, char**) = (int (*)(int, char**))dlsym(player, "vcdplayer_main");
  if (run == NULL) return fail(dlerror());
  return run(argc, argv);
}
