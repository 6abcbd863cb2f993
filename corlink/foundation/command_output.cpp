// A command run with its standard output in a file, followed by a note of the command itself.
#include <string>

#include "corlink/foundation/log.h"
#include "corlink/foundation/utilities.h"
#include "platform/files/regular_files.h"
#include "platform/system/process.h"
#include "platform/windows_api.h"

namespace {

void WriteText(HANDLE file, const std::string& text) {
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

int RunCommandIntoFile(const char* outputFile, const char* program, const char* arguments) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE file =
        CreateFileA(outputFile, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    const std::string commandText = FormatString("%s %s", program, arguments);
    std::string commandLine = commandText;
    STARTUPINFOA startup{
        sizeof(STARTUPINFOA), STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW, SW_HIDE, nullptr, file, nullptr};
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &started)) {
        DebugPrint("CreateProcess failed: 0x%x\n", static_cast<unsigned>(GetLastError()));
        CloseHandle(file);
        return 0;
    }
    WaitForSingleObject(started.hProcess, INFINITE);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    WriteText(file, "\nCommand:\n");
    WriteText(file, commandText + "\n");
    WriteText(file, "\n-------End-------\n");
    CloseHandle(file);
    return 1;
}
