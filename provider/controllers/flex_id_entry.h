// One port of this host as the arrays know it: an FC port by its WWPN or an iSCSI initiator by its name.
#pragma once

#include <cstdint>

constexpr uint8_t kFlexKindFibreChannel = 16;
constexpr uint8_t kFlexKindIscsi = 1;
constexpr uint8_t kFlexPortTypeFibreChannel = 14;
constexpr uint8_t kFlexPortTypeIscsi = 9;
constexpr size_t kIscsiNameChars = 224;

struct FlexIDEntry {
    uint8_t mKind = 0;                      // kFlexKindFibreChannel or kFlexKindIscsi
    uint8_t mWwpn[8] = {};                  // FC entries: the port's WWPN as the proxy returns it
    uint8_t mPortType = 0;                  // kFlexPortTypeFibreChannel or kFlexPortTypeIscsi
    char mIscsiName[kIscsiNameChars] = {};  // iSCSI entries, NUL-terminated
};
