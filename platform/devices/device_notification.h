// Device-interface arrival and removal notifications. This platform has no device events to send, so a
// registration succeeds and nothing is ever delivered.
#pragma once

#include "platform/com/guid.h"
#include "platform/win_types.h"

using HDEVNOTIFY = void*;

constexpr DWORD DBT_DEVTYP_DEVICEINTERFACE = 5;
constexpr DWORD DBT_DEVICEARRIVAL = 0x8000;
constexpr DWORD DBT_DEVICEREMOVECOMPLETE = 0x8004;
constexpr DWORD DEVICE_NOTIFY_SERVICE_HANDLE = 1;
constexpr DWORD DEVICE_NOTIFY_ALL_INTERFACE_CLASSES = 4;

struct DEV_BROADCAST_DEVICEINTERFACE_A {
    DWORD dbcc_size;
    DWORD dbcc_devicetype;
    DWORD dbcc_reserved;
    GUID dbcc_classguid;
    char dbcc_name[1];
};
static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) == 32, "the filter is 32 bytes");

// A handle for the registration, or null (ERROR_INVALID_PARAMETER) for a missing recipient or filter.
HDEVNOTIFY RegisterDeviceNotificationA(HANDLE recipient, LPVOID notificationFilter, DWORD flags);
// FALSE (ERROR_INVALID_HANDLE) for a null handle.
BOOL UnregisterDeviceNotification(HDEVNOTIFY handle);
