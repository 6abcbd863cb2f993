#include "corlink/handlers/file_transfer_commands.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "corlink/foundation/nt_os.h"
#include "corlink/foundation/service_params.h"
#include "corlink/handlers/install_file_name.h"
#include "platform/files/contained_files.h"
#include "platform/files/crt_files.h"

namespace {

using rre_wire::BufferAs;

constexpr uint32_t kOpenFailed = 0xFFFFFFFF;  // answered like a failed open: status -1, code -1
constexpr int64_t kLargestFile = 0xFFFFFFFF;  // sizes travel in 32 bits

// The request's file name, relative to the install directory; false when it is refused.
bool RequestedFileName(const RRE_FILE_NAME& fileName, std::string* name) {
    if (!ReadInstallFileName(reinterpret_cast<const uint8_t*>(fileName.text), FILE_TRANSFER_NAME_SIZE,
                             name)) {
        return false;
    }
    return std::strlen(g_InstallDirectory) + name->size() < FILE_TRANSFER_NAME_SIZE;  // the path buffer
}

// The request's file, opened inside the install directory; null when its name is refused or it cannot be
// opened that way.
FILE* OpenRequestedFile(const RRE_FILE_NAME& fileName, platform::ContainedOpen how) {
    std::string name;
    if (!RequestedFileName(fileName, &name)) return nullptr;
    return platform::OpenContainedFile(g_InstallDirectory, name, how);
}

class ClosingFile {
  public:
    explicit ClosingFile(FILE* file) : file_(file) {}
    ~ClosingFile() {
        if (file_ != nullptr) std::fclose(file_);
    }
    ClosingFile(const ClosingFile&) = delete;
    ClosingFile& operator=(const ClosingFile&) = delete;
    FILE* get() const { return file_; }
    // Closes now; false when the close failed (written data may be lost).
    bool Close() {
        FILE* file = file_;
        file_ = nullptr;
        return std::fclose(file) == 0;
    }

  private:
    FILE* file_;
};

// Reads the chunk into the data area; the bytes read, or -1 when the chunk is refused.
int64_t ReadChunk(uint8_t* buffer) {
    auto* transfer = BufferAs<RRE_READ_FILE_BUFFER>(buffer);
    const uint32_t chunkSize = os_ntohl(transfer->chunkSize);
    if (chunkSize == 0 || chunkSize > READFILE_DATA_SIZE) return -1;
    uint32_t chunk = os_ntohl(transfer->chunkNumber);
    if (chunk == 0) chunk = 1;
    ClosingFile file(OpenRequestedFile(transfer->fileName, platform::ContainedOpen::ReadRegular));
    if (file.get() == nullptr) return -1;
    const int64_t size = _filelengthi64(_fileno(file.get()));
    if (size < 0 || size > kLargestFile) return -1;
    const uint64_t start = uint64_t{chunk - 1} * chunkSize;
    if (start > static_cast<uint64_t>(size)) return -1;
    const uint64_t left = static_cast<uint64_t>(size) - start;
    const size_t bytes = static_cast<size_t>(left < chunkSize ? left : chunkSize);
    if (_fseeki64(file.get(), static_cast<int64_t>(start), SEEK_SET) != 0) return -1;
    if (std::fread(transfer->data, 1, bytes, file.get()) != bytes) return -1;
    transfer->chunkNumber = os_htonl(static_cast<uint32_t>(size));
    transfer->chunkCount =
        os_htonl(static_cast<uint32_t>(size / chunkSize + (size % chunkSize != 0 ? 1 : 0)));
    transfer->chunkServed = os_htonl(chunk);
    transfer->chunkBytes = os_htonl(static_cast<uint32_t>(bytes));
    return static_cast<int64_t>(bytes);
}

// Writes the request's data; false when the data does not lie within the request or a write or the close
// failed.
bool WriteRequestedFile(const Rre* pRre) {
    // Nothing is read past the request: the caller's buffer may end with it.
    if (pRre->Length < WRITEFILE_DATA_AT) return false;
    const auto* transfer = BufferAs<RRE_WRITE_FILE_BUFFER>(pRre->Buffer);
    const uint32_t bytes = os_ntohl(transfer->dataBytes);
    if (bytes > pRre->Length - WRITEFILE_DATA_AT) return false;
    const bool append = os_ntohl(transfer->appendToo) != 0 || os_ntohl(transfer->append) != 0;
    if (!append) {
        // Replaced whole, never emptied in place: a reader of the file (the proxy's own model list, for
        // one) finds the old content or the new one even when the proxy dies in the middle.
        std::string name;
        return RequestedFileName(transfer->fileName, &name) &&
               platform::ReplaceContainedFile(g_InstallDirectory, name, pRre->Buffer + WRITEFILE_DATA_AT,
                                              bytes);
    }
    ClosingFile file(OpenRequestedFile(transfer->fileName, platform::ContainedOpen::WriteAppend));
    if (file.get() == nullptr) return false;
    const bool written = std::fwrite(pRre->Buffer + WRITEFILE_DATA_AT, 1, bytes, file.get()) == bytes;
    return file.Close() && written;
}

}  // namespace

// No controller, authorisation or log lines: the file commands work on the proxy's own directory.
void capiExtMaskReadFile(Rre* pRre, const RreCommandInfo& info) {
    if (!RreFrameChecks(pRre, info)) return;
    const int64_t bytes = ReadChunk(pRre->Buffer);
    if (bytes < 0) return RreErrorReply(pRre, kOpenFailed);
    // The wire length covers more than the chunk: nothing but zeros follows its data.
    const uint32_t replyLength = READFILE_REPLY_BASE + static_cast<uint32_t>(bytes);
    std::memset(pRre->Buffer + READFILE_DATA_AT + bytes, 0, replyLength - READFILE_DATA_AT - bytes);
    pRre->ReplyLength = static_cast<int32_t>(replyLength);
    RreOkReply(pRre);
}

void capiExtMaskWriteFile(Rre* pRre, const RreCommandInfo& info) {
    if (!RreFrameChecks(pRre, info)) return;
    if (!WriteRequestedFile(pRre)) {
        BufferAs<RRE_WRITE_FILE_REPLY>(pRre->Buffer)->result = os_htonl(1);
        return RreErrorReply(pRre, kOpenFailed);
    }
    BufferAs<RRE_WRITE_FILE_REPLY>(pRre->Buffer)->result = os_htonl(0);
    pRre->ReplyLength = WRITEFILE_REPLY_LENGTH;
    RreOkReply(pRre);
}
