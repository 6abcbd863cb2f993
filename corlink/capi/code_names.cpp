#include "corlink/capi/code_names.h"

#include <cstdio>
#include <cstring>

#include "corlink/capi/code_name_lists.h"
#include "corlink/capi/code_name_tables.h"

namespace {

constexpr int kPaddedNameWidth = 31;
// Length of "Reply: " and "Reply  " in front of the reply table's names.
constexpr size_t kReplyRowPrefixLength = 7;

int NameLength(std::string_view name) { return static_cast<int>(name.size()); }

}  // namespace

void CapiCommandName(int32_t commandCode, char* text, size_t size) {
    const auto* command = capi_names::FindCode(capi_names::kCommandNames, commandCode);
    if (command == nullptr) {
        std::snprintf(text, size, "----%d----", commandCode);
    } else if (command->padding == capi_names::Padding::Padded) {
        std::snprintf(text, size, "%-*.*s", kPaddedNameWidth, NameLength(command->name),
                      command->name.data());
    } else {
        std::snprintf(text, size, "%.*s", NameLength(command->name), command->name.data());
    }
}

void CapiReturnCodeName(int32_t returnCode, char* text, size_t size) {
    const auto* error = capi_names::FindCode(capi_names::kErrorNames, returnCode);
    if (returnCode == CAPI_NO_ERROR) {
        std::snprintf(text, size, "OK");
    } else if (returnCode == CAPI_ERROR_UNDEFINED_MARK) {
        std::snprintf(text, size, "---");
    } else if (error == nullptr) {
        std::snprintf(text, size, "No decode(%d)", returnCode);
    } else {
        const char* prefix = returnCode >= CAPI_ERROR_FIRST_PREFIXED_NAME ? "CAPI_ERROR_" : "";
        std::snprintf(text, size, "%s%.*s(%d)", prefix, NameLength(error->name), error->name.data(),
                      returnCode);
    }
}

void CapiReplyName(uint32_t replyCode, char* text, size_t size) {
    if (size == 0) return;
    text[0] = '\0';
    if (const char* row = CapiNameTableText(CapiNameTable::Reply, replyCode)) {
        std::snprintf(text, size, "%s", row + kReplyRowPrefixLength);
        return;
    }
    if (replyCode <= CAPI_UNIFIED_REPLY_OFFSET) return;
    const int64_t commandCode = static_cast<int64_t>(replyCode) - CAPI_UNIFIED_REPLY_OFFSET;
    const auto* command = capi_names::FindCode(capi_names::kCommandNames, commandCode);
    if (command != nullptr && commandCode > CAPI_UNIFIED_REPLY_OFFSET) {
        std::snprintf(text, size, "CAPI_REPLY_%.*s", NameLength(command->name), command->name.data());
    }
}
