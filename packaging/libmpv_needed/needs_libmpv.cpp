// Not installed: a program linked against libmpv, whose dependencies dpkg-shlibdeps reads to name
// the libmpv package the player loads at run time.
#include <mpv/client.h>
int main() { return mpv_client_api_version() == 0; }
