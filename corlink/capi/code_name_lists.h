// The code sets as constant arrays of (code, name) rows, for the name functions and the name tables.
#pragma once

#include <cstdint>
#include <string_view>

#include "corlink/capi/capi_codes.h"

namespace capi_names {

// Some command names are printed padded with blanks to 31 characters.
enum class Padding { Plain, Padded };

struct CommandName {
    int64_t code;
    std::string_view name;
    Padding padding;
};

struct CodeName {
    int64_t code;
    std::string_view name;
};

#define CAPI_COMMAND_NAME_ROW(code, name, padding) {code, #name, Padding::padding},
inline constexpr CommandName kCommandNames[] = {CAPI_COMMAND_LIST(CAPI_COMMAND_NAME_ROW)};
#undef CAPI_COMMAND_NAME_ROW

#define CAPI_CODE_NAME_ROW(code, name) {code, #name},
inline constexpr CodeName kReplyNames[] = {CAPI_REPLY_LIST(CAPI_CODE_NAME_ROW)};
inline constexpr CodeName kErrorNames[] = {CAPI_ERROR_LIST(CAPI_CODE_NAME_ROW)};
inline constexpr CodeName kEventNames[] = {CAPI_EVENT_LIST(CAPI_CODE_NAME_ROW)};
#undef CAPI_CODE_NAME_ROW

// The row of a code, or nullptr.
template <typename Row, size_t N>
constexpr const Row* FindCode(const Row (&rows)[N], int64_t code) {
    for (const Row& row : rows) {
        if (row.code == code) return &row;
    }
    return nullptr;
}

// The name of a code, or an empty name.
template <typename Row, size_t N>
constexpr std::string_view NameOf(const Row (&rows)[N], int64_t code) {
    for (const Row& row : rows) {
        if (row.code == code) return row.name;
    }
    return {};
}

}  // namespace capi_names
