#include "corlink/capi_wire/structure_converters.h"

#include <cstring>
#include <iterator>

#define CAPI_DEFINE_CONVERTER(converter, structure) \
    void converter(int32_t mode, structure* data) { capi::Convert(mode, data); }
CAPI_STRUCTURE_CONVERTERS(CAPI_DEFINE_CONVERTER)
#undef CAPI_DEFINE_CONVERTER

#define CAPI_DEFINE_BUS_TYPE_CONVERTER(converter, structure) \
    void converter(int32_t mode, structure* data, uint8_t busType) { capi::Convert(mode, data, busType); }
CAPI_BUS_TYPE_CONVERTERS(CAPI_DEFINE_BUS_TYPE_CONVERTER)
#undef CAPI_DEFINE_BUS_TYPE_CONVERTER

void PackCapiSnapshot2(int32_t mode, CAPI_SNAPSHOT* data) { capi::Convert(mode, data); }
void PackCapiSnapshotList2(int32_t mode, CAPI_SNAPSHOT_LIST* data) { capi::Convert(mode, data); }

void PackCapiScsiMaintData(int32_t, void*) {}
void PackCapiDebugLoopBackData(int32_t, void*) {}

void PackCapiPacketHeader(int32_t mode, CAPI_PACKET_HEADER* header) { capi::Convert(mode, header); }

namespace capi {
namespace {

#define CAPI_CONVERTER_ENTRY(converter, structure)                                                  \
    StructureConverter{#structure, &Desc<structure>::value, [](int32_t mode, void* data, uint8_t) { \
                           converter(mode, static_cast<structure*>(data));                          \
                       }},
#define CAPI_BUS_TYPE_CONVERTER_ENTRY(converter, structure)                                                 \
    StructureConverter{#structure, &Desc<structure>::value, [](int32_t mode, void* data, uint8_t busType) { \
                           converter(mode, static_cast<structure*>(data), busType);                         \
                       }},

constexpr StructureConverter kConverters[] = {CAPI_STRUCTURE_CONVERTERS(CAPI_CONVERTER_ENTRY)
                                                  CAPI_BUS_TYPE_CONVERTERS(CAPI_BUS_TYPE_CONVERTER_ENTRY)};

}  // namespace

const StructureConverter* AllStructureConverters(size_t* count) {
    *count = std::size(kConverters);
    return kConverters;
}

const StructureConverter* FindStructureConverter(const char* structure) {
    for (const StructureConverter& c : kConverters) {
        if (std::strcmp(c.structure, structure) == 0) return &c;
    }
    return nullptr;
}

}  // namespace capi
