#include "corlink/proxy_protocol/proxy_header.h"

#include <cstring>

uint32_t ReadBigEndian32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | uint32_t{bytes[3]};
}

void WriteBigEndian32(uint8_t* bytes, uint32_t value) {
    bytes[0] = static_cast<uint8_t>(value >> 24);
    bytes[1] = static_cast<uint8_t>(value >> 16);
    bytes[2] = static_cast<uint8_t>(value >> 8);
    bytes[3] = static_cast<uint8_t>(value);
}

uint16_t ReadBigEndian16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]); }

namespace {
// The six words after the signature, in wire order.
uint32_t PROXY_MSG_HEADER::*const kHeaderWords[] = {
    &PROXY_MSG_HEADER::SecuritySequence, &PROXY_MSG_HEADER::Cookie,   &PROXY_MSG_HEADER::DataType,
    &PROXY_MSG_HEADER::OpCode,           &PROXY_MSG_HEADER::Reserved, &PROXY_MSG_HEADER::DataLen,
};
static_assert(PROXY_SIGNATURE_LENGTH + sizeof kHeaderWords / sizeof kHeaderWords[0] * 4 ==
              PROXY_HEADER_LENGTH);
}  // namespace

void EncodeProxyHeader(const PROXY_MSG_HEADER& header, uint8_t* wire) {
    std::memcpy(wire, header.Signature, PROXY_SIGNATURE_LENGTH);
    uint8_t* word = wire + PROXY_SIGNATURE_LENGTH;
    for (auto member : kHeaderWords) {
        WriteBigEndian32(word, header.*member);
        word += 4;
    }
}

PROXY_MSG_HEADER DecodeProxyHeader(const uint8_t* wire) {
    PROXY_MSG_HEADER header{};
    std::memcpy(header.Signature, wire, PROXY_SIGNATURE_LENGTH);
    const uint8_t* word = wire + PROXY_SIGNATURE_LENGTH;
    for (auto member : kHeaderWords) {
        header.*member = ReadBigEndian32(word);
        word += 4;
    }
    return header;
}

PROXY_MSG_HEADER MakeProxyHeader(uint32_t dataType, uint32_t opCode, uint32_t dataLen) {
    PROXY_MSG_HEADER header{};
    std::memcpy(header.Signature, PROXY_SIGNATURE, PROXY_SIGNATURE_TEXT_LENGTH);
    header.DataType = dataType;
    header.OpCode = opCode;
    header.DataLen = dataLen;
    return header;
}

bool CheckProxySignature(PROXY_MSG_HEADER& header) {
    header.Signature[PROXY_SIGNATURE_TEXT_LENGTH] = '\0';
    return std::strcmp(header.Signature, PROXY_SIGNATURE) == 0;
}
