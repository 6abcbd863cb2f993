// Switches of the run chosen on the command line.
#pragma once

// The "ips" argument was given: the server listens on every interface and sessions carry raw packets.
extern bool g_IpsMode;
