#include "tests/support/event_records.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace testsupport {

namespace {

constexpr char kVdiskName[] = "VD-Data";
constexpr char kDriveSerial[] = "3LM0AB12QW34";
constexpr char kVolumeName[] = "vol-logs";
// An enclosure WWN (bytes 56-63 of enclosure events).
const std::vector<uint8_t> kEnclosureWwn = {0x50, 0x0C, 0x0F, 0xF0, 0x0A, 0x12, 0x34, 0x00};

EventRecordBuilder VdiskEvent(uint32_t code) {
    EventRecordBuilder b(code);
    b.Name(kVdiskName).Serial(CraftedVdiskSerial());
    return b;
}

EventRecordBuilder DriveEvent(uint32_t code) {
    EventRecordBuilder b(code);
    b.Text56(kDriveSerial);
    return b;
}

EventRecordBuilder VolumeEvent(uint32_t code) {
    EventRecordBuilder b(code);
    b.Name(kVdiskName).Text56(kVolumeName).Serial(CraftedVolumeSerial());
    return b;
}

EventRecordBuilder EnclosureEvent(uint32_t code) {
    EventRecordBuilder b(code);
    b.Bytes(56, kEnclosureWwn);
    return b;
}

// FRU events: module type, unit and status vary with the code.
EventRecordBuilder FruEvent(uint32_t code) {
    EventRecordBuilder b(code);
    b.Params(code % 5, code % 4, 0, code % 12);
    return b;
}

bool IsFruEvent(uint32_t code) {
    return (code >= 119 && code <= 126) || code == 128 || (code >= 130 && code <= 132) || code == 134 ||
           code == 135 || code == 137 || code == 138 || (code >= 142 && code <= 151);
}

bool IsVdiskEvent(uint32_t code) {
    for (uint32_t c : {1, 18, 21, 25, 27, 32, 35, 37, 52, 53, 67, 74, 78, 79, 110, 172, 173, 206, 207}) {
        if (c == code) return true;
    }
    return false;
}

bool IsVolumeEvent(uint32_t code) {
    for (uint32_t c : {44, 75, 104, 105, 106, 108, 118, 178, 179, 180, 205}) {
        if (c == code) return true;
    }
    return false;
}

bool IsDriveEvent(uint32_t code) {
    for (uint32_t c : {16, 24, 31, 36, 176}) {
        if (c == code) return true;
    }
    return false;
}

// Each code's record; the texts they give are reviewed in the golden file.
// clang-format off
EventRecordBuilder Crafted(uint32_t code) {
    if (IsFruEvent(code)) return FruEvent(code);
    if (IsVdiskEvent(code)) {
        EventRecordBuilder b = VdiskEvent(code);
        switch (code) {
            case 21: b.Params(2); break;
            case 35: b.Params(3); break;
            case 53: b.Status(5).Params(1); break;
            case 74: b.Params(0, 3); break;
            case 207: b.Status(3); break;
        }
        return b;
    }
    if (IsVolumeEvent(code)) {
        EventRecordBuilder b = VolumeEvent(code);
        switch (code) {
            case 44: b.Params(0, 12); break;
            case 75: b.Params(5); break;
            case 104: b.Name(""); break;  // no object name, no Vdisk in the database
            case 105: b.Lun(7); break;
            case 106: b.Lun(3); break;
            case 118: b.Params(0x200000, 1, 0); break;
            case 205: b.Params(0, 0, 0x00070103); break;
        }
        return b;
    }
    if (IsDriveEvent(code)) {
        EventRecordBuilder b = DriveEvent(code);
        if (code == 24) b.Unit(0xFFFFFFFF);
        return b;
    }
    EventRecordBuilder b(code);
    switch (code) {
        case 3: b.Serial(CraftedVdiskSerial()); break;  // no name: the serial stands for it
        case 4: b = VdiskEvent(code); b.Text56(kDriveSerial).Params(0x12345); break;
        case 6: b = VdiskEvent(code); b.Status(0x1F); break;
        case 7: b.Params(3); break;
        case 8: b = VdiskEvent(code); b.Text56(kDriveSerial); break;
        case 9: b = VdiskEvent(code); b.Text56(kDriveSerial).Channel(0xFFFFFFFF); break;
        case 19: b.Params(3, 1, 2); break;
        case 20: b.Text56("J210R01").Baselevel("J200P30"); break;
        case 22: b.Params(14, 0, 0, 2); break;
        case 23: b = VdiskEvent(code); b.Params(0, 0x02000C08, 0x4002); break;
        case 26: break;  // no drive named: every drive
        case 39: b.Params(1, 5123); break;
        case 40: b.Params(10, 71, 1); break;
        case 41: b = VdiskEvent(code); b.Text56(kDriveSerial); break;
        case 42: b.Params(7, 1234); break;
        case 43: break;  // no name and a zero serial
        case 45: b.Params(17, 2); break;
        case 48: b = VdiskEvent(code); b.Text56("OldVdiskNameThatIsLong"); break;
        case 49: b.Status(81).Params(2, 5, 0x0024); break;
        case 50: b.Params(0x1F000); break;
        case 51: b.Params(0x2A0000); break;
        case 55: b = DriveEvent(code); b.Params(1, 0x5D, 0x10, 0xDEADBEEF); break;
        case 56: b.Text56("J200P30").Baselevel("J200P30"); break;
        case 58: b = DriveEvent(code);
                 b.Params(3, 0x11, 0x00, 0x00010203).Bytes(120, {0x28, 0, 0, 0x01, 0x02, 0x03, 0, 0, 0x08, 0});
                 break;
        case 59: b.Params(0x22).Byte(145, 3); break;
        case 60: b.Channel(0xFFFFFFFF); break;
        case 62: b = DriveEvent(code); b.Name("VD-Data-With-A-Long-Name").Params(4, 0x3E, 0x01); break;
        case 65: b.Params(0x800); break;
        case 66: b.Params(1, 23, 456); break;
        case 67: b = VdiskEvent(code); break;
        case 68: b.Params(1); break;
        case 70: b.Params(7); break;
        case 71: b.Params(1, 0); break;
        case 72: b.Params(2, 1); break;
        case 77: b.Params(1, 1); break;
        case 80: b.Params(1, 2); break;
        case 83: b.Params(3); break;
        case 84: b.Params(8); break;
        case 92: b.Params(6, 9); break;
        case 93:
        case 94: b.Bytes(40, {0x20, 0, 0, 0xC0, 0xFF, 0x0A, 0x12, 0x34, 0x20, 0, 0, 0xC0, 0xFF, 0x0A, 0x56, 0x78}); break;
        case 100: b.Params(0xFFFFFFFF, 2); break;
        case 103: b.Name("vol-new").Text56("vol-old").Serial(CraftedVolumeSerial()); break;
        case 107: b.LoopId(14).Params(1, 2, 3, 4); break;
        case 109: break;  // no volume named: every volume
        case 111: b.Channel(0).Params(0x00010000); break;
        case 113: b.Params(0x01, 0x100); break;
        case 117: b.Params(2, 2, 0x70, 0x0401); break;
        case 129: b.Params(3, 0, 3, 1); break;
        case 136: b.Channel(1).Params(1); break;
        case 139: b.Text56("M110R21").Baselevel("M100B03"); break;
        case 141: b.Text56("10.0.0.2"); break;
        case 159: b.Params(0, 1); break;
        case 168: b = EnclosureEvent(code); b.Status(0x90).Params(4, 2, 2, 78).EnclosureInfo("Encl-1 rear"); break;
        case 169: b = EnclosureEvent(code); b.Params(2, 0).EnclosureInfo("PSU-1 ok"); break;
        case 170: b = EnclosureEvent(code); b.EnclosureInfo("J6G2 shelf"); break;
        case 171: b = EnclosureEvent(code); break;
        case 174: b = EnclosureEvent(code); b.Params(1, 3); break;
        case 175: b.Params(1).Byte(144, 1); break;
        case 177: b = VdiskEvent(code); b.Text56(kVolumeName).Chars(88, "00c0ff0a1234567890abcdef"); break;
        case 182: b.Params(2); break;
        case 184: b.Params(1, 36); break;
        case 185: b.Bytes(56, {0x50, 0x0C, 0x0F, 0xF0, 0x0A, 0x12, 0x34, 0, 1, 2, 3, 4, 5, 6, 7, 8}).Params(0, 0x1C, 12); break;
        case 186: b = EnclosureEvent(code); b.Name("Rack-A shelf 2").Params(1, 4); break;
        case 189: b.Channel(3); break;
        case 204: b.Params(0xA, 0xB); break;
        case 211: b.Params(1, 2, 0); break;
        case 219: b.Params(2, 4); break;
        case 232: b = EnclosureEvent(code); b.Channel(3); break;
        case 233: b = EnclosureEvent(code); b.Params(3); break;
        case 235: b.Text56("WD-WCAV5K123456-ZZZZ-0123456789A")  // long enough to be cut
                      .Params(0x00AB0304, 0x0A12345D, 0x8000126C, 0x400)
                      .Bytes(120, {0x88, 0, 0, 0, 0, 0, 0, 0x12, 0x34, 0x56, 0, 0, 0x01, 0, 0, 0});
                  break;
        case 236: b.Params(0x102); break;
    }
    return b;
}
// clang-format on

}  // namespace

EventRecordBuilder::EventRecordBuilder(uint32_t code) { U32(0, code + 1).U32(8, code).Channel(2).LoopId(17); }

EventRecordBuilder& EventRecordBuilder::Params(uint32_t p1, uint32_t p2, uint32_t p3, uint32_t p4) {
    return U32(40, p1).U32(44, p2).U32(48, p3).U32(52, p4);
}

EventRecordBuilder& EventRecordBuilder::Name(std::string_view name) {
    char padded[32] = {};
    std::memcpy(padded, name.data(), std::min(name.size(), sizeof(padded)));
    auto* bytes = reinterpret_cast<uint8_t*>(&record_);
    std::memcpy(bytes + 120, padded, 20);
    std::memcpy(bytes + 146, padded + 20, 10);
    std::memcpy(bytes + 18, padded + 30, 2);
    return *this;
}

EventRecordBuilder& EventRecordBuilder::U32(size_t offset, uint32_t value) {
    std::memcpy(reinterpret_cast<uint8_t*>(&record_) + offset, &value, sizeof(value));
    return *this;
}

EventRecordBuilder& EventRecordBuilder::Byte(size_t offset, uint8_t value) {
    reinterpret_cast<uint8_t*>(&record_)[offset] = value;
    return *this;
}

EventRecordBuilder& EventRecordBuilder::Bytes(size_t offset, const std::vector<uint8_t>& bytes) {
    std::memcpy(reinterpret_cast<uint8_t*>(&record_) + offset, bytes.data(), bytes.size());
    return *this;
}

EventRecordBuilder& EventRecordBuilder::Chars(size_t offset, std::string_view text) {
    std::memcpy(reinterpret_cast<uint8_t*>(&record_) + offset, text.data(), text.size());
    return *this;
}

std::vector<uint8_t> CraftedVdiskSerial() {
    return {0x00, 0xC0, 0xFF, 0x0A, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x01, 0x02, 0x03, 0x04};
}

std::vector<uint8_t> CraftedVolumeSerial() {
    return {0x00, 0xC0, 0xFF, 0x0A, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11, 0x22, 0x33, 0x44};
}

std::vector<CAPI_EVENT_RECORD> CraftedEventRecords(uint32_t controllerHandle) {
    std::vector<CAPI_EVENT_RECORD> records;
    for (uint32_t code = 0; code <= 237; ++code) {
        records.push_back(Crafted(code).Controller(controllerHandle).Record());
    }
    return records;
}

std::string EventTextsGoldenPath() { return CORLINK_EVENT_TEXTS_GOLDEN; }

std::vector<std::string> ReadEventTextsGolden(const std::string& path) {
    std::vector<std::string> texts;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        const size_t open = line.find('"');
        const size_t close = line.rfind('"');
        if (open == std::string::npos || close == open) continue;
        texts.push_back(line.substr(open + 1, close - open - 1));
    }
    return texts;
}

std::string EventTextsGoldenLine(uint32_t code, const std::string& text) {
    return std::to_string(code) + " \"" + text + "\"";
}

}  // namespace testsupport
