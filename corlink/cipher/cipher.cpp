#include "corlink/cipher/cipher.h"

#include <cstring>

namespace {

// The standard DES tables, 1-based bit positions.
constexpr uint8_t kInitialPermutation[64] = {58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
                                             62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
                                             57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,
                                             61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7};

constexpr uint8_t kFinalPermutation[64] = {40, 8, 48, 16, 56, 24, 64, 32, 39, 7, 47, 15, 55, 23, 63, 31,
                                           38, 6, 46, 14, 54, 22, 62, 30, 37, 5, 45, 13, 53, 21, 61, 29,
                                           36, 4, 44, 12, 52, 20, 60, 28, 35, 3, 43, 11, 51, 19, 59, 27,
                                           34, 2, 42, 10, 50, 18, 58, 26, 33, 1, 41, 9,  49, 17, 57, 25};

constexpr uint8_t kExpansion[48] = {32, 1,  2,  3,  4,  5,  4,  5,  6,  7,  8,  9,  8,  9,  10, 11,
                                    12, 13, 12, 13, 14, 15, 16, 17, 16, 17, 18, 19, 20, 21, 20, 21,
                                    22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1};

constexpr uint8_t kPermutationP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                                       2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

constexpr uint8_t kSBoxes[8][64] = {
    // clang-format off
    {14, 4,  13, 1, 2,  15, 11, 8,  3,  10, 6,  12, 5,  9,  0, 7, 0, 15, 7,  4,  14, 2,  13, 1,  10, 6, 12, 11,
     9,  5,  3,  8, 4,  1,  14, 8,  13, 6,  2,  11, 15, 12, 9, 7, 3, 10, 5,  0,  15, 12, 8,  2,  4,  9, 1,  7,
     5,  11, 3,  14, 10, 0, 6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4,  9,  7, 2,  13, 12, 0, 5,  10, 3,  13, 4,  7, 15, 2,  8,  14, 12, 0,
     1,  10, 6,  9,  11, 5,  0,  14, 7,  11, 10, 4,  13, 1, 5,  8,  12, 6,  9, 3,  2,  15, 13, 8,  10, 1,
     3,  15, 4,  2,  11, 6,  7,  12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6,  3,  15, 5,  1,  13, 12, 7,  11, 4,  2,  8,  13, 7,  0,  9,  3,  4,
     6,  10, 2,  8,  5,  14, 12, 11, 15, 1,  13, 6,  4,  9,  8,  15, 3,  0,  11, 1,  2,  12,
     5,  10, 14, 7,  1,  10, 13, 0,  6,  9,  8,  7,  4,  15, 14, 3,  11, 5,  2,  12},
    {7,  13, 14, 3,  0,  6,  9,  10, 1,  2,  8,  5,  11, 12, 4,  15, 13, 8,  11, 5,  6,  15,
     0,  3,  4,  7,  2,  12, 1,  10, 14, 9,  10, 6,  9,  0,  12, 11, 7,  13, 15, 1,  3,  14,
     5,  2,  8,  4,  3,  15, 0,  6,  10, 1,  13, 8,  9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4,  1,  7,  10, 11, 6,  8,  5,  3,  15, 13, 0,  14, 9,  14, 11, 2,  12, 4,  7,
     13, 1,  5,  0,  15, 10, 3,  9,  8,  6,  4,  2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,
     6,  3,  0,  14, 11, 8,  12, 7,  1,  14, 2,  13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6,  8,  0,  13, 3,  4,  14, 7,  5,  11, 10, 15, 4,  2,  7,  12,
     9,  5,  6,  1,  13, 14, 0,  11, 3,  8,  9,  14, 15, 5,  2,  8,  12, 3,  7,  0,  4,  10,
     1,  13, 11, 6,  4,  3,  2,  12, 9,  5,  15, 10, 11, 14, 1,  7,  6,  0,  8,  13},
    {4,  11, 2,  14, 15, 0,  8,  13, 3,  12, 9,  7,  5,  10, 6,  1,  13, 0,  11, 7,  4,  9,
     1,  10, 14, 3,  5,  12, 2,  15, 8,  6,  1,  4,  11, 13, 12, 3,  7,  14, 10, 15, 6,  8,
     0,  5,  9,  2,  6,  11, 13, 8,  1,  4,  10, 7,  9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2,  8,  4,  6,  15, 11, 1,  10, 9,  3,  14, 5,  0,  12, 7,  1,  15, 13, 8,  10, 3,
     7,  4,  12, 5,  6,  11, 0,  14, 9,  2,  7,  11, 4,  1,  9,  12, 14, 2,  0,  6,  10, 13,
     15, 3,  5,  8,  2,  1,  14, 7,  4,  10, 8,  13, 15, 12, 9,  0,  3,  5,  6,  11},
    // clang-format on
};

constexpr uint8_t kPermutedChoice1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                                          10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                                          63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                                          14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

constexpr uint8_t kPermutedChoice2[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,
                                          26, 8,  16, 7,  27, 20, 13, 2,  41, 52, 31, 37, 47, 55, 30, 40,
                                          51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

constexpr uint8_t kShifts[DES_ROUNDS] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

// out[i] := in[table[i] - 1]
template <size_t N>
void Permute(const uint8_t (&table)[N], const uint8_t* in, uint8_t* out) {
    for (size_t i = 0; i < N; ++i) out[i] = in[table[i] - 1];
}

// Bit k (1-based) is bit (k-1) % 8, counted from the least significant, of byte (k-1) / 8.
void UnpackBits(const uint8_t* bytes, uint8_t bits[64]) {
    for (int i = 0; i < 64; ++i) bits[i] = (bytes[i / 8] >> (i % 8)) & 1;
}

void PackBits(const uint8_t bits[64], uint8_t* bytes) {
    for (int i = 0; i < 8; ++i) bytes[i] = 0;
    for (int i = 0; i < 64; ++i) bytes[i / 8] |= static_cast<uint8_t>(bits[i] << (i % 8));
}

// The key's first 8 characters; a shorter key text is padded with zero bytes.
void KeyBytes(const char* key, uint8_t out[8]) {
    size_t n = strnlen(key, 8);
    memset(out, 0, 8);
    memcpy(out, key, n);
}

void RotateLeft28(uint8_t* half, int count) {
    uint8_t saved[2];
    for (int i = 0; i < count; ++i) saved[i] = half[i];
    memmove(half, half + count, 28 - count);
    for (int i = 0; i < count; ++i) half[28 - count + i] = saved[i];
}

// f(R, K) = P(S(E(R) xor K)).
void Feistel(const uint8_t right[32], const uint8_t subkey[48], uint8_t out[32]) {
    uint8_t expanded[48];
    Permute(kExpansion, right, expanded);
    for (int i = 0; i < 48; ++i) expanded[i] ^= subkey[i];
    uint8_t substituted[32];
    for (int box = 0; box < 8; ++box) {
        const uint8_t* in = expanded + box * 6;
        int row = (in[0] << 1) | in[5];
        int column = (in[1] << 3) | (in[2] << 2) | (in[3] << 1) | in[4];
        uint8_t value = kSBoxes[box][row * 16 + column];
        for (int b = 0; b < 4; ++b) substituted[box * 4 + b] = (value >> (3 - b)) & 1;
    }
    Permute(kPermutationP, substituted, out);
}

// IP, 16 rounds with the subkeys in the given order, exchange of the halves, FP.
void RunRounds(uint8_t bits[64], const DesSubkeys subkeys, bool decipher) {
    uint8_t block[64];
    Permute(kInitialPermutation, bits, block);
    uint8_t* left = block;
    uint8_t* right = block + 32;
    for (int round = 0; round < DES_ROUNDS; ++round) {
        const uint8_t* subkey = subkeys[decipher ? DES_ROUNDS - 1 - round : round];
        uint8_t f[32];
        Feistel(right, subkey, f);
        for (int i = 0; i < 32; ++i) {
            uint8_t newRight = left[i] ^ f[i];
            left[i] = right[i];
            right[i] = newRight;
        }
    }
    uint8_t exchanged[64];
    memcpy(exchanged, right, 32);
    memcpy(exchanged + 32, left, 32);
    Permute(kFinalPermutation, exchanged, bits);
}

void CipherBlock(uint8_t* block, const char* key, bool decipher) {
    DesSubkeys subkeys;
    DesKeySchedule(key, subkeys);
    uint8_t bits[64];
    UnpackBits(block, bits);
    if (decipher) {
        DesDecryptRounds(bits, subkeys);
    } else {
        DesEncryptRounds(bits, subkeys);
    }
    PackBits(bits, block);
}

}  // namespace

void DesKeySchedule(const char* key, DesSubkeys subkeys) {
    uint8_t keyBytes[8];
    KeyBytes(key, keyBytes);
    uint8_t keyBits[64];
    UnpackBits(keyBytes, keyBits);
    uint8_t halves[56];  // C then D, 28 bits each
    Permute(kPermutedChoice1, keyBits, halves);
    for (int round = 0; round < DES_ROUNDS; ++round) {
        RotateLeft28(halves, kShifts[round]);
        RotateLeft28(halves + 28, kShifts[round]);
        Permute(kPermutedChoice2, halves, subkeys[round]);
    }
}

void DesEncryptRounds(uint8_t bits[64], const DesSubkeys subkeys) { RunRounds(bits, subkeys, false); }

void DesDecryptRounds(uint8_t bits[64], const DesSubkeys subkeys) { RunRounds(bits, subkeys, true); }

void DesEncipherBlock(uint8_t* block, const char* key) { CipherBlock(block, key, false); }

void DesDecipherBlock(uint8_t* block, const char* key) { CipherBlock(block, key, true); }

void DesEncipherString(char* text, const char* key) {
    if (text == nullptr || key == nullptr) return;
    // Only the enciphered characters enter the work buffer, so a text of any length fits.
    size_t length = strnlen(text, DES_MAX_TEXT + 1);
    bool longText = length > static_cast<size_t>(DES_MAX_TEXT);
    size_t n = longText ? DES_MAX_TEXT : length;
    size_t blocks = (n + DES_BLOCK_BYTES - 1) / DES_BLOCK_BYTES;
    size_t cipherBytes = blocks * DES_BLOCK_BYTES;

    uint8_t work[DES_MAX_TEXT];
    memcpy(work, text, n);
    memset(work + n, ' ', cipherBytes - n);
    for (size_t b = 0; b < blocks; ++b) DesEncipherBlock(work + b * DES_BLOCK_BYTES, key);

    // Bounded string copy: the cipher text is cut at its first zero byte and the rest of the field zeroed.
    size_t kept = strnlen(reinterpret_cast<const char*>(work), cipherBytes);
    memcpy(text, work, kept);
    memset(text + kept, 0, cipherBytes - kept);
    if (!longText) text[cipherBytes] = '\0';
}

void DesDecipherString(char* buffer, int length, const char* key) {
    if (buffer == nullptr || key == nullptr || length <= 0) return;
    int blocks = length <= DES_MAX_TEXT ? (length + DES_BLOCK_BYTES - 1) / DES_BLOCK_BYTES
                                        : DES_MAX_TEXT / DES_BLOCK_BYTES;
    uint8_t work[DES_MAX_TEXT];
    size_t bytes = static_cast<size_t>(blocks) * DES_BLOCK_BYTES;
    memcpy(work, buffer, bytes);
    for (int b = 0; b < blocks; ++b) DesDecipherBlock(work + b * DES_BLOCK_BYTES, key);
    memcpy(buffer, work, bytes);
}
