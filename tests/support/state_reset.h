// Resets of the proxy's process-wide state between tests, one per layer. Each puts its layer's state, and
// that of every layer below it, back as a fresh process has it; a test calls the one of the highest layer it
// links, in its fixture's SetUp and TearDown. Kernel objects and threads of a running proxy are left to their
// owners' shut-down (rreTerminate, the server's stop), and so is the command queue, which holds no command
// between commands.
#pragma once

namespace testsupport {

// The foundation: the debug log with its settings and switches, the capture files, the stop flag, the
// service status handle and the service's file names.
void ResetFoundationState();

// The CAPI library: the reply callback, the discovery hooks, the pass-through, the send path's report, a
// multi-part reply under way, the compression buffer and switch, the device-gone flag; and the foundation.
void ResetCapiState();

// The in-band transport: the path cache, the processor device table, the last transfer's length, the host
// adapters, the SAS addresses; and the layers below.
void ResetTransportState();

// The controller database: its entries, the storage systems, the running command, the discovery flags, the
// event buffer, the reply buffers the reply callback fills; and the layers below.
void ResetDatabaseState();

// The command executor's trace flag and the server's "ips" flag; and the layers below.
void ResetProxyState();

}  // namespace testsupport
