// The password cipher against OpenSSL's DES, carried through the per-byte bit reversal.
#include "corlink/cipher/cipher.h"

#define OPENSSL_SUPPRESS_DEPRECATED  // the one-block DES calls are the oracle we want
#include <gtest/gtest.h>
#include <openssl/des.h>

#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Block = std::array<uint8_t, 8>;

uint8_t ReverseBits(uint8_t b) {
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i) r |= static_cast<uint8_t>(((b >> i) & 1) << (7 - i));
    return r;
}

Block Reversed(const Block& in) {
    Block out;
    for (size_t i = 0; i < 8; ++i) out[i] = ReverseBits(in[i]);
    return out;
}

// Standard DES on bit-reversed key, block and result.
Block OracleBlock(const Block& block, const Block& key, bool encipher) {
    DES_cblock keyBlock;
    Block rk = Reversed(key);
    memcpy(keyBlock, rk.data(), 8);
    DES_key_schedule schedule;
    DES_set_key_unchecked(&keyBlock, &schedule);
    Block in = Reversed(block);
    DES_cblock inBlock, outBlock;
    memcpy(inBlock, in.data(), 8);
    DES_ecb_encrypt(&inBlock, &outBlock, &schedule, encipher ? DES_ENCRYPT : DES_DECRYPT);
    Block out;
    memcpy(out.data(), outBlock, 8);
    return Reversed(out);
}

Block KeyOf(const char* text) {
    Block key;
    memcpy(key.data(), text, 8);
    return key;
}

std::string KeyText(const Block& key) { return std::string(reinterpret_cast<const char*>(key.data()), 8); }

// What DesEncipherString must leave in the buffer, built from the oracle: the first 40 characters
// blank-padded to whole blocks and enciphered, cut at the first zero byte and zero-filled, then the
// terminator (up to 40 characters) or the plain rest of the text.
std::string ExpectedEncipheredString(const std::string& text) {
    size_t n = std::min<size_t>(text.size(), 40);
    size_t blocks = (n + 7) / 8;
    std::string work = text.substr(0, n) + std::string(blocks * 8 - n, ' ');
    for (size_t b = 0; b < blocks; ++b) {
        Block block;
        memcpy(block.data(), work.data() + b * 8, 8);
        block = OracleBlock(block, KeyOf(DES_CIPHER_KEY), true);
        memcpy(work.data() + b * 8, block.data(), 8);
    }
    size_t kept = strnlen(work.c_str(), work.size());
    std::string result = work.substr(0, kept) + std::string(work.size() - kept, '\0');
    if (text.size() > 40) return result + text.substr(40) + '\0';
    return result + '\0';
}

TEST(Cipher, FipsKnownAnswerThroughBitReversal) {
    const Block key = {0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1};
    const Block plain = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    const Block cipher = {0x85, 0xE8, 0x13, 0x54, 0x0F, 0x0A, 0xB4, 0x05};
    std::string keyText = KeyText(Reversed(key));

    Block block = Reversed(plain);
    DesEncipherBlock(block.data(), keyText.c_str());
    EXPECT_EQ(block, Reversed(cipher));
    DesDecipherBlock(block.data(), keyText.c_str());
    EXPECT_EQ(block, Reversed(plain));
}

TEST(Cipher, MatchesStandardDesOnRandomBlocksAndKeys) {
    std::mt19937 rng(20261210);
    std::uniform_int_distribution<int> byte(0, 255), keyByte(1, 255);  // a key is text: no zero byte
    for (int i = 0; i < 300; ++i) {
        Block key, plain;
        for (auto& b : key) b = static_cast<uint8_t>(keyByte(rng));
        for (auto& b : plain) b = static_cast<uint8_t>(byte(rng));
        std::string keyText = KeyText(key);

        Block block = plain;
        DesEncipherBlock(block.data(), keyText.c_str());
        ASSERT_EQ(block, OracleBlock(plain, key, true)) << "case " << i;
        Block back = block;
        DesDecipherBlock(back.data(), keyText.c_str());
        ASSERT_EQ(back, plain) << "case " << i;
    }
}

TEST(Cipher, TopBitOfEveryKeyCharacterIsIgnored) {
    Block block = {'p', 'a', 's', 's', 'w', 'o', 'r', 'd'};
    Block other = block;
    char flipped[9];
    for (int i = 0; i < 8; ++i) flipped[i] = static_cast<char>(DES_CIPHER_KEY[i] | 0x80);
    flipped[8] = '\0';
    DesEncipherBlock(block.data(), DES_CIPHER_KEY);
    DesEncipherBlock(other.data(), flipped);
    EXPECT_EQ(block, other);
}

// Texts around the block size, the 40-character limit and the 56-byte work buffer.
TEST(Cipher, EncipherStringPadsLimitsAndCopiesBack) {
    const std::vector<size_t> lengths = {0, 1, 5, 8, 9, 16, 39, 40, 41, 45, 55, 56, 200};
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> printable(0x21, 0x7E);
    for (size_t length : lengths) {
        std::string text;
        for (size_t i = 0; i < length; ++i) text += static_cast<char>(printable(rng));
        std::string expected = ExpectedEncipheredString(text);

        std::vector<char> buffer(std::max(expected.size(), text.size() + 1) + 16, '\x5A');
        memcpy(buffer.data(), text.c_str(), text.size() + 1);
        DesEncipherString(buffer.data(), DES_CIPHER_KEY);
        EXPECT_EQ(std::string(buffer.data(), expected.size()), expected) << "length " << length;
        for (size_t i = std::max(expected.size(), text.size() + 1); i < buffer.size(); ++i) {
            ASSERT_EQ(buffer[i], '\x5A') << "length " << length << " wrote past the text at " << i;
        }
    }
}

// A 16-character password survives the round trip exactly when its cipher text holds no zero byte.
TEST(Cipher, RoundTripDependsOnZeroBytesInTheCipherText) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> printable(0x21, 0x7E);
    int survived = 0, lost = 0;
    for (int i = 0; i < 400 && (survived == 0 || lost == 0); ++i) {
        std::string password;
        for (int c = 0; c < 16; ++c) password += static_cast<char>(printable(rng));
        char buffer[17];
        memcpy(buffer, password.c_str(), 17);
        DesEncipherString(buffer, DES_CIPHER_KEY);
        bool hasZero = strnlen(buffer, 16) < 16;
        DesDecipherString(buffer, 16, DES_CIPHER_KEY);
        if (hasZero) {
            ++lost;
            EXPECT_NE(std::string(buffer, 16), password);
        } else {
            ++survived;
            EXPECT_EQ(std::string(buffer, 16), password);
        }
    }
    EXPECT_GT(survived, 0);
    EXPECT_GT(lost, 0);
}

TEST(Cipher, DecipherStringCoversAtMostFiveBlocks) {
    struct Case {
        int length;
        size_t bytesDeciphered;
    };
    const Case cases[] = {{0, 0}, {1, 8}, {8, 8}, {9, 16}, {33, 40}, {40, 40}, {41, 40}, {255, 40}, {-5, 0}};
    uint8_t plain[48];
    for (size_t i = 0; i < sizeof(plain); ++i) plain[i] = static_cast<uint8_t>(i * 7 + 1);
    for (const Case& c : cases) {
        uint8_t buffer[48];
        memcpy(buffer, plain, sizeof(buffer));
        DesDecipherString(reinterpret_cast<char*>(buffer), c.length, DES_CIPHER_KEY);
        for (size_t b = 0; b < 6; ++b) {
            Block expected;
            memcpy(expected.data(), plain + b * 8, 8);
            if (b * 8 < c.bytesDeciphered) expected = OracleBlock(expected, KeyOf(DES_CIPHER_KEY), false);
            Block actual;
            memcpy(actual.data(), buffer + b * 8, 8);
            EXPECT_EQ(actual, expected) << "length " << c.length << " block " << b;
        }
    }
}

TEST(Cipher, NullPointersDoNothing) {
    char text[] = "secret";
    DesEncipherString(nullptr, DES_CIPHER_KEY);
    DesEncipherString(text, nullptr);
    DesDecipherString(nullptr, 8, DES_CIPHER_KEY);
    DesDecipherString(text, 6, nullptr);
    EXPECT_STREQ(text, "secret");
}

}  // namespace
