#include "platform/devices/device_notification.h"

#include <memory>

#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"

namespace {
class DeviceNotification final : public platform::Object {};
}  // namespace

HDEVNOTIFY RegisterDeviceNotificationA(HANDLE recipient, LPVOID notificationFilter, DWORD) {
    if (recipient == nullptr || notificationFilter == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return platform::NewHandle(std::make_shared<DeviceNotification>());
}

BOOL UnregisterDeviceNotification(HDEVNOTIFY handle) {
    if (!platform::LookupHandleAs<DeviceNotification>(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return CloseHandle(handle);
}
