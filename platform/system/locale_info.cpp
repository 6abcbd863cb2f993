#include "platform/system/locale_info.h"

#include <cstring>

#include "platform/kernel/last_error.h"
#include "platform/system/wide_text.h"

namespace {

struct LocaleItem {
    LCTYPE type;
    const char* text;
};

constexpr LocaleItem kItems[] = {
    // clang-format off
    {LOCALE_SENGLANGUAGE, "English"},
    {LOCALE_SENGCOUNTRY, "United States"},
    {LOCALE_IDEFAULTCODEPAGE, "1252"},
    // clang-format on
};

}  // namespace

int GetLocaleInfoA(LCID, LCTYPE type, LPSTR data, int size) {
    for (const LocaleItem& item : kItems) {
        if (item.type != type) continue;
        const int needed = static_cast<int>(std::strlen(item.text)) + 1;
        if (size == 0) return needed;
        if (data == nullptr || size < needed) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        std::memcpy(data, item.text, static_cast<size_t>(needed));
        return needed;
    }
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
}
