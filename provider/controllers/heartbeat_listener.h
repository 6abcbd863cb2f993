// The heart-beat pipe "\\.\pipe\DODO_Rivoz_<n>" that the proxy opens every 60 seconds for each registered
// listener, served on the provider's one thread of its own: a heart beat is answered with a heart-beat
// header of the session's next sequence and cookie.
#pragma once

#include <cstdint>

// The number the session registers (process id AND 0xFFFF).
uint32_t listener_number();
// Creates the pipe and starts its serving thread; a listener still running is stopped first. 0, or 1 when
// the pipe cannot be created.
int create_listen();
// Stops the listener: sets its stop flag, wakes its thread and joins it (the thread closes its pipe).
void stop_listener();
// 1 while a listener's thread runs (the library that holds its code must stay loaded), else 0.
int listener_running();
// Deletes the pipe's name; 1 when deleted, 0 when not (the usual outcome).
int delete_listener();
// 1 when the message's DataType is PROXY_HEARTBEAT.
int is_heartbeat(const uint8_t* message);
