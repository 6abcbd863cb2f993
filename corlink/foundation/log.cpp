#include "corlink/foundation/log.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "corlink/foundation/console_text.h"
#include "corlink/foundation/log_internal.h"
#include "corlink/foundation/log_switches.h"
#include "corlink/foundation/service_params.h"
#include "corlink/foundation/utilities.h"
#include "platform/files/crt_files.h"
#include "platform/windows_api.h"

DEBUG_CONFIG DebugConfig;  // all zero until OpenDebugFile: nothing is written before it

std::atomic<uint32_t> g_MultipathLogLevel{0};
std::atomic<bool> g_ScsiVerbose{false};
std::atomic<bool> g_ResolveAllDiskNames{false};
std::atomic<bool> g_VerboseReplyStorage{false};
std::atomic<bool> gDisableCSMI{false};
std::atomic<bool> g_HexDumpsToFile{false};

namespace {

constexpr const char* kServiceKey = "SYSTEM\\CurrentControlSet\\Services\\corlink4";
constexpr const char* kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

FILE* g_LogFile = nullptr;
int g_RefCount = 0;
uint32_t g_CallCounter = 0;  // wraps like the signed counter it stands for
bool g_AtLineStart = true;
thread_local uint32_t t_LoggedThreadId = 0;  // 0: the calling thread

// The log's lock: recursive, since a log call may log (DebugPrint writes through DebugWrite). Never
// destroyed: threads log on their way out. A thread that has to wait for it counts as blocked for the
// virtual clock, in case the holder sleeps (the pause option, the open retries).
std::recursive_mutex& LogLock() {
    static auto* lock = new std::recursive_mutex;
    return *lock;
}

const char* MonthName(WORD month) { return kMonthNames[(month + 11) % 12]; }

// The registry values of the settings, in the order they are read.
struct DwordSetting {
    const char* name;
    uint32_t DEBUG_CONFIG::*field;
    bool asFlag;  // any non-zero value is stored as 1
};
constexpr DwordSetting kDwordSettings[] = {
    // clang-format off
    {"ToFile", &DEBUG_CONFIG::ToFile, true},
    {"ToDebugger", &DEBUG_CONFIG::ToDebugger, true},
    {"TimeStamp", &DEBUG_CONFIG::TimeStamp, true},
    {"ForceFlush", &DEBUG_CONFIG::ForceFlush, true},
    {"MaxFileLength", &DEBUG_CONFIG::MaxFileLength, false},
    {"Options", &DEBUG_CONFIG::Options, false},
    // clang-format on
};

bool ReadDword(HKEY key, const char* name, uint32_t* value) {
    DWORD type = 0;
    DWORD size = sizeof(uint32_t);
    uint32_t v = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(uint32_t)) {
        return false;
    }
    *value = v;
    return true;
}

void ReadFileName(HKEY key, DEBUG_CONFIG* config) {
    char name[sizeof config->FileName];
    DWORD type = 0;
    DWORD size = sizeof name - 1;
    if (RegQueryValueExA(key, "FileName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return;
    }
    name[size] = '\0';  // the registry's length, bounded by the field
    std::memcpy(config->FileName, name, size + 1);
}

void ApplyOptions(uint32_t options) {
    g_MultipathLogLevel = options & 3;
    if (options & 0x10) Sleep(10000);
    if (options & 0x20) g_ScsiVerbose = true;
    g_ResolveAllDiskNames = (options & 0x40) != 0;
    g_VerboseReplyStorage = (options & 0x40) != 0;
}

// Empties the log file once it is longer than MaxFileLength; 1 when no file is open.
int CheckFileLength() {
    if (g_LogFile == nullptr) return 1;
    if (DebugConfig.MaxFileLength == 0) return 0;
    std::fflush(g_LogFile);
    const int fd = _fileno(g_LogFile);
    const int64_t length = _filelengthi64(fd);
    if (length > static_cast<int64_t>(DebugConfig.MaxFileLength) && _chsize_s(fd, 0) == 0) {
        std::fseek(g_LogFile, 0, SEEK_END);
        DebugWrite("Truncated debug file, length was %" PRId64 ", current PID = %04d\n", length,
                   static_cast<int>(GetCurrentProcessId()));
    }
    return 0;
}

// The time prefix of a log line: "Mon dd, yyyy hh:mm:ss.mmm [thread]: ".
void WriteTimePrefix() {
    TIME_ZONE_INFORMATION zone;
    GetTimeZoneInformation(&zone);
    SYSTEMTIME utc, local;
    GetSystemTime(&utc);
    SystemTimeToTzSpecificLocalTime(&zone, &utc, &local);
    char prefix[128];
    std::snprintf(prefix, sizeof prefix, "%s %02u, %u %02u:%02u:%02u.%03u [%04d]: ", MonthName(local.wMonth),
                  local.wDay, local.wYear, local.wHour, local.wMinute, local.wSecond, local.wMilliseconds,
                  static_cast<int>(t_LoggedThreadId != 0 ? t_LoggedThreadId : GetCurrentThreadId()));
    std::fputs(prefix, g_LogFile);
}

void WriteFragment(const char* fragment, size_t length) {
    const bool toFile = g_LogFile != nullptr && DebugConfig.ToFile;
    if (DebugConfig.TimeStamp && g_AtLineStart) {
        if (toFile) WriteTimePrefix();  // only the file shows it
        g_AtLineStart = false;
    }
    if (DebugConfig.ToDebugger || (g_LogFile == nullptr && DebugConfig.ToFile)) {
        OutputDebugStringA(std::string(fragment, length).c_str());
    }
    if (toFile) {
        std::fwrite(fragment, 1, length, g_LogFile);
        if (DebugConfig.ForceFlush) std::fflush(g_LogFile);
    }
    if (length > 0 && fragment[length - 1] == '\n') g_AtLineStart = true;
}

void WriteText(const char* text) {
    const char* p = text;
    while (*p != '\0') {
        const char* lineEnd = std::strchr(p, '\n');
        size_t length = lineEnd != nullptr ? static_cast<size_t>(lineEnd - p + 1) : std::strlen(p);
        WriteFragment(p, length);
        p += length;
    }
}

void VDebugWrite(const char* format, va_list args) {
    DebugLogHold hold;
    ++g_CallCounter;
    if (g_CallCounter % 100 == 0) {
        QueryDebugKeys(&DebugConfig);
        CheckFileLength();
    }
    char text[4096];
    if (FormatArgs(text, sizeof text, format, args) < 0) return;
    WriteText(text);
}

void WriteBanner() {
    std::fputs(std::string(80, '#').append("\n").c_str(), g_LogFile);
    SYSTEMTIME t;
    GetLocalTime(&t);
    std::fprintf(g_LogFile, "# Debug file opened on %s %02u, %u %02u:%02u:%02u.%03u [PID=%04d].\n",
                 MonthName(t.wMonth), t.wDay, t.wYear, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds,
                 static_cast<int>(GetCurrentProcessId()));
    DebugWrite("Current debug configuration:\n");
    DebugWrite("    FileName=%s\n", DebugConfig.FileName);
    DebugWrite("    ToFile=%u\n", DebugConfig.ToFile);
    DebugWrite("    ToDebugger=%u\n", DebugConfig.ToDebugger);
    DebugWrite("    TimeStamp=%u\n", DebugConfig.TimeStamp);
    DebugWrite("    ForceFlush=%u\n", DebugConfig.ForceFlush);
    DebugWrite("    MaxFileLength=%u\n", DebugConfig.MaxFileLength);
    DebugWrite("    Options=%u\n", DebugConfig.Options);
    DebugWrite("    Name=%s\n", g_ServiceParamName);
    DebugWrite("    Version=%s\n", g_ServiceParamVersion);
}

}  // namespace

int FormatArgs(char* buffer, size_t size, const char* format, va_list args) {
    if (buffer == nullptr || size == 0) return -1;
    int n = std::vsnprintf(buffer, size, format, args);
    buffer[size - 1] = '\0';
    return n;
}

void DebugWrite(const char* format, ...) {
    va_list args;
    va_start(args, format);
    VDebugWrite(format, args);
    va_end(args);
}

void DebugPrint(const char* format, ...) {
    char message[2048];
    va_list args;
    va_start(args, format);
    int n = FormatArgs(message, sizeof message, format, args);
    va_end(args);
    if (n < 0) return;
    // The echo does not hold the log's lock, and a thread that writes the console's text out does not keep
    // others (a command under the state-change mutex among them) from logging.
    if (g_DebugConsole) ConsoleWrite(message);
    DebugWrite("%s", message);
}

LogLinesOfThread::LogLinesOfThread(uint32_t threadId) : previous_(t_LoggedThreadId) {
    t_LoggedThreadId = threadId;
}

LogLinesOfThread::~LogLinesOfThread() { t_LoggedThreadId = previous_; }

int QueryDebugKeys(DEBUG_CONFIG* config) {
    HKEY service = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceKey, 0, KEY_READ, &service) != ERROR_SUCCESS) return 0;
    HKEY debug = nullptr;
    if (RegOpenKeyExA(service, "Debug", 0, KEY_READ, &debug) != ERROR_SUCCESS) {
        RegCloseKey(service);
        return 0;
    }
    uint32_t disableCsmi = 0;
    if (!ReadDword(debug, "DisableCSMI", &disableCsmi)) gDisableCSMI = false;
    ReadFileName(debug, config);
    for (const DwordSetting& s : kDwordSettings) {
        uint32_t value = 0;
        if (!ReadDword(debug, s.name, &value)) continue;
        if (s.field == &DEBUG_CONFIG::ToFile) g_HexDumpsToFile = (value & 2) != 0;
        config->*s.field = s.asFlag ? (value != 0 ? 1 : 0) : value;
        if (s.field == &DEBUG_CONFIG::Options) ApplyOptions(value);
    }
    RegCloseKey(debug);
    RegCloseKey(service);
    return 0;
}

int OpenDebugFile(const char* nameOverride) {
    DebugLogHold hold;
    DebugPrint("OpenDebugFile\n");
    std::memset(&DebugConfig, 0, sizeof DebugConfig);
    DebugConfig.ToFile = 1;
    DebugConfig.ForceFlush = 1;
    DebugConfig.TimeStamp = 1;
    QueryDebugKeys(&DebugConfig);
    if (nameOverride != nullptr) {
        std::snprintf(DebugConfig.FileName, sizeof DebugConfig.FileName, "%s", nameOverride);
    }
    if (g_LogFile == nullptr && DebugConfig.ToFile && DebugConfig.FileName[0] != '\0') {
        int lastErrno = 0;
        for (int attempt = 0; attempt < 5 && g_LogFile == nullptr; ++attempt) {
            g_LogFile = platform::OpenFile(DebugConfig.FileName, "a");
            if (g_LogFile != nullptr) break;
            lastErrno = errno;
            char message[512];
            int n =
                std::snprintf(message, sizeof message, "corlink failed to open %s: ", DebugConfig.FileName);
            if (n < 0 || static_cast<size_t>(n) >= sizeof message) {
                message[511] = '\0';
            } else {
                GetSystemErrorText(message + n, static_cast<uint32_t>(sizeof message - n));
            }
            OutputDebugStringA(message);
            Sleep(2000);
        }
        if (g_LogFile != nullptr) {
            CheckFileLength();
            if (DebugConfig.ToFile) WriteBanner();
        } else {
            std::fprintf(stderr, "Error '%s' (%d) opening debug output file.\n", std::strerror(lastErrno),
                         lastErrno);
        }
    } else if (g_LogFile != nullptr && g_LogFile != stdout) {
        std::fputs("Debug File already opened.\n", g_LogFile);
    }
    ++g_RefCount;
    DebugPrint("OpenDebugFile OUT (refcnt=%d, file=0x%lx)\n", g_RefCount,
               static_cast<unsigned long>(reinterpret_cast<uintptr_t>(g_LogFile)));
    return 0;
}

void CloseDebugFile() {
    DebugLogHold hold;
    DebugPrint("CloseDebugFile(refcnt=%d)\n", g_RefCount);
    if (--g_RefCount <= 0 && g_LogFile != nullptr && g_LogFile != stdout) {
        std::fclose(g_LogFile);
        g_LogFile = nullptr;
        g_RefCount = 0;
    }
}

void ResetDebugLog() {
    {
        DebugLogHold hold;
        if (g_LogFile != nullptr && g_LogFile != stdout) std::fclose(g_LogFile);
        g_LogFile = nullptr;
        g_RefCount = 0;
        g_CallCounter = 0;
        g_AtLineStart = true;
        std::memset(&DebugConfig, 0, sizeof DebugConfig);
    }
    g_MultipathLogLevel = 0;
    g_ScsiVerbose = false;
    g_ResolveAllDiskNames = false;
    g_VerboseReplyStorage = false;
    gDisableCSMI = false;
    g_HexDumpsToFile = false;
}

void LogLastError(const char* operation) {
    DWORD error = GetLastError();
    char* text = nullptr;
    if (FormatMessageA(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0,
            nullptr) == 0) {
        DebugPrint("Format message failed.  Error: %d\n", static_cast<int>(GetLastError()));
        return;
    }
    DebugPrint("%s failed with error %d: %.80s", operation, static_cast<int>(error), text);
    LocalFree(text);
}

FILE* DebugLogFile() { return g_LogFile; }
DebugLogHold::DebugLogHold() {
    if (LogLock().try_lock()) return;
    platform::BlockedOutsideClock waiting;
    LogLock().lock();
}

DebugLogHold::~DebugLogHold() { LogLock().unlock(); }
