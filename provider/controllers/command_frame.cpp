#include "provider/controllers/command_frame.h"

#include <cstddef>
#include <cstring>
#include <optional>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/proxy_wire/buffer_wire.h"
#include "corlink/proxy_wire/reply_head.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/proxy_exchange.h"
#include "provider/controllers/proxy_session.h"

CommandReply RunCommand(const CommandFrame& frame, const std::function<void(uint8_t* data)>& fill,
                        uint32_t minimumSuccessLength) {
    std::optional<BVSS_FunctionTrace> trace;
    if (frame.trace != nullptr) trace.emplace(frame.trace);
    CommandReply reply;
    ProxySession& s = Session();
    if (s.buffer == nullptr || proxy_ensure_session() < 0) return reply;
    proxy_build_header(s.buffer, PROXY_REQUEST, frame.code);
    uint8_t* data = s.buffer + PROXY_HEADER_LENGTH;
    if (frame.cleared) std::memset(data, 0, frame.length);
    fill(data);
    if (frame.convertRequest) PackRreBuffer(frame.code, PACK_TO_NETWORK, data, frame.length);

    ProxyExchange exchange;
    const ExchangeFailure failure = proxy_exchange(frame.length, PROXY_REPLY, frame.code, &exchange);
    const WCHAR* name = frame.failureName;
    switch (failure) {
        case ExchangeFailure::NoReply:
            if (name != nullptr)
                BVSS_DebugPrint(L"OOP!! %s exec_cmnd(Line %d) error, it return len = %d\n", name, __LINE__,
                                exchange.received);
            return reply;
        case ExchangeFailure::ShortData:
            if (name != nullptr)
                BVSS_DebugPrint(
                    L"OOP!! %s ph->DataLen(Line %d) error, the len = %d, ntohl(ph->DataLen) = %d\n", name,
                    __LINE__, exchange.dataRead, exchange.dataLength);
            return reply;
        case ExchangeFailure::WrongType:
            if (name != nullptr)
                BVSS_DebugPrint(
                    L"OOP!! %s DataType or OpCode(Line %d) error, ph->DataType(=%d), PROXY_REPLY(=%d), "
                    L"ph->OpCode(=%d), %s(=%d) \n",
                    name, __LINE__, exchange.dataType, PROXY_REPLY, exchange.opCode, frame.failureLabel,
                    frame.code);
            return reply;
        case ExchangeFailure::None: break;
    }
    // The session's buffer may have been replaced only by a reset, which fails the exchange above.
    data = Session().buffer + PROXY_HEADER_LENGTH;
    if (exchange.dataRead < sizeof(RRE_HEAD)) {
        BVSS_DebugPrint(L"proxy command %u: reply of %u bytes has no code\n", frame.code, exchange.dataRead);
        return reply;
    }
    const auto* head = rre_wire::BufferAs<RRE_HEAD>(data);
    if (frame.convertReply) {
        PackRreBuffer(frame.code, PACK_FROM_NETWORK, data, exchange.dataRead);
        reply.code = static_cast<int32_t>(head->code);
    } else {
        reply.code = static_cast<int32_t>(ReadBigEndian32(data + offsetof(RRE_HEAD, code)));
    }
    if (reply.code == 0 && exchange.dataRead < minimumSuccessLength) {
        BVSS_DebugPrint(L"proxy command %u: reply of %u bytes, %u expected\n", frame.code, exchange.dataRead,
                        minimumSuccessLength);
        proxy_drop_session("reply shorter than its command's");
        reply.code = -1;
        return reply;
    }
    if (reply.code != 0 && name != nullptr)
        BVSS_DebugPrint(L"OOP!! %s return error code(Line %d) error, it return len = %d\n", name, __LINE__,
                        reply.code);
    reply.data = data;
    reply.length = exchange.dataRead;
    return reply;
}

int RunCommandCode(const CommandFrame& frame, const std::function<void(uint8_t* data)>& fill,
                   uint32_t minimumSuccessLength) {
    return RunCommand(frame, fill, minimumSuccessLength).code;
}
