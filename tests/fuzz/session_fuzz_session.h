// The session side of the session fuzzer, kept apart from the system's socket headers.
#pragma once

// The configured user and password of the fuzzed proxy.
void PrepareSessionFuzzing();
// Runs one session on the connected descriptor until it ends, then closes the descriptor.
void RunFuzzedSession(int fd, bool ipsMode);
