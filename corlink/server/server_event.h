// Server events: a message sent to every registered listener over a new TCP connection to the listener's
// address, on its number as port. The only event is the server's stop.
#pragma once

#include <cstdint>

#include "corlink/server/client.h"
#include "platform/time/system_time.h"

constexpr uint32_t SERVER_STOP_EVENT_LENGTH = 56;

// SERVER_STOP_EVENT for this local time: u32 3 (big-endian), month, day, years since 1900 (low 8 bits),
// hour, minute, second, day of the week, 0, u32 2 (big-endian), then zeros.
void BuildServerStopEvent(const SYSTEMTIME& localTime, uint8_t* event);

// Sends the event header and the payload to every listener, one connection after the other. A listener
// that does not accept the connection, or a failed send, is skipped; nothing is reported.
void SendAsyncEvent(ListenerList& listeners, const void* payload, uint32_t length);
