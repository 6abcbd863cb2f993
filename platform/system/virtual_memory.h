// Pages from the system for large buffers: VirtualAlloc commits zero-filled pages, VirtualFree returns them
// to the system at once (unlike the heap, which keeps what it has freed for its next allocations).
#pragma once

#include <cstddef>

#include "platform/win_types.h"

using SIZE_T = size_t;

constexpr DWORD MEM_COMMIT = 0x00001000;
constexpr DWORD MEM_RESERVE = 0x00002000;
constexpr DWORD MEM_RELEASE = 0x00008000;
constexpr DWORD PAGE_READWRITE = 0x04;

constexpr DWORD ERROR_INVALID_ADDRESS = 487;

// A new region of size bytes, zero-filled, readable and writable: address null, type
// MEM_COMMIT | MEM_RESERVE, protection PAGE_READWRITE. Null with ERROR_INVALID_PARAMETER for anything else,
// ERROR_NOT_ENOUGH_MEMORY when the system has no room.
LPVOID VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect);
// Releases a whole region that VirtualAlloc gave (the address it returned): size 0, type MEM_RELEASE.
BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD freeType);
