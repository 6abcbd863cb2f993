// The password cipher shared by the proxy and the provider: DES in electronic-codebook mode over 8-byte
// blocks, with the bits of every byte taken lowest bit first, applied to at most the first 40 characters
// of a text that is blank-padded to whole blocks.
#pragma once

#include <cstdint>

// The fixed key of both deliverables.
constexpr char DES_CIPHER_KEY[] = "vemorlit";

constexpr int DES_BLOCK_BYTES = 8;
constexpr int DES_MAX_TEXT = 40;  // characters enciphered at most; the rest of a text stays plain
constexpr int DES_ROUNDS = 16;
constexpr int DES_SUBKEY_BITS = 48;

using DesSubkeys = uint8_t[DES_ROUNDS][DES_SUBKEY_BITS];  // one bit per element

// Enciphers a NUL-terminated text in place. A text of up to 40 characters becomes blocks x 8 cipher
// bytes and a zero byte (the buffer must hold that many); bytes after the first zero byte of the cipher
// text are set to zero, as a bounded string copy leaves them. Nothing happens for a null pointer.
void DesEncipherString(char* text, const char* key);
// Deciphers in place the blocks covering length bytes (at most 5 blocks); writes no terminator.
void DesDecipherString(char* buffer, int length, const char* key);

// One 8-byte block in place, with the first 8 characters of key.
void DesEncipherBlock(uint8_t* block, const char* key);
void DesDecipherBlock(uint8_t* block, const char* key);

// The 16 subkeys of the key; each round's bits in order.
void DesKeySchedule(const char* key, DesSubkeys subkeys);
// The 16 rounds with initial and final permutation over 64 bits (one bit per element).
void DesEncryptRounds(uint8_t bits[64], const DesSubkeys subkeys);
void DesDecryptRounds(uint8_t bits[64], const DesSubkeys subkeys);
