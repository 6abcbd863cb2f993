// One CAPI command as a handler of the fabric sees it: the request, the include read through bounds-checked
// typed access, the pair and the half it arrived at, and the answer the handler builds (a failure code, a
// record or a list) with the events it posts.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "corlink/capi_wire/capi_packet_header.h"
#include "sim/fabric_model.h"
#include "sim/model/event_log.h"

namespace sim {

// What a command is answered with: a return code and, on success, an include of some type.
struct CapiAnswer {
    int32_t returnCode = 0;
    uint32_t includeType = 0;
    uint32_t params[4] = {};  // param1 to param4 of the reply
    std::vector<uint8_t> data;
    uint32_t replyCode = 0;  // 0: the command code + 1000 (a classic command names its own)
};

class Call {
  public:
    Call(const CAPI_PACKET_HEADER& header, const uint8_t* include, uint32_t includeLength,
         StorageSystem& pair, int half, const Host& host, uint64_t nowMs)
        : header_(header),
          include_(include),
          includeLength_(includeLength),
          pair_(pair),
          half_(half),
          host_(host),
          nowMs_(nowMs) {}

    const CAPI_PACKET_HEADER& header() const { return header_; }
    StorageSystem& pair() { return pair_; }
    int half() const { return half_; }
    const Host& host() const { return host_; }
    uint64_t nowMs() const { return nowMs_; }
    uint32_t includeLength() const { return includeLength_; }
    const uint8_t* includeBytes() const { return include_; }

    // The include read as T: false (and *out untouched) when fewer bytes arrived.
    template <class T>
    bool Include(T* out) const {
        static_assert(std::is_trivially_copyable_v<T>);
        if (includeLength_ < sizeof(T)) return false;
        std::memcpy(out, include_, sizeof(T));
        return true;
    }
    // `length` include bytes from `offset`, or null when they did not all arrive.
    const uint8_t* IncludeAt(uint32_t offset, uint32_t length) const {
        if (offset > includeLength_ || length > includeLength_ - offset) return nullptr;
        return include_ + offset;
    }

    void Fail(int32_t returnCode) {
        answer_ = CapiAnswer{};
        answer_.returnCode = returnCode;
    }
    template <class T>
    void ReplyRecord(uint32_t includeType, const T& record) {
        static_assert(std::is_trivially_copyable_v<T>);
        const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
        ReplyList(includeType, 1, std::vector<uint8_t>(bytes, bytes + sizeof(T)));
    }
    // `count` records in param1.
    void ReplyList(uint32_t includeType, uint32_t count, std::vector<uint8_t> records) {
        answer_.includeType = includeType;
        answer_.params[0] = count;
        answer_.data = std::move(records);
    }
    void SetParam(int index, uint32_t value) { answer_.params[index] = value; }
    void SetReplyCode(uint32_t code) { answer_.replyCode = code; }
    // Takes a whole answer (a handler installed by a test).
    void Answer(CapiAnswer answer) { answer_ = std::move(answer); }
    void PostEvent(uint32_t code, uint32_t p1 = 0, uint32_t p2 = 0, uint32_t p3 = 0, uint32_t p4 = 0) {
        AppendEvent(pair_, Event{code, {p1, p2, p3, p4}, nowMs_, 0, {}});
    }

    bool failed() const { return answer_.returnCode != 0; }
    CapiAnswer& answer() { return answer_; }

  private:
    const CAPI_PACKET_HEADER& header_;
    const uint8_t* include_;
    uint32_t includeLength_;
    StorageSystem& pair_;
    int half_;
    const Host& host_;
    uint64_t nowMs_;
    CapiAnswer answer_;
};

}  // namespace sim
