// The proxy message header codec and the request cookie, against bytes written out by hand.
#include <gtest/gtest.h>

#include <cstring>

#include "corlink/proxy_protocol/proxy_header.h"
#include "corlink/proxy_protocol/request_cookie.h"

namespace {

TEST(ProxyHeader, DecodesBigEndianFieldsAndEncodesThemBack) {
    const uint8_t wire[PROXY_HEADER_LENGTH] = {
        'K',  'E',  'S',  'T',  'R', 'A', 'V', 'O', 'N', 0, 0, 0,  //
        0x00, 0x00, 0x00, 0x05,                                    // SecuritySequence
        0x12, 0x34, 0x56, 0x78,                                    // Cookie
        0x00, 0x00, 0x00, 0x01,                                    // DataType
        0x00, 0x00, 0x00, 0x6A,                                    // OpCode
        0xDE, 0xAD, 0xBE, 0xEF,                                    // reserved
        0x00, 0x40, 0x00, 0x00,                                    // DataLen
    };
    PROXY_MSG_HEADER header = DecodeProxyHeader(wire);
    EXPECT_EQ(header.SecuritySequence, 5u);
    EXPECT_EQ(header.Cookie, 0x12345678u);
    EXPECT_EQ(header.DataType, uint32_t{PROXY_REQUEST});
    EXPECT_EQ(header.OpCode, 106u);
    EXPECT_EQ(header.Reserved, 0xDEADBEEFu);
    EXPECT_EQ(header.DataLen, 0x400000u);

    uint8_t back[PROXY_HEADER_LENGTH] = {};
    EncodeProxyHeader(header, back);
    EXPECT_EQ(std::memcmp(wire, back, sizeof wire), 0);
}

TEST(ProxyHeader, NewHeaderCarriesSignatureAndZeros) {
    uint8_t wire[PROXY_HEADER_LENGTH];
    EncodeProxyHeader(MakeProxyHeader(PROXY_CONTROL, CTRL_GOODBYE, 0), wire);
    const uint8_t expected[PROXY_HEADER_LENGTH] = {
        'K', 'E', 'S', 'T', 'R', 'A', 'V', 'O', 'N', 0,  0, 0, 0, 0, 0, 0, 0, 0,
        0,   0,   0,   0,   0,   3,   0,   0,   0,   14, 0, 0, 0, 0, 0, 0, 0, 0,
    };
    EXPECT_EQ(std::memcmp(wire, expected, sizeof wire), 0);
}

TEST(ProxyHeader, SignatureTestLooksAtTheFirstNineBytesOnly) {
    struct Case {
        const char bytes[PROXY_SIGNATURE_LENGTH];
        bool accepted;
    };
    const Case cases[] = {
        // clang-format off
        {{'K', 'E', 'S', 'T', 'R', 'A', 'V', 'O', 'N', 0, 0, 0}, true},
        {{'K', 'E', 'S', 'T', 'R', 'A', 'V', 'O', 'N', 'X', 'Y', 'Z'}, true},
        {{'K', 'E', 'S', 'T', 'R', 'A', 'V', 'O', 'X', 0, 0, 0}, false},
        {{'K', 'E', 'S', 'T', 'R', 'A', 0, 0, 0, 0, 0, 0}, false},
        {{'k', 'E', 'S', 'T', 'R', 'A', 'V', 'O', 'N', 0, 0, 0}, false},
        // clang-format on
    };
    for (const Case& c : cases) {
        PROXY_MSG_HEADER header{};
        std::memcpy(header.Signature, c.bytes, sizeof c.bytes);
        EXPECT_EQ(CheckProxySignature(header), c.accepted) << std::string(c.bytes, 9);
        EXPECT_EQ(header.Signature[9], '\0');
    }
}

TEST(RequestCookie, AddsBaseSequenceAndTableEntry) {
    struct Case {
        uint32_t base, sequence, cookie;
    };
    const Case cases[] = {
        // clang-format off
        {0, 0, 58},                    // first entry
        {100, 64, 100 + 64 + 58},      // 64 wraps to the first entry
        {7, 1, 7 + 1 + 50},            //
        {0, 63, 63 + 7},               // last entry
        {1000, 24, 1000 + 24 + 64},    // the entry that holds 64
        {0xFFFFFFFFu, 2, 2 - 1 + 42},  // sum wraps modulo 2^32
        // clang-format on
    };
    for (const Case& c : cases) EXPECT_EQ(ProxyRequestCookie(c.base, c.sequence), c.cookie) << c.sequence;
}

}  // namespace
