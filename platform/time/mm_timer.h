// The multimedia timer: a callback run on a thread of its own after a delay, once or periodically. The
// delay goes through the platform clock (scaled by CORLINK_TIME_SCALE, virtual in tests).
#pragma once

#include <cstdint>

#include "platform/win_types.h"

using DWORD_PTR = uintptr_t;
using MMRESULT = UINT;
using LPTIMECALLBACK = void (*)(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR reserved1,
                                DWORD_PTR reserved2);

constexpr UINT TIME_ONESHOT = 0x0000;
constexpr UINT TIME_PERIODIC = 0x0001;
constexpr MMRESULT TIMERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;

// The timer's id, or 0 when it cannot be started. The resolution is not used.
MMRESULT timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT event);
// Stops the timer: no callback starts afterwards, and one that is running has finished when this returns
// (unless the callback itself stops its timer). MMSYSERR_INVALPARAM for an id that names no timer.
MMRESULT timeKillEvent(UINT timerId);
