// The include converter's own type-to-structure table against the include-type table of packet
// building: the same structures, the same sizes, the same record rule.
#include <gtest/gtest.h>

#include "corlink/capi/include_converter.h"
#include "corlink/capi/include_types.h"
#include "corlink/capi_wire/structure_converters.h"

namespace {

constexpr uint32_t kLastIncludeType = 255;

TEST(IncludeTypes, EveryStructureOfThePacketTableIsDescribedWithItsSize) {
    for (uint32_t type = 0; type <= kLastIncludeType; ++type) {
        const CapiIncludeType* row = FindCapiIncludeType(type);
        if (row == nullptr || row->structure == nullptr) continue;
        const capi::StructureConverter* converter = capi::FindStructureConverter(row->structure);
        ASSERT_NE(converter, nullptr) << type << " " << row->structure;
        EXPECT_EQ(converter->desc->size, row->bytes) << type << " " << row->structure;
    }
}

TEST(IncludeTypes, ConvertersAgreeWithThePacketTable) {
    for (uint32_t type = 0; type <= kLastIncludeType; ++type) {
        const CapiIncludeType* row = FindCapiIncludeType(type);
        const capi::IncludeConversion* conversion = capi::FindIncludeConversion(type);
        const bool packetTableConverts = row != nullptr && row->structure != nullptr && row->converted;
        ASSERT_EQ(conversion != nullptr, packetTableConverts) << type;
        if (conversion == nullptr) continue;
        EXPECT_STREQ(conversion->desc->name, row->structure) << type;
        EXPECT_EQ(conversion->records, row->rule == IncludeSizeRule::Records) << type;
    }
}

}  // namespace
