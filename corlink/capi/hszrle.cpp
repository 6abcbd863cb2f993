#include "corlink/capi/hszrle.h"

#include <cstdio>

#include "corlink/foundation/console_text.h"
#include "corlink/foundation/hex_dump.h"

namespace {

constexpr int kSendDirection = 1;
constexpr int kReceiveDirection = 0;
constexpr uint32_t kLongestRun = 255;

// Writes bytes while the output stays below the capacity; every failed test is reported by its number.
class BoundedOutput {
  public:
    BoundedOutput(const char* function, uint8_t* destination, uint32_t capacity)
        : function_(function), destination_(destination), capacity_(capacity) {}

    uint32_t count() const { return count_; }
    bool failed() const { return failed_; }

    // Writes one byte; fails with `error` when the count then reaches the capacity.
    bool Put(uint8_t value, int error) {
        if (failed_) return false;
        if (count_ >= capacity_) return Fail(error);
        destination_[count_++] = value;
        return count_ < capacity_ || Fail(error);
    }
    // Fails with `error` unless `extra` more bytes still leave the count below the capacity.
    bool Reserve(uint32_t extra, int error) {
        if (failed_) return false;
        return static_cast<uint64_t>(count_) + extra < capacity_ || Fail(error);
    }
    bool Fail(int error) {
        ConsoleWritef("%s: ERROR%d: output buffer length is too large\n", function_, error);
        failed_ = true;
        return false;
    }

  private:
    const char* function_;
    uint8_t* destination_;
    uint32_t capacity_;
    uint32_t count_ = 0;
    bool failed_ = false;
};

// A literal byte, the escape byte doubled; `escapeError` when a doubled escape would not fit,
// `afterError` when the count reaches the capacity after the write.
bool PutLiteral(BoundedOutput& out, uint8_t value, int escapeError, int afterError) {
    if (value != HSZRLE_ESCAPE) return out.Put(value, afterError);
    return out.Reserve(2, escapeError) && out.Put(HSZRLE_ESCAPE, afterError) && out.Put(0x00, afterError);
}

}  // namespace

uint32_t HSZRLECompress(const uint8_t* source, uint8_t* destination, uint32_t sourceLength,
                        uint32_t capacity) {
    DumpPacket(kSendDirection, source, sourceLength);
    BoundedOutput out("HSZRLECompress", destination, capacity);
    uint32_t i = 0;
    while (i < sourceLength && !out.failed()) {
        const uint8_t value = source[i++];
        if (value != 0) {
            PutLiteral(out, value, 6, 7);
            continue;
        }
        uint32_t run = 1;
        bool endedByByte = false;
        uint8_t ender = 0;
        while (run < kLongestRun && i < sourceLength) {
            ender = source[i++];
            if (ender != 0) {
                endedByByte = true;
                break;
            }
            ++run;
        }
        if (run == 1) {
            out.Put(0x00, 1);
        } else {
            if (out.Put(HSZRLE_ESCAPE, 2)) out.Put(static_cast<uint8_t>(run), 3);
        }
        if (endedByByte) PutLiteral(out, ender, 4, 5);
    }
    return out.failed() ? 0 : out.count();
}

uint32_t HSZRLEUncompress(const uint8_t* source, uint8_t* destination, uint32_t sourceLength,
                          uint32_t capacity) {
    BoundedOutput out("HSZRLEUncompress", destination, capacity);
    uint32_t i = 0;
    while (i < sourceLength && !out.failed()) {
        const uint8_t value = source[i++];
        if (value != HSZRLE_ESCAPE) {
            out.Put(value, 3);
            continue;
        }
        if (i == sourceLength) {
            // The encoder never ends on an escape byte: refuse rather than guess its count.
            ConsoleWritef("HSZRLEUncompress: ERROR4: input ends with an escape byte\n");
            return 0;
        }
        const uint8_t count = source[i++];
        if (count == 0) {
            out.Put(HSZRLE_ESCAPE, 1);
        } else {
            for (uint32_t k = 0; k < count; ++k) {
                if (!out.Put(0x00, 2)) break;
            }
        }
    }
    if (out.failed()) return 0;
    DumpPacket(kReceiveDirection, destination, out.count());
    return out.count();
}
