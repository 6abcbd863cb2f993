// The heart-beat timer of the server, and the event connection to a listener. Constructing it builds the
// program's file paths and opens the debug log, so that the log is open before main runs.
#pragma once

#include <cstdint>

#include "corlink/server/client.h"
#include "platform/time/mm_timer.h"

class CRRESocket;

// The heart beat's period.
constexpr UINT HEARTBEAT_PERIOD_MS = 60000;

// Results of CAsyncEvent::SetupConnect.
enum SetupConnectResult : int {
    SETUP_CONNECTED = 0,
    SETUP_NO_SOCKET = 1,
    SETUP_NO_CONNECTION = 7,
};

class CAsyncEvent {
  public:
    CAsyncEvent();
    ~CAsyncEvent();
    CAsyncEvent(const CAsyncEvent&) = delete;
    CAsyncEvent& operator=(const CAsyncEvent&) = delete;

    // Starts the periodic heart beat over these listeners; 1 started, 0 failed.
    int Setup(ListenerList* listeners);
    // Kills the timer; the id stays as it was.
    void Kill();
    // Kills the timer and forgets its id.
    void Stop();

    // Opens socket and connects it to the listener's address, on the listener's number as port.
    static int SetupConnect(CClient* client, CRRESocket* socket);

  private:
    MMRESULT m_TimerId = 0;
};
