// The frame that every CAPI command wrapper shares: the object address, the parameter words, the include
// records a wrapper takes from its caller or builds itself, and the argument shapes of the wrapper tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "corlink/capi/controller_context.h"

namespace wrapper_frame {

// A selector the command does not use; as param1 of the host commands: "the identifier names the host".
constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr size_t kObjectIdLength = 32;  // an object's serial-number field
constexpr size_t kDriveIdLength = 8;
constexpr uint32_t kObjectIdIncludeType = 21;  // CAPI_OBJECT_ID; the send path widens 32 bytes to 72
constexpr uint32_t kDriveIdIncludeType = 61;   // CAPI_UNIFIED_DRIVE_ID

// The five parameter words of a command; a word a command does not use is 0.
struct Words {
    uint32_t p1 = 0;
    uint32_t p2 = 0;
    uint32_t p3 = 0;
    uint32_t p4 = 0;  // the controller's A/B byte in unified list and controller commands
    uint32_t p5 = 0;
};

CAPI_ADDRESS Address(CAPI_HANDLE handle, uint32_t array = kNone, uint32_t channel = kNone,
                     uint32_t drive = kNone);

// The frame's last step: the command goes to the send path, whose result comes back unchanged.
int32_t Send(uint32_t code, const CAPI_ADDRESS& address, const Words& words = {}, uint32_t includeType = 0,
             const void* include = nullptr);
// A caller's structure, sent unchanged; a missing one is refused with CAPI_STATUS_NULL_POINTER.
int32_t SendRecord(uint32_t code, const CAPI_ADDRESS& address, uint32_t includeType, const void* record,
                   const Words& words = {});
// A 32-byte object identifier as a type-21 record, to the whole controller; a missing one is refused.
int32_t SendId(uint32_t code, CAPI_HANDLE handle, const uint8_t* id, const Words& words = {});
// The same, but a missing identifier asks for the whole controller: 32 zero bytes.
int32_t SendIdOrNull(uint32_t code, CAPI_HANDLE handle, const uint8_t* id, const Words& words = {});
// An 8-byte drive identifier in a built type-61 record (at byte 32), with the array's identifier at byte 0
// when one is given; a missing drive identifier is refused.
int32_t SendDriveId(uint32_t code, CAPI_HANDLE handle, const uint8_t* driveId,
                    const uint8_t* arrayId = nullptr);

// An include structure that a wrapper builds: all zero at the start, then only the bytes the command names
// are written. Fixed places are checked against the structure at compile time, counted ones at run time.
template <class T>
class BuiltRecord {
  public:
    BuiltRecord() { Clear(); }
    void Clear() { std::memset(bytes_, 0, sizeof bytes_); }

    template <size_t Offset, size_t Length>
    void Copy(const void* source) {
        static_assert(Offset + Length <= sizeof(T), "outside the record");
        std::memcpy(bytes_ + Offset, source, Length);
    }
    // Text of at most Capacity characters, read no further than that; a shorter text leaves the rest zero.
    template <size_t Offset, size_t Capacity>
    void CopyText(const char* text) {
        static_assert(Offset + Capacity <= sizeof(T), "outside the record");
        std::memcpy(bytes_ + Offset, text, strnlen(text, Capacity));
    }
    template <size_t Offset, class V>
    void Put(V value) {
        static_assert(Offset + sizeof(V) <= sizeof(T), "outside the record");
        std::memcpy(bytes_ + Offset, &value, sizeof value);
    }
    // A counted copy; false (nothing written) when it would not fit.
    bool CopyCounted(size_t offset, const void* source, uint64_t length) {
        if (offset > sizeof(T) || length > sizeof(T) - offset) return false;
        if (length > 0) std::memcpy(bytes_ + offset, source, static_cast<size_t>(length));
        return true;
    }
    const uint8_t* data() const { return bytes_; }

  private:
    uint8_t bytes_[sizeof(T)];
};

}  // namespace wrapper_frame
