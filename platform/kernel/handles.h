// Windows handles over our own objects: every HANDLE the platform hands out names one entry of a
// process-wide table that keeps its object alive until CloseHandle.
#pragma once

#include <memory>

#include "platform/win_types.h"

namespace platform {

class Object {
  public:
    virtual ~Object() = default;
};

HANDLE NewHandle(std::shared_ptr<Object> object);
// The object behind a handle, or null (last error ERROR_INVALID_HANDLE) for a handle that is not open.
std::shared_ptr<Object> LookupHandle(HANDLE handle);

template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

}  // namespace platform

BOOL CloseHandle(HANDLE handle);
