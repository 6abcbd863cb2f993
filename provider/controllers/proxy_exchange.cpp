#include "provider/controllers/proxy_exchange.h"

#include "provider/controllers/proxy_session.h"

ExchangeFailure proxy_exchange(uint32_t requestDataLength, uint32_t expectedType, uint32_t expectedOpCode,
                               ProxyExchange* exchange) {
    ProxySession& s = Session();
    proxy_set_data_length(s.buffer, requestDataLength);
    exchange->received =
        exec_cmnd(s.buffer, PROXY_HEADER_LENGTH + requestDataLength, s.buffer, PROXY_HEADER_LENGTH);
    if (exchange->received <= 0) return ExchangeFailure::NoReply;
    const PROXY_MSG_HEADER header = DecodeProxyHeader(s.buffer);
    exchange->dataLength = header.DataLen;
    exchange->dataType = header.DataType;
    exchange->opCode = header.OpCode;
    if (header.DataLen != 0) {
        const int read = read_data(s.buffer + PROXY_HEADER_LENGTH, header.DataLen);
        if (read != static_cast<int>(header.DataLen)) return ExchangeFailure::ShortData;
        exchange->dataRead = header.DataLen;
    }
    if (header.DataType != expectedType || header.OpCode != expectedOpCode) return ExchangeFailure::WrongType;
    return ExchangeFailure::None;
}
