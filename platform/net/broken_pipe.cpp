#include "platform/net/broken_pipe.h"

#include <signal.h>

namespace {

// Runs when the platform library is mapped, before any code of the program writes.
const bool g_BrokenPipeIgnored = [] { return ::signal(SIGPIPE, SIG_IGN) != SIG_ERR; }();

}  // namespace

namespace platform {

bool InitChildSpawnAttributes(posix_spawnattr_t* attributes) {
    if (::posix_spawnattr_init(attributes) != 0) return false;
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    if (::posix_spawnattr_setsigdefault(attributes, &defaults) != 0 ||
        ::posix_spawnattr_setflags(attributes, POSIX_SPAWN_SETSIGDEF) != 0) {
        ::posix_spawnattr_destroy(attributes);
        return false;
    }
    return true;
}

}  // namespace platform
