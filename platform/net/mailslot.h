// Mailslots (CreateMailslotA): a named server end that clients would send messages to. Here only the
// server end exists, private to the process like the other named objects: created once per name, it holds
// no message until a writer comes.
#pragma once

#include "platform/win_types.h"

constexpr DWORD MAILSLOT_NO_MESSAGE = 0xFFFFFFFFu;
constexpr DWORD MAILSLOT_WAIT_FOREVER = 0xFFFFFFFFu;

// name: "\\.\mailslot\<name>" (any case). INVALID_HANDLE_VALUE with ERROR_INVALID_NAME for another name,
// ERROR_ALREADY_EXISTS while a mailslot of that name is open.
HANDLE CreateMailslotA(LPCSTR name, DWORD maxMessageSize, DWORD readTimeout,
                       LPSECURITY_ATTRIBUTES attributes);
// The mailslot's settings and its queue (next message size, message count); FALSE (ERROR_INVALID_HANDLE)
// for a handle that is not a mailslot's. Null pointers are skipped.
BOOL GetMailslotInfo(HANDLE mailslot, DWORD* maxMessageSize, DWORD* nextSize, DWORD* messageCount,
                     DWORD* readTimeout);
