// The C library's locale from the system's default locale: "<language>_<country>.<code page>".
#include <clocale>
#include <string>

#include "platform/kernel/last_error.h"
#include "platform/system/locale_info.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/provider_events.h"

void LangInit() {
    char item[256];
    std::string name;
    bool nameFailed = false;
    if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_SENGLANGUAGE, item, sizeof item) != 0) {
        name = item;
        if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_SENGCOUNTRY, item, sizeof item) != 0) {
            name += "_";
            name += item;
        } else {
            const DWORD error = GetLastError();
            BVSS_DebugPrint(L"LangInit: Get locale country failed %d: %d\n", error, error);
            name.clear();
            nameFailed = true;
        }
    } else {
        const DWORD error = GetLastError();
        BVSS_DebugPrint(L"LangInit: Get locale language failed %d: %d\n", error, error);
        nameFailed = true;
    }
    if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTCODEPAGE, item, sizeof item) != 0) {
        name += ".";
        name += item;
    } else {
        BVSS_DebugPrint(L"LangInit: Get locale info failed %d\n", GetLastError());
        if (nameFailed) name.clear();
    }
    const char* current = std::setlocale(LC_ALL, name.c_str());
    if (current != nullptr) {
        BVSS_DebugPrint(L"LangInit: Current Locale is: %S\n", current);
    } else {
        BVSS_DebugPrint(L"LangInit: Set Locale fail.\n");
    }
}
