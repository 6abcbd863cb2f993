// Words for SCSI sense data, failed commands and the controllers' I/O block status.
#include <string>

#include "corlink/diagnostics/code_text_table.h"
#include "corlink/diagnostics/event_decoders.h"
#include "corlink/diagnostics/text_format.h"

namespace {

constexpr CodeText kAscAscq[] = {
#include "corlink/diagnostics/asc_ascq_table.inc"
};

constexpr CodeText kSenseKey[] = {
    // clang-format off
    {0, "No Sense"},    {1, "Recovered Error"}, {2, "Not Ready"},      {3, "Medium Error"},
    {4, "Hardware"},    {5, "Illegal Request"}, {6, "Unit Attention"}, {7, "Data Protect"},
    {8, "Blank Check"}, {9, "Vendor Specific"}, {10, "Copy Aborted"},  {11, "Aborted Command"},
    {14, "Miscompare"},
    // clang-format on
};

constexpr CodeText kMaintenanceOp[] = {
    // clang-format off
    {1, "Use CDB  "},  {2, "Inquiry  "},  {3, "TUR      "},  {4, "Frmt Unit"},  {5, "Verify   "},
    {6, "StartUnit"},  {7, "Stop Unit"},  {8, "Send Diag"},  {9, "ModeSense"},  {10, "Mode Slct"},
    {11, "ClearMeta"}, {12, "UseCDBNDW"}, {13, "UseCDBNDR"}, {14, "ClrMetaNR"},
    // clang-format on
};

constexpr CodeText kIobStatus[] = {
    // clang-format off
    {0x20, "No Response"}, {0x21, "Protocol Error"},       {0x22, "Link Down"},
    {0x23, "CRC Error"},   {0x24, "Under/OverRun"},        {0x30, "Device Busy"},
    {0x31, "Queue Full"},  {0x32, "Reservation Conflict"}, {0x40, "I/O Timeout"},
    {0x41, "LIP"},         {0x43, "Aborted, Link Down"},   {0x50, "Port Failure"},
    {0x86, "Bad Fabric"},  {0x100, "IO Aborted"},          {0x101, "Abort Timeout"},
    // clang-format on
};

constexpr uint8_t kRead10 = 0x28;
constexpr uint8_t kWrite10 = 0x2A;

uint32_t BigEndian(const uint8_t* bytes, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | bytes[i];
    return value;
}

}  // namespace

std::string GetCdbText(const uint8_t cdb[16]) {
    const uint8_t op = cdb[0];
    if (op == kRead10 || op == kWrite10) {
        return TextFormat("%2.2s %08.8x %04.4x",
                          {op == kRead10 ? "Rd" : "Wr", BigEndian(cdb + 2, 4), BigEndian(cdb + 7, 2)});
    }
    // Six bytes for group 0, sixteen for the vendor and long groups (op bit 7), ten otherwise.
    const int length = (op & 0xE0) == 0 ? 6 : (op & 0x80) != 0 ? 16 : 10;
    std::string text;
    for (int i = 0; i < length; ++i) text += TextFormat("%02.2x", {uint32_t{cdb[i]}});
    return text;
}

std::string GetSenseKeyText(uint32_t senseKey) { return CodeTextOr(kSenseKey, senseKey, "Bad Sense Key"); }

std::string GetAscAscqText(int32_t key) {
    if (key < 0 || key > 0xFFFF) return "";
    return CodeTextOr(kAscAscq, static_cast<uint32_t>(key), "");
}

std::string GetMaintenanceOpText(uint32_t operation) {
    return CodeTextOr(kMaintenanceOp, operation, "Unknown  ");
}

std::string GetIobStatusText(uint32_t status) {
    if (const char* text = FindCodeText(kIobStatus, status)) return text;
    return TextFormat("IOB Status %x", {status});
}
