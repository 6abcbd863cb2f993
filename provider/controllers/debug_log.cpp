#include "provider/controllers/debug_log.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <cwchar>

#include "platform/files/crt_files.h"
#include "platform/files/files.h"
#include "platform/files/registry.h"
#include "platform/kernel/sync.h"
#include "platform/system/wide_text.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/provider_parameters.h"
#include "provider/controllers/provider_registry.h"
#include "provider/controllers/registry_values.h"

namespace {

constexpr size_t kMessageChars = 4096;
constexpr size_t kPrefixChars = 80;
constexpr size_t kAnsiBytes = 2048;
constexpr size_t kFileNameChars = 2048 / 2;  // the 2,048-byte buffer of the Windows registry read
constexpr int kSettingsRereadInterval = 100;

constexpr const char* kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The log's state; touched only under the log lock.
struct LogState {
    BVSS_DebugConfig config;
    FILE* file = nullptr;
    int32_t refCount = 0;
    uint32_t callCounter = 0;  // a signed counter in spirit; unsigned so that it wraps without fault
    bool midLine = false;
    TIME_ZONE_INFORMATION zone{};
};

// The state lives as long as the library: never destroyed under a logging thread, freed only by the
// library's unload (ReleaseAtUnload).
LogState*& StateSlot() {
    static LogState* state = new LogState;
    return state;
}

LogState& State() { return *StateSlot(); }

CRITICAL_SECTION*& LockSlot() {
    static CRITICAL_SECTION* lock = [] {
        auto* section = new CRITICAL_SECTION;
        InitializeCriticalSection(section);
        return section;
    }();
    return lock;
}

const char* MonthName(WORD month) { return kMonthNames[(month + 11) % 12]; }

// The DWORD settings in the order they are read.
struct DwordSetting {
    const WCHAR* name;
    DWORD BVSS_DebugConfig::*field;
};
constexpr DwordSetting kDwordSettings[] = {
    // clang-format off
    {L"ToFile", &BVSS_DebugConfig::ToFile},         {L"ToDebugger", &BVSS_DebugConfig::ToDebugger},
    {L"TimeStamp", &BVSS_DebugConfig::TimeStamp},   {L"ForceFlush", &BVSS_DebugConfig::ForceFlush},
    {L"MaxFileLength", &BVSS_DebugConfig::MaxFileLength},
    // clang-format on
};

bool IsOwnFile(FILE* file) { return file != nullptr && file != stdout; }

}  // namespace

int BVSS_FormatText(WCHAR* buffer, size_t capacity, const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = _vsnwprintf_s(buffer, capacity, _TRUNCATE, format, args);
    va_end(args);
    return result;
}

CRITICAL_SECTION* BVSS_DebugLog::Lock() { return LockSlot(); }

void BVSS_DebugLog::ReleaseAtUnload() {
    LogState*& state = StateSlot();
    if (state != nullptr) {
        if (IsOwnFile(state->file)) std::fclose(state->file);
        delete state;
        state = nullptr;
    }
    CRITICAL_SECTION*& lock = LockSlot();
    if (lock != nullptr) {
        DeleteCriticalSection(lock);
        delete lock;
        lock = nullptr;
    }
}

int BVSS_DebugLog::ReadConfig(BVSS_DebugConfig* config) {
    BVSS_CritSecLock lock(Lock());
    *config = BVSS_DebugConfig{};
    HKEY service = nullptr;
    HKEY debug = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProviderServiceKey, 0, KEY_READ, &service) == ERROR_SUCCESS) {
        if (RegOpenKeyExA(service, kProviderDebugSubkey, 0, KEY_READ, &debug) == ERROR_SUCCESS) {
            WCHAR fileName[kFileNameChars];
            if (ReadRegistryString(debug, L"FileName", fileName, kFileNameChars)) config->FileName = fileName;
            for (const DwordSetting& setting : kDwordSettings)
                ReadRegistryDword(debug, setting.name, &(config->*setting.field));
            RegCloseKey(debug);
        }
        RegCloseKey(service);
    }
    readProviderParameters();
    const BVSS_ProviderParameters parameters = ProviderParameters();
    config->Name = parameters.Name;
    config->Version = parameters.Version;
    return 0;
}

int BVSS_DebugLog::CheckLength(FILE* file) {
    BVSS_CritSecLock lock(Lock());
    if (file == nullptr) return 1;
    const DWORD limit = State().config.MaxFileLength;
    if (limit == 0) return 0;
    const int64_t length = _filelengthi64(_fileno(file));
    if (length > static_cast<int64_t>(limit)) {
        std::fflush(file);
        _chsize_s(_fileno(file), 0);
        std::fseek(file, 0, SEEK_END);
        BVSS_DebugPrint(L"Truncated debug file, length was %I64d\n", static_cast<long long>(length));
    }
    return 0;
}

void BVSS_DebugLog::DumpConfig(const BVSS_DebugConfig& config) {
    BVSS_DebugPrint(L"Current debug configuration:\n");
    BVSS_DebugPrint(L"    FileName=%s\n", config.FileName.c_str());
    BVSS_DebugPrint(L"    ToFile=%u\n", config.ToFile);
    BVSS_DebugPrint(L"    ToDebugger=%u\n", config.ToDebugger);
    BVSS_DebugPrint(L"    TimeStamp=%u\n", config.TimeStamp);
    BVSS_DebugPrint(L"    ForceFlush=%u\n", config.ForceFlush);
    BVSS_DebugPrint(L"    MaxFileLength=%u\n", config.MaxFileLength);
    BVSS_DebugPrint(L"    Name=%s\n", config.Name.c_str());
    BVSS_DebugPrint(L"    Version=%s\n", config.Version.c_str());
}

int BVSS_DebugLog::StaticInit() {
    BVSS_CritSecLock lock(Lock());
    LogState& s = State();
    ReadConfig(&s.config);
    if (s.file != nullptr || s.config.ToFile == 0 || s.config.FileName.empty()) {
        if (IsOwnFile(s.file)) std::fputs("StaticInit(): Debug File already opened.\n", s.file);
    } else {
        s.file = platform::OpenFile(platform::NarrowText(s.config.FileName.c_str()).c_str(), "a");
        if (s.file == nullptr) {
            const int err = errno;
            std::fprintf(stderr, "Error '%s' (%d) opening debug output file.\n", std::strerror(err), err);
        } else {
            CheckLength(s.file);
            SYSTEMTIME utc;
            SYSTEMTIME local;
            GetSystemTime(&utc);
            GetTimeZoneInformation(&s.zone);
            SystemTimeToTzSpecificLocalTime(&s.zone, &utc, &local);
            std::fprintf(s.file, "%s\n", std::string(80, '#').c_str());
            std::fprintf(s.file,
                         "# Debug file opened on %s %02u, %u %02u:%02u:%02u.%03u (UTC = %s %02u, %u "
                         "%02u:%02u:%02u.%03u).\n",
                         MonthName(local.wMonth), local.wDay, local.wYear, local.wHour, local.wMinute,
                         local.wSecond, local.wMilliseconds, MonthName(utc.wMonth), utc.wDay, utc.wYear,
                         utc.wHour, utc.wMinute, utc.wSecond, utc.wMilliseconds);
            s.midLine = false;
            DumpConfig(s.config);
        }
    }
    ++s.refCount;
    return 0;
}

int BVSS_DebugLog::StaticDeinit() {
    BVSS_CritSecLock lock(Lock());
    LogState& s = State();
    --s.refCount;
    if (IsOwnFile(s.file) && s.refCount <= 0) {
        std::fclose(s.file);
        s.file = nullptr;
    }
    return 0;
}

void BVSS_DebugLog::ResetForTests() {
    BVSS_CritSecLock lock(Lock());
    LogState& s = State();
    if (IsOwnFile(s.file)) std::fclose(s.file);
    s = LogState{};
}

void BVSS_DebugLog::WriteFragment(const WCHAR* fragment, size_t length) {
    LogState& s = State();
    if (s.file == nullptr || s.config.ToFile == 0 || length == 0) return;
    char ansi[kAnsiBytes];
    const int bytes = WideCharToMultiByte(CP_ACP, 0, fragment, static_cast<int>(length), ansi, sizeof ansi,
                                          nullptr, nullptr);
    if (bytes <= 0) return;  // a fragment that does not fit the conversion buffer is not written
    std::fwrite(ansi, 1, static_cast<size_t>(bytes), s.file);
    if (s.config.ForceFlush != 0) std::fflush(s.file);
}

void BVSS_DebugLog::Write(const WCHAR* text) {
    LogState& s = State();
    WCHAR prefix[kPrefixChars];
    bool havePrefix = false;
    for (const WCHAR* p = text; *p != 0;) {
        const WCHAR* lineEnd = std::wcschr(p, L'\n');
        const size_t length = lineEnd != nullptr ? static_cast<size_t>(lineEnd - p) + 1 : std::wcslen(p);
        if (s.config.TimeStamp != 0 && !s.midLine) {
            if (!havePrefix) {
                SYSTEMTIME utc;
                SYSTEMTIME local;
                GetTimeZoneInformation(&s.zone);
                GetSystemTime(&utc);
                SystemTimeToTzSpecificLocalTime(&s.zone, &utc, &local);
                BVSS_FormatText(prefix, kPrefixChars, L"%S %02u, %u %02u:%02u:%02u.%03u: [%04d/%04d] ",
                                MonthName(local.wMonth), local.wDay, local.wYear, local.wHour, local.wMinute,
                                local.wSecond, local.wMilliseconds, GetCurrentProcessId(),
                                GetCurrentThreadId());
                havePrefix = true;
            }
            WriteFragment(prefix, std::wcslen(prefix));
            s.midLine = true;
        }
        WriteFragment(p, length);
        if (p[length - 1] == L'\n') s.midLine = false;
        p += length;
    }
}

void BVSS_DebugPrint(const WCHAR* format, ...) {
    BVSS_CritSecLock lock(BVSS_DebugLog::Lock());
    LogState& s = State();
    if (++s.callCounter % kSettingsRereadInterval == 0) {
        BVSS_DebugLog::ReadConfig(&s.config);
        BVSS_DebugLog::CheckLength(s.file);
    }
    WCHAR message[kMessageChars];
    va_list args;
    va_start(args, format);
    _vsnwprintf_s(message, kMessageChars, _TRUNCATE, format, args);
    va_end(args);
    BVSS_DebugLog::Write(message);
}
