// One exchange on the proxy session, the pattern that the control steps and every command wrapper share:
// send the message built in the session's buffer, read the reply's header and its data, check its class
// and code.
#pragma once

#include <cstdint>

enum class ExchangeFailure {
    None,
    NoReply,    // nothing sent, no reply in time, or no whole header
    ShortData,  // fewer data bytes than the header announced
    WrongType,  // a reply of another class or code (for example the proxy's security-check failure)
};

struct ProxyExchange {
    int received = 0;       // exec_cmnd's result
    uint32_t dataRead = 0;  // data bytes read behind the header
    uint32_t dataLength = 0;
    uint32_t dataType = 0;
    uint32_t opCode = 0;
};

// The request's header is already built in the session's buffer; sets its DataLen to requestDataLength.
ExchangeFailure proxy_exchange(uint32_t requestDataLength, uint32_t expectedType, uint32_t expectedOpCode,
                               ProxyExchange* exchange);
