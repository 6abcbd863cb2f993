#include "corlink/capi/code_name_tables.h"

#include <array>
#include <string_view>

#include "corlink/capi/code_name_lists.h"

namespace {

using capi_names::NameOf;
using Row = std::array<char, CAPI_NAME_ROW_SIZE>;

// Composes one row; text beyond the row's 63 characters is cut, the rest stays zero.
class RowWriter {
  public:
    constexpr RowWriter& Add(std::string_view text) {
        for (char c : text) {
            if (length_ + 1 >= row_.size()) break;
            row_[length_++] = c;
        }
        return *this;
    }
    constexpr RowWriter& AddNumber(uint32_t value) {
        char digits[10] = {};
        size_t count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        while (count > 0) Add(std::string_view(&digits[--count], 1));
        return *this;
    }
    constexpr Row Take() const { return row_; }

  private:
    Row row_{};
    size_t length_ = 0;
};

struct FixedText {
    int64_t code;
    std::string_view name;  // the whole row
};

// Rows that do not follow their table's pattern.
constexpr FixedText kReplyExceptions[] = {
    // clang-format off
    {400, "Reply  CAPI_REPLY_PUT_OFFLINE"},
    {401, "Reply  CAPI_REPLY_PUT_ONLINE"},
    // clang-format on
};
constexpr FixedText kErrorExceptions[] = {
    // clang-format off
    {0, "Error: CAPI_NO_ERROR."},
    {62, "Error: CAPI_ERROR_BAD_DUAL_SA_OPTION."},
    {96, "Error: CAPI_ERROR_A_CMM_IS_OFFLINE."},
    {97, "Error: CAPI_ERROR_A_CIM_IS_OFFLINE."},
    {137, "Error: CAPI_ERROR_POINT_TO_POINT_TOPOLOGY_ALLOWED_ONLY_IF_INTER"},
    {146, "Error: Error Not Defined"},
    {188, "Error: CAPI_ERROR_MASTER_NOT_ASSOCIATED_WITH_SNAPSHOT"},
    {189, "Error: CAPI_ERROR_NON_ABORTABLE_UTILITY_RUNNING"},
    // clang-format on
};

constexpr uint32_t kReplyFirst = CAPI_REPLY_FIRST_CLASSIC;
constexpr size_t kReplyRows = CAPI_REPLY_LAST_CLASSIC - CAPI_REPLY_FIRST_CLASSIC + 1;
constexpr size_t kErrorRows = 190;

constexpr auto kStatusTable = [] {
    std::array<Row, CAPI_STATUS_COUNT> rows{};
#define CAPI_STATUS_TEXT_ROW(code, name, text) rows[code] = RowWriter().Add(text).Take();
    CAPI_STATUS_LIST(CAPI_STATUS_TEXT_ROW)
#undef CAPI_STATUS_TEXT_ROW
    return rows;
}();

// "Reply: CAPI_REPLY_<name>"; a code without a name reads as reserved.
constexpr auto kReplyTable = [] {
    std::array<Row, kReplyRows> rows{};
    for (uint32_t code = kReplyFirst; code < kReplyFirst + kReplyRows; ++code) {
        RowWriter row;
        if (const auto fixed = NameOf(kReplyExceptions, code); !fixed.empty()) {
            row.Add(fixed);
        } else if (const auto name = NameOf(capi_names::kReplyNames, code); !name.empty()) {
            row.Add("Reply: CAPI_REPLY_").Add(name);
        } else {
            row.Add("Reply: CAPI_REPLY_RESERVED_").AddNumber(code);
        }
        rows[code - kReplyFirst] = row.Take();
    }
    return rows;
}();

constexpr auto kEventTable = [] {
    std::array<Row, CAPI_EVENT_COUNT> rows{};
    for (const auto& event : capi_names::kEventNames) {
        rows[static_cast<size_t>(event.code)] = RowWriter().Add("Event: CAPI_EVENT_").Add(event.name).Take();
    }
    return rows;
}();

// "Error: CAPI_ERROR_<name>."; a code without a name reads as reserved.
constexpr auto kErrorTable = [] {
    std::array<Row, kErrorRows> rows{};
    for (uint32_t code = 0; code < kErrorRows; ++code) {
        RowWriter row;
        if (const auto fixed = NameOf(kErrorExceptions, code); !fixed.empty()) {
            row.Add(fixed);
        } else if (const auto name = NameOf(capi_names::kErrorNames, code); !name.empty()) {
            row.Add("Error: CAPI_ERROR_").Add(name).Add(".");
        } else {
            row.Add("Error: CAPI_ERROR_RESERVED_").AddNumber(code).Add(".");
        }
        rows[code] = row.Take();
    }
    return rows;
}();

template <size_t N>
const char* TextAt(const std::array<Row, N>& rows, uint32_t index) {
    return index < N ? rows[index].data() : nullptr;
}

}  // namespace

const char* CapiNameTableText(CapiNameTable table, uint32_t code) {
    switch (table) {
        case CapiNameTable::Status: return TextAt(kStatusTable, code);
        case CapiNameTable::Reply:
            return code < kReplyFirst ? nullptr : TextAt(kReplyTable, code - kReplyFirst);
        case CapiNameTable::Event: return TextAt(kEventTable, code);
        case CapiNameTable::Error: return TextAt(kErrorTable, code);
    }
    return nullptr;
}
