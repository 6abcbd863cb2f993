// One reset of the proxy's process-wide state between tests.
#pragma once

namespace testsupport {

// Puts every process-wide state of the proxy back as a fresh process has it:
// - the controller database: its entries, the storage systems, the running command, the discovery flags, the
//   event buffer, the reply buffers the reply callback fills;
// - the command executor: its initialisation and trace flags;
// - the CAPI library: the reply callback, the discovery hooks, the pass-through, the send path's report,
//   a multi-part reply under way, the compression buffer and switch, the device-gone flag;
// - the transport: the path cache, the processor device table, the SAS addresses;
// - the server: the "ips" flag;
// - the foundation: the debug log with its settings and switches, the capture files, the stop flag, the
//   service status handle and the service's file names.
// Call it in a fixture's SetUp and TearDown. Kernel objects and threads of a running proxy are left to their
// owners' shut-down (rreTerminate, the server's stop), and so is the command queue, which holds no command
// between commands.
void ResetProxyState();

}  // namespace testsupport
