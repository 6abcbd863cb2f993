// Texts and blocks in COM task memory.
#pragma once

#include "platform/com/com_memory.h"

// A copy of a narrow text in task memory; null for null. Throws E_OUTOFMEMORY (as an HRESULT value) when
// the block cannot be had.
char* BVSS_CoTaskStrDup(const char* text);
// Frees the block a pointer holds and sets the pointer to null.
template <class T>
void BVSS_FreeCoTaskMem(T** pointer) {
    if (pointer == nullptr) return;
    CoTaskMemFree(*pointer);
    *pointer = nullptr;
}
