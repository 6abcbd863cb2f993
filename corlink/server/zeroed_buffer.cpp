#include "corlink/server/zeroed_buffer.h"

#include <cstring>

#include "platform/system/virtual_memory.h"

ZeroedBuffer::ZeroedBuffer(uint32_t size)
    : m_data(static_cast<uint8_t*>(VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))),
      m_size(m_data != nullptr ? size : 0) {}

ZeroedBuffer::~ZeroedBuffer() {
    if (m_data != nullptr) VirtualFree(m_data, 0, MEM_RELEASE);
}

void ZeroedBuffer::NoteUsed(uint32_t length) {
    if (length > m_size) length = m_size;
    if (length > m_used) m_used = length;
}

void ZeroedBuffer::ClearUsed() {
    if (m_used > 0) std::memset(m_data, 0, m_used);
    m_used = 0;
}
