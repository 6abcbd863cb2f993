#include "provider/controllers/task_memory.h"

#include <cstring>

#include "platform/com/com_results.h"

char* BVSS_CoTaskStrDup(const char* text) {
    if (text == nullptr) return nullptr;
    const size_t size = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(CoTaskMemAlloc(size));
    if (copy == nullptr) throw static_cast<HRESULT>(E_OUTOFMEMORY);
    std::memcpy(copy, text, size);
    return copy;
}
