#include "platform/files/file_io.h"

#include "platform/devices/device_io.h"
#include "platform/files/regular_files.h"
#include "platform/kernel/last_error.h"
#include "platform/net/named_pipe.h"

namespace {

std::shared_ptr<platform::Stream> StreamOf(HANDLE file) {
    auto stream = platform::LookupHandleAs<platform::Stream>(file);
    if (!stream) SetLastError(ERROR_INVALID_HANDLE);
    return stream;
}

}  // namespace

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD flags,
                   HANDLE) {
    const bool deviceOrPipe = name != nullptr && (platform::IsDevicePath(name) || platform::IsPipeName(name));
    if (name == nullptr || (deviceOrPipe && disposition != OPEN_EXISTING)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (platform::IsDevicePath(name)) return platform::OpenDevice(name);
    if (platform::IsPipeName(name))
        return platform::OpenPipeClient(name, (flags & FILE_FLAG_OVERLAPPED) != 0);
    return platform::OpenRegularFile(name, access, disposition);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD done, OVERLAPPED* overlapped) {
    auto stream = StreamOf(file);
    return stream ? stream->Read(buffer, count, done, overlapped) : FALSE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD done, OVERLAPPED* overlapped) {
    auto stream = StreamOf(file);
    return stream ? stream->Write(buffer, count, done, overlapped) : FALSE;
}

BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, LPDWORD done, BOOL wait) {
    auto stream = StreamOf(file);
    return stream ? stream->Result(overlapped, done, wait) : FALSE;
}

BOOL CancelIo(HANDLE file) {
    auto stream = StreamOf(file);
    return stream ? stream->Cancel() : FALSE;
}
