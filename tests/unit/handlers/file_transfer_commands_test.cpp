// EXT_MASK_READFILE and EXT_MASK_WRITEFILE through the command executor, on an install directory under a
// fresh machine root: a file read back in chunks, truncation and appending, and names that would reach
// outside the install directory refused while a sentinel file outside stays as it was.
#include "corlink/handlers/file_transfer_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "corlink/executor/executor.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/foundation/service_params.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/test_root.h"
#include "tests/unit/server/executor_suite.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kBuffer = 4 << 20;
constexpr uint32_t kFailed = 0xFFFFFFFF;

uint32_t BigEndianAt(const std::vector<uint8_t>& buffer, size_t offset) {
    return (uint32_t{buffer[offset]} << 24) | (uint32_t{buffer[offset + 1]} << 16) |
           (uint32_t{buffer[offset + 2]} << 8) | buffer[offset + 3];
}
void PutBigEndian(std::vector<uint8_t>& buffer, size_t offset, uint32_t value) {
    const uint32_t word = os_htonl(value);
    std::memcpy(buffer.data() + offset, &word, sizeof word);
}

struct Reply {
    std::vector<uint8_t> buffer;
    int32_t replyLength = 0;
    uint32_t status = 0;
    uint32_t code = 0;
};

std::string PatternText(size_t length) {
    std::string text(length, '\0');
    for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
    return text;
}

class FileTransferTest : public ExecutorSuite {
  protected:
    void SetUp() override {
        SetInstallDirectory("C:\\Program Files\\corlink");
        install_ = root_.path() + "/C/Program Files/corlink";
        fs::create_directories(install_ + "/sub");
        sentinel_ = root_.path() + "/C/sentinel";
        testsupport::WriteWholeFile(sentinel_, "keep me");
        fs::create_symlink(sentinel_, install_ + "/link");
        fs::create_symlink(root_.path() + "/C", install_ + "/out");
    }
    void TearDown() override { SetInstallDirectory(""); }

    static Reply Exec(uint32_t code, std::vector<uint8_t> request) {
        Reply reply;
        reply.buffer.assign(kBuffer, 0xEE);  // stale bytes of an earlier message
        std::copy(request.begin(), request.end(), reply.buffer.begin());
        Rre rre{code,
                static_cast<uint32_t>(request.size()),
                reply.buffer.data(),
                static_cast<uint32_t>(kBuffer),
                0,
                0};
        rreExecCommand(&rre);
        reply.replyLength = rre.ReplyLength;
        reply.status = BigEndianAt(reply.buffer, 0);
        reply.code = BigEndianAt(reply.buffer, 4);
        return reply;
    }
    static std::vector<uint8_t> Named(const std::string& name, size_t length) {
        std::vector<uint8_t> request(length, 0);
        std::copy_n(name.begin(), std::min<size_t>(name.size(), FILE_TRANSFER_NAME_SIZE),
                    request.begin() + 8);
        return request;
    }
    static Reply Read(const std::string& name, uint32_t chunkSize, uint32_t chunk) {
        std::vector<uint8_t> request = Named(name, READFILE_DATA_AT);
        PutBigEndian(request, 520, chunkSize);
        PutBigEndian(request, 524, chunk);
        return Exec(RRE_EXT_MASK_READFILE, request);
    }
    // appendAt: 0 truncates, 524 or 540 names the word that asks to append.
    static Reply Write(const std::string& name, const std::string& data, uint32_t appendAt = 0,
                       uint32_t claimedBytes = UINT32_MAX) {
        std::vector<uint8_t> request = Named(name, WRITEFILE_DATA_AT);
        PutBigEndian(request, 536,
                     claimedBytes == UINT32_MAX ? static_cast<uint32_t>(data.size()) : claimedBytes);
        if (appendAt != 0) PutBigEndian(request, appendAt, 1);
        request.insert(request.end(), data.begin(), data.end());
        return Exec(RRE_EXT_MASK_WRITEFILE, request);
    }

    testsupport::TestRoot root_;
    std::string install_;
    std::string sentinel_;
};

TEST_F(FileTransferTest, AFileIsReadInChunksAndNothingStaleFollowsTheData) {
    const std::string content = PatternText(300000);
    testsupport::WriteWholeFile(install_ + "/sub/big.bin", content);
    const struct {
        uint32_t chunk;
        uint32_t served;
        uint32_t bytes;
    } chunks[] = {{1, 1, 131072}, {2, 2, 131072}, {3, 3, 37856}, {0, 1, 131072}};
    for (const auto& c : chunks) {
        const Reply reply = Read("sub\\big.bin", 131072, c.chunk);
        ASSERT_EQ(reply.status, 0u) << c.chunk;
        EXPECT_EQ(reply.code, 0u);
        EXPECT_EQ(BigEndianAt(reply.buffer, 524), 300000u);
        EXPECT_EQ(BigEndianAt(reply.buffer, 528), 3u);
        EXPECT_EQ(BigEndianAt(reply.buffer, 532), c.served);
        EXPECT_EQ(BigEndianAt(reply.buffer, 536), c.bytes);
        ASSERT_EQ(reply.replyLength, static_cast<int32_t>(READFILE_REPLY_BASE + c.bytes));
        const size_t start = size_t{c.served - 1} * 131072;
        EXPECT_EQ(std::memcmp(reply.buffer.data() + READFILE_DATA_AT, content.data() + start, c.bytes), 0);
        const auto tail = reply.buffer.begin() + READFILE_DATA_AT + c.bytes;
        EXPECT_TRUE(
            std::all_of(tail, reply.buffer.begin() + reply.replyLength, [](uint8_t b) { return b == 0; }));
    }
    // An empty file has one chunk of nothing.
    testsupport::WriteWholeFile(install_ + "/empty", "");
    const Reply empty = Read("empty", 4096, 1);
    EXPECT_EQ(empty.status, 0u);
    EXPECT_EQ(BigEndianAt(empty.buffer, 528), 0u);
    EXPECT_EQ(empty.replyLength, static_cast<int32_t>(READFILE_REPLY_BASE));

    const struct {
        const char* what;
        const char* name;
        uint32_t chunkSize;
        uint32_t chunk;
    } refused[] = {
        // clang-format off
        {"a chunk past the end", "sub/big.bin", 131072, 4},
        {"a chunk far past the end", "sub/big.bin", 131072, 0xFFFFFFFF},
        {"chunk size 0", "sub/big.bin", 0, 1},
        {"a chunk larger than the data area", "sub/big.bin", 131073, 1},
        {"a missing file", "sub/none.bin", 4096, 1},
        {"a directory", "sub", 4096, 1},
        {"a file of 4 GiB, whose size the reply cannot carry", "huge.bin", 131072, 1},
        // clang-format on
    };
    testsupport::WriteWholeFile(install_ + "/huge.bin", "");
    fs::resize_file(install_ + "/huge.bin", uintmax_t{1} << 32);  // sparse
    for (const auto& r : refused) {
        const Reply reply = Read(r.name, r.chunkSize, r.chunk);
        EXPECT_EQ(reply.status, kFailed) << r.what;
        EXPECT_EQ(reply.code, kFailed) << r.what;
        EXPECT_EQ(reply.replyLength, 8) << r.what;
    }
}

TEST_F(FileTransferTest, WritingTruncatesThenAppends) {
    testsupport::WriteWholeFile(install_ + "/notes.txt", "an older and longer content");
    Reply reply = Write("notes.txt", "hello");
    EXPECT_EQ(reply.status, 0u);
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(BigEndianAt(reply.buffer, 8), 0u);
    EXPECT_EQ(reply.replyLength, 12);
    EXPECT_EQ(testsupport::ReadWholeFile(install_ + "/notes.txt"), "hello");
    EXPECT_EQ(Write("notes.txt", " world", 540).status, 0u);
    EXPECT_EQ(Write("notes.txt", "!", 524).status, 0u);
    EXPECT_EQ(testsupport::ReadWholeFile(install_ + "/notes.txt"), "hello world!");
    EXPECT_EQ(Write("sub/new.txt", "created").status, 0u);
    EXPECT_EQ(testsupport::ReadWholeFile(install_ + "/sub/new.txt"), "created");

    // Data that the request does not hold is not written.
    reply = Write("notes.txt", "0123456789", 540, 100);
    EXPECT_EQ(reply.status, kFailed);
    EXPECT_EQ(reply.code, kFailed);
    EXPECT_EQ(reply.replyLength, 8);
    EXPECT_EQ(testsupport::ReadWholeFile(install_ + "/notes.txt"), "hello world!");
    // A directory that does not exist.
    EXPECT_EQ(Write("missing/new.txt", "x").status, kFailed);

    // A request shorter than its header in a buffer that ends with it (found by fuzzing).
    std::vector<uint8_t> small(64, 0);
    Rre rre{RRE_EXT_MASK_WRITEFILE, 16, small.data(), static_cast<uint32_t>(small.size()), 0, 0};
    rreExecCommand(&rre);
    EXPECT_EQ(BigEndianAt(small, 0), kFailed);
    EXPECT_EQ(rre.ReplyLength, 8);
}

// A replacing write that cannot be finished (here the disk fills up) leaves the old file whole and nothing
// beside it: the file is never emptied in place. Appending stays an append to the same file.
TEST_F(FileTransferTest, AReplacementThatCannotBeWrittenWholeLeavesTheOldFile) {
    testsupport::WriteWholeFile(install_ + "/models.conf", "the model list");
    const auto before = fs::status(install_ + "/models.conf").permissions();
    {
        testsupport::FileSizeLimit diskFull(4096);
        EXPECT_EQ(Write("models.conf", PatternText(65536)).status, kFailed);
    }
    EXPECT_EQ(testsupport::ReadWholeFile(install_ + "/models.conf"), "the model list");
    EXPECT_EQ(std::distance(fs::directory_iterator(install_), fs::directory_iterator()), 4)
        << "no temporary left";

    ASSERT_EQ(Write("models.conf", "replaced").status, 0u);
    EXPECT_EQ(fs::status(install_ + "/models.conf").permissions(), before);
    EXPECT_EQ(Write("models.conf", " and appended", 540).status, 0u);
    EXPECT_EQ(testsupport::ReadWholeFile(install_ + "/models.conf"), "replaced and appended");
}

TEST_F(FileTransferTest, NamesReachingOutsideTheInstallDirectoryAreRefused) {
    const std::string unterminated(FILE_TRANSFER_NAME_SIZE, 'a');
    const std::string names[] = {"../sentinel",
                                 "..\\sentinel",
                                 "sub/../../sentinel",
                                 "sub\\..\\..\\sentinel",
                                 "/etc/passwd",
                                 "\\sentinel",
                                 "C:\\sentinel",
                                 "a:b",
                                 "",
                                 unterminated,
                                 "link",
                                 "out/sentinel",
                                 "out\\sentinel",
                                 "sub/\x01name",
                                 ".."};
    for (const std::string& name : names) {
        const Reply read = Read(name, 4096, 1);
        EXPECT_EQ(read.status, kFailed) << name;
        EXPECT_EQ(read.code, kFailed) << name;
        const Reply written = Write(name, "overwritten");
        EXPECT_EQ(written.status, kFailed) << name;
        EXPECT_EQ(written.code, kFailed) << name;
        EXPECT_EQ(Write(name, "appended", 540).status, kFailed) << name;
    }
    EXPECT_EQ(testsupport::ReadWholeFile(sentinel_), "keep me");
    EXPECT_TRUE(fs::is_symlink(install_ + "/link"));
    EXPECT_FALSE(fs::exists(root_.path() + "/C/Program Files/a"));
}

}  // namespace
