// The messages between a device backend client and the fabric's server: one request, one reply, each a
// fixed head followed by its byte fields. Both sides bound every length by the limits below.
#pragma once

#include <cstdint>

#include "platform/devices/device_io.h"

namespace platform::fabric_wire {

enum class Op : uint32_t {
    Open = 1,            // name: the device; reply result: an instance id (0: none, error set)
    Control = 2,         // instance, I/O control code, input, data-out bytes
    QueryDosDevice = 3,  // name (or none, kNoName)
    Close = 4,           // instance
    Admin = 5,           // name: one administration message; reply output: its answer text
    WmiQuery = 6,        // name: the namespace, a line feed, the WQL text; reply result: the HRESULT,
                         // output: the objects (platform/devices/wmi_wire.h)
};

constexpr uint32_t kNoName = 1;  // RequestHead::flags: QueryDosDevice of every name

// Request: head, then nameLength name bytes, inLength input bytes, dataLength data-out bytes.
struct RequestHead {
    uint32_t op;
    uint32_t flags;
    uint32_t ioControlCode;
    uint32_t nameLength;
    uint32_t inLength;
    uint32_t outCapacity;  // the caller's output buffer size
    uint32_t dataLength;   // pass-through: the transfer length; data-out bytes follow only for writes
    uint32_t instance;     // Control and Close: the opened device
};

// Reply: head, then outLength output bytes, dataLength data-in bytes.
struct ReplyHead {
    uint32_t result;  // instance of Open, BOOL of Control and Close, characters of QueryDosDevice
    uint32_t error;
    uint32_t bytesReturned;
    uint32_t outLength;
    uint32_t dataLength;
};

constexpr uint32_t kMaxName = 1024;                // also the longest administration message
constexpr uint32_t kMaxBuffer = 0x40000 + 0x1000;  // the largest I/O control buffer (a DOS-device listing)
constexpr uint32_t kMaxData = 0x100000;            // the largest pass-through transfer carried
constexpr uint32_t kMaxOpenDevices = 4096;         // devices one connection may hold open

// The I/O controls whose input starts with a pass-through request whose data lives in the caller's memory.
constexpr bool CarriesPassThrough(uint32_t ioControlCode) {
    return ioControlCode == IOCTL_SCSI_PASS_THROUGH_DIRECT ||
           ioControlCode == IOCTL_MPIO_PASS_THROUGH_PATH_DIRECT;
}

constexpr bool RequestIsBounded(const RequestHead& head) {
    return head.nameLength <= kMaxName && head.inLength <= kMaxBuffer && head.outCapacity <= kMaxBuffer &&
           head.dataLength <= kMaxData;
}

}  // namespace platform::fabric_wire
