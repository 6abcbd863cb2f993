#include "corlink/capi/hszrle.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Zeros(size_t n) { return Bytes(n, 0x00); }
Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

using Coder = uint32_t (*)(const uint8_t*, uint8_t*, uint32_t, uint32_t);

// Codes into a buffer of exactly `capacity` bytes, so that a write past it is caught.
uint32_t Code(Coder coder, const Bytes& source, uint32_t capacity, Bytes* result) {
    Bytes out(capacity);
    const uint32_t n = coder(source.data(), out.data(), static_cast<uint32_t>(source.size()), capacity);
    out.resize(n);
    *result = out;
    return n;
}
uint32_t Encode(const Bytes& source, uint32_t capacity, Bytes* encoded) {
    return Code(&HSZRLECompress, source, capacity, encoded);
}
uint32_t Decode(const Bytes& source, uint32_t capacity, Bytes* decoded) {
    return Code(&HSZRLEUncompress, source, capacity, decoded);
}

struct Vector {
    const char* name;
    Bytes plain;
    Bytes encoded;
};

std::vector<Vector> Vectors() {
    return {
        // clang-format off
        {"zero run then byte", {0x00, 0x00, 0x00, 0x41}, {0x69, 0x03, 0x41}},
        {"single zero", {0x00, 0x41}, {0x00, 0x41}},
        {"escape byte", {0x69}, {0x69, 0x00}},
        {"300 zeros", Zeros(300), {0x69, 0xFF, 0x69, 0x2D}},
        {"256 zeros", Zeros(256), {0x69, 0xFF, 0x00}},
        {"255 zeros", Zeros(255), {0x69, 0xFF}},
        {"run ended by escape", {0x00, 0x00, 0x69, 0x7F}, {0x69, 0x02, 0x69, 0x00, 0x7F}},
        {"255 zeros then escape", Join(Zeros(255), {0x69}), {0x69, 0xFF, 0x69, 0x00}},
        {"plain bytes", {0x01, 0xFF, 0x68, 0x6A}, {0x01, 0xFF, 0x68, 0x6A}},
        // clang-format on
    };
}

TEST(Hszrle, EncodesAndDecodesTheReferenceVectors) {
    for (const Vector& v : Vectors()) {
        Bytes encoded, decoded;
        EXPECT_EQ(Encode(v.plain, 1024, &encoded), v.encoded.size()) << v.name;
        EXPECT_EQ(encoded, v.encoded) << v.name;
        EXPECT_EQ(Decode(v.encoded, 1024, &decoded), v.plain.size()) << v.name;
        EXPECT_EQ(decoded, v.plain) << v.name;
    }
}

// Both directions keep their output strictly shorter than the capacity.
TEST(Hszrle, OutputMustStayBelowTheCapacity) {
    for (const Vector& v : Vectors()) {
        const auto encodedSize = static_cast<uint32_t>(v.encoded.size());
        const auto plainSize = static_cast<uint32_t>(v.plain.size());
        Bytes out;
        testing::internal::CaptureStdout();
        EXPECT_EQ(Encode(v.plain, encodedSize, &out), 0u) << v.name;
        EXPECT_EQ(Decode(v.encoded, plainSize, &out), 0u) << v.name;
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(Encode(v.plain, encodedSize + 1, &out), encodedSize) << v.name;
        EXPECT_EQ(Decode(v.encoded, plainSize + 1, &out), plainSize) << v.name;
    }
}

TEST(Hszrle, ReportsWhichCapacityTestFailed) {
    struct Case {
        bool encode;
        Bytes input;
        uint32_t capacity;
        int error;
    } cases[] = {
        // clang-format off
        {true, {0x00}, 1, 1},       {true, {0x00, 0x00}, 1, 2},  {true, {0x00, 0x00}, 2, 3},
        {true, {0x00, 0x69}, 3, 4}, {true, {0x00, 0x41}, 2, 5},  {true, {0x69}, 2, 6},
        {true, {0x41}, 1, 7},       {false, {0x69, 0x00}, 1, 1}, {false, {0x69, 0x05}, 5, 2},
        {false, {0x41}, 1, 3},      {true, {0x41}, 0, 7},        {false, {0x41}, 0, 3},
        // clang-format on
    };
    for (const Case& c : cases) {
        const std::string function = c.encode ? "HSZRLECompress" : "HSZRLEUncompress";
        Bytes out;
        testing::internal::CaptureStdout();
        const uint32_t n = c.encode ? Encode(c.input, c.capacity, &out) : Decode(c.input, c.capacity, &out);
        EXPECT_EQ(n, 0u);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  function + ": ERROR" + std::to_string(c.error) + ": output buffer length is too large\n")
            << function << " capacity " << c.capacity;
    }
}

TEST(Hszrle, DecoderRefusesALoneEscapeAtTheEnd) {
    for (const Bytes& input : {Bytes{0x69}, Bytes{0x41, 0x69}, Bytes{0x69, 0x03, 0x69}}) {
        Bytes out;
        testing::internal::CaptureStdout();
        EXPECT_EQ(Decode(input, 1024, &out), 0u);
        EXPECT_NE(testing::internal::GetCapturedStdout().find("HSZRLEUncompress: ERROR4"), std::string::npos);
    }
}

// Buffers full of zero runs of every length and escape bytes survive the round trip.
TEST(Hszrle, RoundTripsRandomBuffersRichInZerosAndEscapes) {
    std::mt19937 random(20261210);
    for (int round = 0; round < 300; ++round) {
        Bytes plain;
        const size_t length = 1 + random() % 4000;
        while (plain.size() < length) {
            switch (random() % 4) {
                case 0: plain.insert(plain.end(), 1 + random() % 600, 0x00); break;
                case 1: plain.push_back(0x69); break;
                case 2: plain.push_back(0x00); break;
                default: plain.push_back(static_cast<uint8_t>(random())); break;
            }
        }
        Bytes encoded, decoded;
        const auto worstCase = static_cast<uint32_t>(2 * plain.size() + 1);
        ASSERT_GT(Encode(plain, worstCase, &encoded), 0u);
        ASSERT_EQ(Decode(encoded, static_cast<uint32_t>(plain.size() + 1), &decoded), plain.size());
        ASSERT_EQ(decoded, plain) << "round " << round;
    }
}

}  // namespace
