#include "platform/system/virtual_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "platform/kernel/last_error.h"

namespace {

// Each region starts with one page that records its size, so that VirtualFree can release it whole.
struct RegionHead {
    uint64_t magic;
    size_t mappedSize;
};
constexpr uint64_t kRegionMagic = 0x6E6F69676572564DULL;

size_t PageSize() {
    static const size_t size = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

LPVOID Fail(DWORD error) {
    SetLastError(error);
    return nullptr;
}

}  // namespace

LPVOID VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect) {
    if (address != nullptr || size == 0 || allocationType != (MEM_COMMIT | MEM_RESERVE) ||
        protect != PAGE_READWRITE)
        return Fail(ERROR_INVALID_PARAMETER);
    const size_t page = PageSize();
    if (size > SIZE_MAX - 2 * page) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    const size_t mappedSize = page + (size + page - 1) / page * page;
    void* base = ::mmap(nullptr, mappedSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    *static_cast<RegionHead*>(base) = RegionHead{kRegionMagic, mappedSize};
    return static_cast<char*>(base) + page;
}

BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD freeType) {
    const size_t page = PageSize();
    const uintptr_t start = reinterpret_cast<uintptr_t>(address);
    if (address == nullptr || size != 0 || freeType != MEM_RELEASE || start % page != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RegionHead* head = reinterpret_cast<RegionHead*>(start - page);
    if (head->magic != kRegionMagic) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    head->magic = 0;
    if (::munmap(head, head->mappedSize) != 0) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    return TRUE;
}
