// The enclosure commands: the enclosure list, the advanced record of one enclosure (named by its WWN) and
// the settings of one (named by its serial number, the first 32 bytes of the settings).
#include <cstddef>
#include <cstring>
#include <string>

#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_enclosure.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "sim/capi/command_rows.h"
#include "sim/capi/object_id.h"
#include "sim/capi/records.h"

namespace sim {
namespace {

constexpr uint32_t kIncludeDriveEnclosures = 39;
constexpr uint32_t kIncludeAdvancedEnclosure = 80;
constexpr uint32_t kIncludeEnclosureParams = 41;

// The enclosure whose WWN the include starts with, or -1.
int NamedEnclosure(const Call& call, const StorageSystem& pair) {
    for (size_t k = 0; k < EnclosureCount(pair); ++k) {
        const Wwn wwn = EnclosureWwn(pair, k);
        if (NamesObject(call, wwn.data(), wwn.size())) return static_cast<int>(k);
    }
    return -1;
}

void DriveEnclosures(Call& call) {
    const StorageSystem& pair = call.pair();
    call.ReplyList(kIncludeDriveEnclosures, static_cast<uint32_t>(EnclosureCount(pair)),
                   EnclosureListPayload(pair));
}

void DriveEnclosure(Call& call) {
    const int k = NamedEnclosure(call, call.pair());
    if (k < 0) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    call.ReplyList(kIncludeAdvancedEnclosure, 1,
                   AdvancedEnclosurePayload(call.pair(), static_cast<size_t>(k)));
}

// The enclosure whose serial number the settings start with, or -1.
int EnclosureBySerial(const Call& call, const StorageSystem& pair) {
    for (size_t k = 0; k < EnclosureCount(pair); ++k) {
        const auto serial = EnclosureSerialBytes(pair, k);
        if (NamesObject(call, serial.data(), serial.size())) return static_cast<int>(k);
    }
    return -1;
}

std::string TextAt(const Call& call, uint32_t offset, uint32_t size) {
    const auto* text = reinterpret_cast<const char*>(call.IncludeAt(offset, size));
    return std::string(text, strnlen(text, size));
}

void SetDriveEnclosureParams(Call& call) {
    StorageSystem& pair = call.pair();
    const int k = EnclosureBySerial(call, pair);
    if (k < 0) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    auto& enclosures = pair.settings.enclosures;
    for (size_t e = enclosures.size(); e <= static_cast<size_t>(k); ++e)
        enclosures.push_back(EnclosureOf(pair, e));
    Enclosure& changed = enclosures[static_cast<size_t>(k)];
    changed.name =
        TextAt(call, offsetof(CAPI_DRIVE_ENCLOSURE_PARAMS, name), sizeof(CAPI_DRIVE_ENCLOSURE_PARAMS::name));
    changed.location = TextAt(call, offsetof(CAPI_DRIVE_ENCLOSURE_PARAMS, location),
                              sizeof(CAPI_DRIVE_ENCLOSURE_PARAMS::location));
    changed.rackNumber = *call.IncludeAt(offsetof(CAPI_DRIVE_ENCLOSURE_PARAMS, rackNumber), 1);
    changed.rackPosition = *call.IncludeAt(offsetof(CAPI_DRIVE_ENCLOSURE_PARAMS, rackPosition), 1);
}

constexpr CommandRow kRows[] = {
    // clang-format off
    {CAPI_COMMAND_U_GET_DRIVE_ENCLOSURES, "U_GET_DRIVE_ENCLOSURES", 0, 0, false, Sequence::PairInParams23,
     DriveEnclosures},
    {CAPI_COMMAND_U_GET_DRIVE_ENCLOSURE, "U_GET_DRIVE_ENCLOSURE", kIncludeObjectId, kObjectIdSize, false,
     Sequence::PairInParams23, DriveEnclosure},
    {CAPI_COMMAND_U_SET_DRIVE_ENCLOSURE_PARAMS, "U_SET_DRIVE_ENCLOSURE_PARAMS", kIncludeEnclosureParams,
     sizeof(CAPI_DRIVE_ENCLOSURE_PARAMS), true, Sequence::PairInParams23, SetDriveEnclosureParams},
    // clang-format on
};

}  // namespace

CommandFamily EnclosureCommands() { return kRows; }

}  // namespace sim
