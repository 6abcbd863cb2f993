#include "platform/kernel/last_error.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

struct SystemText {
    DWORD code;
    const char* text;
};

// The system's texts for the codes this system reports.
constexpr SystemText kSystemTexts[] = {
    // clang-format off
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, "Incorrect function."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command."},
    {ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
    {ERROR_DEV_NOT_EXIST, "The specified network resource or device is no longer available."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_MORE_DATA, "More data is available."},
    {ERROR_NO_MORE_ITEMS, "No more data is available."},
    {ERROR_NOT_OWNER, "Attempt to release mutex not owned by caller."},
    {ERROR_TOO_MANY_POSTS, "Too many posts were made to a semaphore."},
    {ERROR_KEY_DELETED, "Illegal operation attempted on a registry key that has been marked for deletion."},
    {120, "This function is not supported on this system."},
    {122, "The data area passed to a system call is too small."},
    {1053, "The service did not respond to the start or control request in a timely fashion."},
    {1060, "The specified service does not exist as an installed service."},
    {1061, "The service cannot accept control messages at this time."},
    {1062, "The service has not been started."},
    {1063, "The service process could not connect to the service controller."},
    {1073, "The specified service already exists."},
    {1083, "The executable program that this service is configured to run in does not implement the service."},
    {1326, "The user name or password is incorrect."},
    {10035, "A non-blocking socket operation could not be completed immediately."},
    {10048, "Only one usage of each socket address (protocol/network address/port) is normally permitted."},
    {10053, "An established connection was aborted by the software in your host machine."},
    {10054, "An existing connection was forcibly closed by the remote host."},
    {10060, "A connection attempt failed because the connected party did not properly respond after a period "
            "of time, or established connection failed because connected host has failed to respond."},
    {10061, "No connection could be made because the target machine actively refused it."},
    // clang-format on
};

const char* FindText(DWORD code) {
    for (const SystemText& t : kSystemTexts) {
        if (t.code == code) return t.text;
    }
    return nullptr;
}

}  // namespace

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD code) { t_lastError = code; }

DWORD FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPSTR buffer, DWORD size, void*) {
    const char* text = (flags & FORMAT_MESSAGE_FROM_SYSTEM) ? FindText(messageId) : nullptr;
    if (text == nullptr || buffer == nullptr) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    size_t length = std::strlen(text) + 2;  // with "\r\n"
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        char* block = static_cast<char*>(std::malloc(length + 1));
        if (block == nullptr) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        std::snprintf(block, length + 1, "%s\r\n", text);
        *reinterpret_cast<char**>(buffer) = block;
        return static_cast<DWORD>(length);
    }
    if (length + 1 > size) {
        SetLastError(122);  // ERROR_INSUFFICIENT_BUFFER
        return 0;
    }
    std::snprintf(buffer, size, "%s\r\n", text);
    return static_cast<DWORD>(length);
}

void* LocalFree(void* block) {
    std::free(block);
    return nullptr;
}

namespace platform {

DWORD WinErrorFromErrno(int err) {
    switch (err) {
        case 0: return ERROR_SUCCESS;
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS: return ERROR_ACCESS_DENIED;
        case EBADF: return ERROR_INVALID_HANDLE;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        case EEXIST: return ERROR_ALREADY_EXISTS;
        case ENXIO:
        case ENODEV: return ERROR_DEV_NOT_EXIST;
        case EINVAL: return ERROR_INVALID_PARAMETER;
        case ENOTEMPTY: return ERROR_ACCESS_DENIED;
        default: return ERROR_GEN_FAILURE;
    }
}

}  // namespace platform
