// A write to a pipe or a connection whose reader has gone fails (EPIPE) and the program runs on, as it does
// on Windows: the platform ignores SIGPIPE from the moment it is loaded. Programs it starts get the
// signal's default action back, as they would from a shell.
#pragma once

#include <spawn.h>

namespace platform {

// Spawn attributes that give a started program SIGPIPE's default action; destroy them after the spawn.
// False (nothing to destroy) when they could not be made.
bool InitChildSpawnAttributes(posix_spawnattr_t* attributes);

}  // namespace platform
