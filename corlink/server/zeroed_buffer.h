// A large buffer that has to be all zero before each use. It is made of whole pages of the system's
// (zero when given, and given back when the buffer goes, rather than kept by the heap), and it keeps track
// of how far it has been written since it was last zero, so that making it zero again clears only that part.
#pragma once

#include <cstdint>

class ZeroedBuffer {
  public:
    // data() is null when the pages could not be had.
    explicit ZeroedBuffer(uint32_t size);
    ~ZeroedBuffer();
    ZeroedBuffer(const ZeroedBuffer&) = delete;
    ZeroedBuffer& operator=(const ZeroedBuffer&) = delete;

    uint8_t* data() const { return m_data; }
    uint32_t size() const { return m_size; }
    // Its first length bytes (at most its size) may now differ from zero.
    void NoteUsed(uint32_t length);
    // All zero again.
    void ClearUsed();

  private:
    uint8_t* m_data;
    uint32_t m_size;
    uint32_t m_used = 0;
};
