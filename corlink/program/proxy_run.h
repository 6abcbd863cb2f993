// The proxy's run: configuration, the command executor, the TCP server, the wait for the stop request
// and the ordered shut-down.
#pragma once

#include <cstdint>

// Runs the proxy until it has stopped; the result of the final status report (1 reported, 0 not).
int RREMain(int argc, char** argv);
// Creates the run's semaphores and starts the TCP server: 0 when it runs, -1 when it could not start
// (what had been started is torn down again).
int StartRreCommunication(int argc, char** argv);
// The stop request: reports STOP_PENDING and raises the stop flag. May be called more than once.
void RRECommServiceStop();
// The ordered tear-down of the TCP server; each wait is bounded.
void DoShutDown();

// Bounds of DoShutDown's waits, in one-second polls: the shut-down flag, then the worker threads. Both
// stay within the 120-second stop hint given to the service control manager.
constexpr int32_t SHUTDOWN_FLAG_POLLS = 10;
constexpr int32_t SHUTDOWN_THREAD_POLLS = 100;
