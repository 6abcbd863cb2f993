#include "corlink/foundation/console.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "corlink/foundation/console_text.h"
#include "platform/windows_api.h"

namespace {

struct CaptureFile {
    FILE* stream = nullptr;
    std::string name;

    void Close() {
        if (stream != nullptr) std::fclose(stream);
        stream = nullptr;
        name.clear();
    }
    // Opens (truncating) for reading and writing; false leaves the capture closed.
    bool Open(const char* newName) {
        Close();
        name = newName;
        stream = platform::OpenFile(newName, "w+");
        if (stream == nullptr) name.clear();
        return stream != nullptr;
    }
    void Write(const char* text) {
        if (stream == nullptr) return;
        std::fputs(text, stream);
        std::fflush(stream);
    }
};

CaptureFile g_EchoCapture;
CaptureFile g_ListCapture;
bool g_ConsoleColour = true;
HANDLE g_ConsoleOutput = nullptr;
HANDLE g_ConsoleInput = nullptr;

constexpr WORD kDefaultAttribute = 7;
constexpr int kListType = 7;

WORD AttributeOf(int type) {
    switch (type) {
        case 1: return 11;
        case 2: return 15;
        case 4: return 14;
        case 5: return 12;
        case 6: return 6;
        default: return kDefaultAttribute;
    }
}

}  // namespace

void ConsoleInit() {
    g_ConsoleOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    g_ConsoleInput = GetStdHandle(STD_INPUT_HANDLE);
}

void ConsolePrint(int type, const char* format, ...) {
    constexpr size_t kBufferSize = 65536;
    std::vector<char> text(kBufferSize, '\0');
    if (type == 1) {
        std::snprintf(text.data(), kBufferSize, "%s", format);
    } else {
        va_list args;
        va_start(args, format);
        int n = FormatArgs(text.data(), kBufferSize, format, args);
        va_end(args);
        if (n < 0) return;
    }
    if (type == kListType) {
        g_ListCapture.Write(text.data());
    } else {
        HANDLE out = g_ConsoleOutput != nullptr ? g_ConsoleOutput : GetStdHandle(STD_OUTPUT_HANDLE);
        DWORD mode = 0;
        if (g_ConsoleColour && GetConsoleMode(out, &mode)) {
            // The colour goes to the console at once: the text it applies to must follow it directly.
            ConsoleWriteDirectly(
                [&] {
                    SetConsoleTextAttribute(out, AttributeOf(type));
                    std::fputs(text.data(), stdout);
                    SetConsoleTextAttribute(out, kDefaultAttribute);
                },
                text.data());
        } else {
            ConsoleWrite(text.data());
        }
        g_EchoCapture.Write(text.data());
    }
    DebugPrint("%s", text.data());
}

void OpenCaptureFiles(const char* listCapture, const char* echoCapture) {
    if (echoCapture != nullptr && *echoCapture != '\0') {
        if (!g_EchoCapture.Open(echoCapture)) return;
    }
    if (listCapture != nullptr && *listCapture != '\0') g_ListCapture.Open(listCapture);
}

void CloseCaptureFiles(CaptureRole role) {
    if (role != CaptureRole::List) g_EchoCapture.Close();
    if (role != CaptureRole::Echo) g_ListCapture.Close();
}
