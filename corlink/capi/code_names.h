// Texts of CAPI codes for the logs, the console and the event texts.
#pragma once

#include <cstddef>
#include <cstdint>

// Large enough for every text the name functions write.
inline constexpr size_t CAPI_NAME_TEXT_SIZE = 64;

// The command's name ("U_COMMIT_SNAPSHOTS" followed by blanks up to 31 characters for the padded
// names), or "----<code>----" for a code without a name.
void CapiCommandName(int32_t commandCode, char* text, size_t size);

// "OK" for 0, "---" for 4095, "<name>(<code>)" for a named return code, else "No decode(<code>)".
void CapiReturnCodeName(int32_t returnCode, char* text, size_t size);

// "CAPI_REPLY_<name>" as the reply table writes it for 300 to 416, "CAPI_REPLY_<unified command name>"
// (without padding) for the reply to a unified command; an empty text for any other code.
void CapiReplyName(uint32_t replyCode, char* text, size_t size);
