// Serial numbers and partition IDs: the 16-byte partition ID (the first 16 bytes of a volume's serial
// number), its hexadecimal text, and the NAA name the provider gives a LUN.
#pragma once

#include "platform/com/com_results.h"
#include "platform/win_types.h"

constexpr size_t kPartitionIdBytes = 16;
constexpr size_t kSerialTextChars = 33;  // 32 digits and a terminator
// The provider's own result for a null or bad argument.
constexpr HRESULT kProviderBadArgument = MakeHresult(0xE00000A0);

// Hexadecimal text (either case) to bytes, most significant first; the output is zeroed over its whole
// length first. S_OK or E_INVALIDARG.
HRESULT BVSS_StringToSerialNumber(const char* text, BYTE* serialNumber, DWORD serialNumberLength);
// 16 bytes to 32 lower-case digits and a NUL; the buffer must hold 33 characters.
HRESULT BVSS_SerialNumberToStringBuffer(const BYTE* id, char* buffer, DWORD bufferLength);
// The same into a new block of task memory; *text must be null on entry.
HRESULT BVSS_SerialNumberToString(const BYTE* id, char** text);
// The first 16 bytes of a serial number of at least 16 bytes.
HRESULT BVSS_PartitionIDToSerialNumber(const BYTE* serialNumber, DWORD serialNumberLength, BYTE* partitionId);
// The 16-byte NAA name (registered extended, NAA 6) of a partition ID; the output length must be 16.
HRESULT BVSS_PartitionIDToFCFSName(const BYTE* partitionId, DWORD partitionIdLength, BYTE* name,
                                   DWORD nameLength);

// The 32 hexadecimal digits of a 16-byte partition ID, for log lines.
struct PartitionIdText {
    explicit PartitionIdText(const BYTE* id) { BVSS_SerialNumberToStringBuffer(id, text, sizeof text); }
    char text[kSerialTextChars] = {};
};
