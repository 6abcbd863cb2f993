// What every proxy command wrapper does around its own request fields and outputs.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/system/wide_text.h"

struct CommandFrame {
    const WCHAR* trace;                   // the wrapper's name for the scope tracer; null: not traced
    uint32_t code;                        // the proxy command
    uint32_t length;                      // the request's data length (DataLen)
    bool cleared;                         // the data area is zeroed before the fields are set
    bool convertRequest;                  // the command's converter turns the request toward the network
    bool convertReply;                    // and the reply back; otherwise the code is read big-endian
    const WCHAR* failureName = nullptr;   // wrappers that log each failure: their name in the lines
    const WCHAR* failureLabel = nullptr;  // and the command's label there
};

struct CommandReply {
    int32_t code = -1;              // the reply's code, or -1 when the exchange failed
    const uint8_t* data = nullptr;  // the reply's data (in the session's buffer)
    uint32_t length = 0;            // data bytes read
};

// Builds the header, zeroes the data area when asked, lets fill set the request's fields, converts, sends
// and checks the reply. A reply that succeeded (code 0) with fewer than minimumSuccessLength data bytes
// fails the command and resets the session.
CommandReply RunCommand(const CommandFrame& frame, const std::function<void(uint8_t* data)>& fill,
                        uint32_t minimumSuccessLength);
// The same, for a command whose reply data the caller does not read: the reply's code alone.
int RunCommandCode(const CommandFrame& frame, const std::function<void(uint8_t* data)>& fill,
                   uint32_t minimumSuccessLength);
