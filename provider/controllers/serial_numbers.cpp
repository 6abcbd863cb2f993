#include "provider/controllers/serial_numbers.h"

#include <cstring>

#include "platform/com/com_memory.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Where the nibbles of a partition ID go in its NAA name (nibble 0 is the high nibble of byte 0); nibbles
// 12 to 15 of the ID are not carried, and the name's nibble 0 holds the NAA value 6.
struct NibbleRun {
    int from;
    int to;
    int count;
};
constexpr NibbleRun kNaaNibbles[] = {{0, 1, 6}, {6, 10, 6}, {16, 16, 16}};
constexpr BYTE kNaaRegisteredExtended = 0x60;

int Nibble(const BYTE* bytes, int index) {
    return index % 2 == 0 ? bytes[index / 2] >> 4 : bytes[index / 2] & 0x0F;
}
void OrNibble(BYTE* bytes, int index, int value) {
    bytes[index / 2] |= static_cast<BYTE>(index % 2 == 0 ? value << 4 : value);
}

HRESULT Returning(HRESULT hr) {
    BVSS_DebugPrint(L"returning 0x%08x\n", hr);
    return hr;
}

}  // namespace

HRESULT BVSS_StringToSerialNumber(const char* text, BYTE* serialNumber, DWORD serialNumberLength) {
    if (text == nullptr || serialNumber == nullptr) {
        BVSS_DebugPrint(
            L"BVSS_StringToSerialNumber(): invalid arguments, SerialNumberString=%p, SerialNumberOut=%p, "
            L"SerialNumberBufferLength=%u.\n",
            text, serialNumber, serialNumberLength);
        return E_INVALIDARG;
    }
    const size_t length = std::strlen(text);
    const size_t bytes = (length + 1) / 2;
    if (bytes > serialNumberLength) {
        BVSS_DebugPrint(
            L"BVSS_StringToSerialNumber(): serial string too long for binary value buffer, "
            L"SerialNumberString='%S', SerialNumberBufferLength=%u, serial string length=%u.\n",
            text, serialNumberLength, static_cast<unsigned>(length));
        return E_INVALIDARG;
    }
    if (length == 0) {
        BVSS_DebugPrint(
            L"BVSS_StringToSerialNumber(): empty serial string, SerialNumberString='%S', "
            L"SerialNumberBufferLength=%u, serial string length=%u.\n",
            text, serialNumberLength, 0u);
        return E_INVALIDARG;
    }
    BVSS_DebugPrint(
        L"BVSS_StringToSerialNumber(): SerialNumberString='%S', SerialNumberOut=%p, "
        L"SerialNumberBufferLength=%u.\n",
        text, serialNumber, serialNumberLength);
    std::memset(serialNumber, 0, serialNumberLength);
    size_t index = bytes - 1;
    if (HexValue(text[length - 1]) < 0) {
        BVSS_DebugPrint(
            L"BVSS_StringToSerialNumber(): ERROR: all of serial number string not processed, next "
            L"char='%C', offset=%u.\n",
            text[length - 1], static_cast<unsigned>(index));
        return E_INVALIDARG;
    }
    // From the end of the text: each character pair is one byte, the last character its low nibble.
    for (size_t i = length; i > 0; i -= i >= 2 ? 2 : 1, --index) {
        const int low = HexValue(text[i - 1]);
        if (low < 0) {
            BVSS_DebugPrint(
                L"BVSS_StringToSerialNumber(): ERROR: invalid character '%C' in serial number string LS "
                L"nibble at offset %u.\n",
                text[i - 1], static_cast<unsigned>(index));
            return E_INVALIDARG;
        }
        int value = low;
        if (i >= 2) {
            const int high = HexValue(text[i - 2]);
            if (high < 0) {
                BVSS_DebugPrint(
                    L"BVSS_StringToSerialNumber(): ERROR: invalid character '%C' in serial number string "
                    L"MS nibble at offset %u.\n",
                    text[i - 2], static_cast<unsigned>(index));
                return E_INVALIDARG;
            }
            value |= high << 4;
        }
        serialNumber[index] = static_cast<BYTE>(value);
        if (i < 2) break;
    }
    return S_OK;
}

HRESULT BVSS_SerialNumberToStringBuffer(const BYTE* id, char* buffer, DWORD bufferLength) {
    if (id == nullptr) {
        BVSS_DebugPrint(L"BVSS_SerialNumberToStringBuffer: NULL serial number argument.\n");
        return E_INVALIDARG;
    }
    if (buffer == nullptr) {
        BVSS_DebugPrint(L"BVSS_SerialNumberToStringBuffer: NULL output buffer argument.\n");
        return E_INVALIDARG;
    }
    if (bufferLength < kSerialTextChars) {
        BVSS_DebugPrint(L"BVSS_SerialNumberToStringBuffer: output buffer not large enough.\n");
        return E_INVALIDARG;
    }
    static const char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < kPartitionIdBytes; ++i) {
        buffer[2 * i] = kDigits[id[i] >> 4];
        buffer[2 * i + 1] = kDigits[id[i] & 0x0F];
    }
    buffer[2 * kPartitionIdBytes] = 0;
    return S_OK;
}

HRESULT BVSS_SerialNumberToString(const BYTE* id, char** text) {
    if (id == nullptr) {
        BVSS_DebugPrint(L"BVSS_SerialNumberToString: NULL serial number argument.\n");
        return E_INVALIDARG;
    }
    if (text == nullptr) {
        BVSS_DebugPrint(L"BVSS_SerialNumberToString: NULL return value argument.\n");
        return E_INVALIDARG;
    }
    if (*text != nullptr) {
        BVSS_DebugPrint(
            L"BVSS_SerialNumberToString: return pointer not NULL, need to free it or uninitialized "
            L"pointer?\n");
        return E_INVALIDARG;
    }
    auto* block = static_cast<char*>(CoTaskMemAlloc(kSerialTextChars));
    if (block == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = BVSS_SerialNumberToStringBuffer(id, block, kSerialTextChars);
    if (FAILED(hr)) {
        CoTaskMemFree(block);
        return hr;
    }
    *text = block;
    return S_OK;
}

HRESULT BVSS_PartitionIDToSerialNumber(const BYTE* serialNumber, DWORD serialNumberLength,
                                       BYTE* partitionId) {
    BVSS_FunctionTrace trace(L"BVSS_PartitionIDToSerialNumber");
    if (serialNumber == nullptr || partitionId == nullptr || serialNumberLength < kPartitionIdBytes)
        return Returning(kProviderBadArgument);
    std::memcpy(partitionId, serialNumber, kPartitionIdBytes);
    return Returning(S_OK);
}

HRESULT BVSS_PartitionIDToFCFSName(const BYTE* partitionId, DWORD partitionIdLength, BYTE* name,
                                   DWORD nameLength) {
    BVSS_FunctionTrace trace(L"BVSS_PartitionIDToFCFSName");
    if (partitionId == nullptr || name == nullptr || nameLength != kPartitionIdBytes ||
        partitionIdLength < kPartitionIdBytes)
        return Returning(kProviderBadArgument);
    std::memset(name, 0, kPartitionIdBytes);
    for (const NibbleRun& run : kNaaNibbles)
        for (int i = 0; i < run.count; ++i) OrNibble(name, run.to + i, Nibble(partitionId, run.from + i));
    name[0] |= kNaaRegisteredExtended;
    return Returning(S_OK);
}
