// Golden packets of the CAPI command wrappers: for each wrapper a call and the packet it must send
// (command code, address selectors, include type, every include byte, parameter words), and the calls a
// wrapper must refuse without sending anything. The sample arguments and records they use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

#include "corlink/capi/controller_context.h"

namespace golden {

using Bytes = std::vector<uint8_t>;
using Call = std::function<int32_t(CAPI_HANDLE)>;

constexpr uint32_t kUnused = 0xFFFFFFFF;

struct Expect {
    uint32_t code;
    uint32_t array = kUnused;
    uint32_t channel = kUnused;
    uint32_t drive = kUnused;
    uint32_t includeType = 0;
    Bytes include = {};  // exactly the include bytes of the packet
    uint32_t p1 = 0;
    uint32_t p2 = 0;
    uint32_t p3 = 0;
    uint32_t p4 = 0;
    uint32_t p5 = 0;
};

struct Row {
    const char* wrapper;
    Call call;
    Expect expect;
};

struct Refusal {
    const char* wrapper;
    Call call;
    int32_t result;
};

const std::vector<Row>& ClassicRows();
const std::vector<Row>& UnifiedRows();
const std::vector<Refusal>& Refusals();

// ---- Building expected include records: zeros of the record's size with the named bytes placed.
struct At {
    size_t offset;
    Bytes bytes;
};
Bytes Record(size_t size, std::initializer_list<At> placed);
Bytes Le32(uint32_t value);
Bytes Le16(uint16_t value);
Bytes Text(const char* text);  // without its terminator
Bytes Span(const uint8_t* data, size_t length);
// A caller's record of `size` bytes: a fixed pattern, the same for every call.
Bytes Pattern(size_t size);
const uint8_t* PatternBytes(size_t size);

// ---- Sample arguments: identifiers, records and texts with distinct bytes.
extern const uint8_t* const kId;           // 32 bytes
extern const uint8_t* const kArrayId;      // 32 bytes
extern const uint8_t* const kDriveId;      // 8 bytes
extern const uint8_t* const kWwn;          // 8 bytes
extern const uint8_t* const kSerial16;     // 16 bytes
extern const uint8_t* const kCredentials;  // 8 bytes
extern const uint8_t* const kNickname;     // 80 bytes
extern const uint8_t* const kCacheParams;  // 32 bytes
extern const uint8_t* const kCdb;          // 16 bytes
// Flex ids (48 bytes) whose type, the first byte, is odd (an initiator with a name) and even.
extern const uint8_t* const kFlexOdd;
extern const uint8_t* const kFlexEven;
extern const char* const kInitiator;

}  // namespace golden
