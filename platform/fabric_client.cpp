#include "platform/fabric_client.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/fabric_wire.h"
#include "platform/scsi_layouts.h"
#include "platform/unix_stream.h"

namespace platform {
namespace {

using namespace fabric_wire;

// The caller's data area of a pass-through request.
struct CallerData {
    uint8_t* buffer = nullptr;
    uint32_t length = 0;
    bool in = true;
};

CallerData PassThroughData(DWORD code, const void* in, DWORD inSize) {
    CallerData data;
    if (!CarriesPassThrough(code) || in == nullptr || inSize < sizeof(SCSI_PASS_THROUGH_DIRECT)) return data;
    SCSI_PASS_THROUGH_DIRECT block;
    std::memcpy(&block, in, sizeof block);
    data.buffer = static_cast<uint8_t*>(block.DataBuffer);
    data.length = data.buffer != nullptr ? std::min(block.DataTransferLength, kMaxData) : 0;
    data.in = block.DataIn != SCSI_IOCTL_DATA_OUT;
    return data;
}

class FabricClient final : public DeviceBackend {
public:
    explicit FabricClient(std::string path) : path_(std::move(path)) {}
    ~FabricClient() override {
        if (fd_ >= 0) unix_stream::Close(fd_);
    }

    bool Exists(const std::string& deviceName, DWORD* error) override {
        RequestHead head{};
        head.op = static_cast<uint32_t>(Op::Exists);
        Reply reply;
        if (!Call(head, deviceName.c_str(), nullptr, nullptr, &reply)) {
            *error = ERROR_FILE_NOT_FOUND;
            return false;
        }
        if (reply.head.result == 0) *error = reply.head.error;
        return reply.head.result != 0;
    }

    BOOL Control(const std::string& deviceName, DWORD code, void* inBuffer, DWORD inSize, void* outBuffer,
                 DWORD outSize, DWORD* bytesReturned, DWORD* error) override {
        const CallerData data = PassThroughData(code, inBuffer, inSize);
        RequestHead head{};
        head.op = static_cast<uint32_t>(Op::Control);
        head.ioControlCode = code;
        head.inLength = inBuffer != nullptr ? inSize : 0;
        head.outCapacity = outBuffer != nullptr ? outSize : 0;
        head.dataLength = data.length;
        Reply reply;
        if (!RequestIsBounded(head) ||
            !Call(head, deviceName.c_str(), static_cast<const uint8_t*>(inBuffer), data.in ? nullptr : data.buffer,
                  &reply) ||
            reply.out.size() > head.outCapacity || reply.data.size() > data.length) {
            *error = ERROR_DEV_NOT_EXIST;
            return FALSE;
        }
        if (!reply.out.empty()) std::memcpy(outBuffer, reply.out.data(), reply.out.size());
        // The request block comes back with the server's data address: give it the caller's again.
        if (data.buffer != nullptr && reply.out.size() >= sizeof(SCSI_PASS_THROUGH_DIRECT)) {
            std::memcpy(static_cast<uint8_t*>(outBuffer) + offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer), &data.buffer,
                        sizeof data.buffer);
        }
        if (data.in && !reply.data.empty()) std::memcpy(data.buffer, reply.data.data(), reply.data.size());
        *bytesReturned = reply.head.bytesReturned;
        if (reply.head.result == 0) *error = reply.head.error;
        return reply.head.result != 0 ? TRUE : FALSE;
    }

    DWORD QueryDosDevice(const char* deviceName, char* targetPath, DWORD size, DWORD* error) override {
        RequestHead head{};
        head.op = static_cast<uint32_t>(Op::QueryDosDevice);
        head.flags = deviceName == nullptr ? kNoName : 0;
        head.outCapacity = targetPath != nullptr ? std::min<DWORD>(size, kMaxBuffer) : 0;
        Reply reply;
        if (!Call(head, deviceName != nullptr ? deviceName : "", nullptr, nullptr, &reply) ||
            reply.out.size() > head.outCapacity) {
            *error = ERROR_FILE_NOT_FOUND;
            return 0;
        }
        if (!reply.out.empty()) std::memcpy(targetPath, reply.out.data(), reply.out.size());
        if (reply.head.result == 0) *error = reply.head.error;
        return reply.head.result;
    }

private:
    struct Reply {
        ReplyHead head{};
        std::vector<uint8_t> out;
        std::vector<uint8_t> data;
    };

    // One request and its reply; a broken link is dropped and made again at the next call.
    bool Call(RequestHead head, const char* name, const uint8_t* in, const uint8_t* dataOut, Reply* reply) {
        head.nameLength = static_cast<uint32_t>(strnlen(name, kMaxName + 1));
        if (head.nameLength > kMaxName) return false;
        std::lock_guard<std::mutex> lock(mutex_);
        if (fd_ < 0) fd_ = unix_stream::Connect(path_);
        if (fd_ < 0) return false;
        const bool sent = unix_stream::SendAll(fd_, &head, sizeof head) &&
                          unix_stream::SendAll(fd_, name, head.nameLength) &&
                          (head.inLength == 0 || unix_stream::SendAll(fd_, in, head.inLength)) &&
                          (dataOut == nullptr || unix_stream::SendAll(fd_, dataOut, head.dataLength));
        bool received = sent && unix_stream::ReceiveAll(fd_, &reply->head, sizeof reply->head) &&
                        reply->head.outLength <= kMaxBuffer && reply->head.dataLength <= kMaxData;
        if (received) {
            reply->out.resize(reply->head.outLength);
            reply->data.resize(reply->head.dataLength);
            received = unix_stream::ReceiveAll(fd_, reply->out.data(), reply->out.size()) &&
                       unix_stream::ReceiveAll(fd_, reply->data.data(), reply->data.size());
        }
        if (!received) {
            unix_stream::Close(fd_);
            fd_ = -1;
        }
        return received;
    }

    std::string path_;
    std::mutex mutex_;
    int fd_ = -1;
};

}  // namespace

std::unique_ptr<DeviceBackend> MakeFabricClient(const std::string& socketPath) {
    return std::make_unique<FabricClient>(socketPath);
}

bool InstallFabricClientFromEnvironment() {
    const char* path = std::getenv("CORLINK_FABRIC");
    if (path == nullptr || *path == '\0') return false;
    // Lives for the rest of the run: the backend may be used until the process ends.
    static std::unique_ptr<DeviceBackend> client;
    client = MakeFabricClient(path);
    SetDeviceBackend(client.get());
    return true;
}

}  // namespace platform
