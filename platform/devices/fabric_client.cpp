#include "platform/devices/fabric_client.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/devices/fabric_wire.h"
#include "platform/devices/scsi_layouts.h"
#include "platform/devices/unix_stream.h"
#include "platform/devices/wmi_wire.h"

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

struct Reply {
    ReplyHead head{};
    std::vector<uint8_t> out;
    std::vector<uint8_t> data;
};

// The connection to the server: one request and its reply at a time. A broken link is dropped and made
// again at the next call, under a new generation (devices opened before belong to the old one).
class Link {
  public:
    explicit Link(std::string path) : path_(std::move(path)) {}
    ~Link() {
        if (fd_ >= 0) unix_stream::Close(fd_);
    }

    // False when the call did not complete, or (generation != 0) the link is no longer that generation.
    bool Call(RequestHead head, const char* name, const uint8_t* in, const uint8_t* dataOut, Reply* reply,
              uint64_t generation = 0, uint64_t* generationUsed = nullptr) {
        head.nameLength = static_cast<uint32_t>(strnlen(name, kMaxName + 1));
        if (head.nameLength > kMaxName) return false;
        std::lock_guard<std::mutex> lock(mutex_);
        if (generation != 0 && (fd_ < 0 || generation != generation_)) return false;
        if (fd_ < 0) {
            fd_ = unix_stream::Connect(path_);
            if (fd_ < 0) return false;
            ++generation_;
        }
        if (generationUsed != nullptr) *generationUsed = generation_;
        const bool sent = unix_stream::SendAll(fd_, {{&head, sizeof head},
                                                     {name, head.nameLength},
                                                     {in, head.inLength},
                                                     {dataOut, dataOut != nullptr ? head.dataLength : 0}});
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

  private:
    std::string path_;
    std::mutex mutex_;
    int fd_ = -1;
    uint64_t generation_ = 0;
};

// A device opened on the server, known there by its instance id on one connection.
class ClientDevice final : public OpenedDevice {
  public:
    ClientDevice(std::shared_ptr<Link> link, uint32_t instance, uint64_t generation)
        : link_(std::move(link)), instance_(instance), generation_(generation) {}
    ~ClientDevice() override {
        RequestHead head{};
        head.op = static_cast<uint32_t>(Op::Close);
        head.instance = instance_;
        Reply reply;
        link_->Call(head, "", nullptr, nullptr, &reply, generation_);
    }

    BOOL Control(DWORD code, void* inBuffer, DWORD inSize, void* outBuffer, DWORD outSize,
                 DWORD* bytesReturned, DWORD* error) override {
        const CallerData data = PassThroughData(code, inBuffer, inSize);
        RequestHead head{};
        head.op = static_cast<uint32_t>(Op::Control);
        head.ioControlCode = code;
        head.inLength = inBuffer != nullptr ? inSize : 0;
        head.outCapacity = outBuffer != nullptr ? outSize : 0;
        head.dataLength = data.length;
        head.instance = instance_;
        Reply reply;
        if (!RequestIsBounded(head) ||
            !link_->Call(head, "", static_cast<const uint8_t*>(inBuffer), data.in ? nullptr : data.buffer,
                         &reply, generation_) ||
            reply.out.size() > head.outCapacity || reply.data.size() > data.length) {
            *error = ERROR_DEV_NOT_EXIST;
            return FALSE;
        }
        if (!reply.out.empty()) std::memcpy(outBuffer, reply.out.data(), reply.out.size());
        // The request block comes back with the server's data address: give it the caller's again.
        if (data.buffer != nullptr && reply.out.size() >= sizeof(SCSI_PASS_THROUGH_DIRECT)) {
            std::memcpy(static_cast<uint8_t*>(outBuffer) + offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer),
                        &data.buffer, sizeof data.buffer);
        }
        if (data.in && !reply.data.empty()) std::memcpy(data.buffer, reply.data.data(), reply.data.size());
        *bytesReturned = reply.head.bytesReturned;
        if (reply.head.result == 0) *error = reply.head.error;
        return reply.head.result != 0 ? TRUE : FALSE;
    }

  private:
    std::shared_ptr<Link> link_;  // outlives the client: a handle may be closed after its backend went
    uint32_t instance_;
    uint64_t generation_;
};

class FabricClient final : public DeviceBackend {
  public:
    explicit FabricClient(std::string path) : link_(std::make_shared<Link>(std::move(path))) {}

    std::unique_ptr<OpenedDevice> Open(const std::string& deviceName, DWORD* error) override {
        RequestHead head{};
        head.op = static_cast<uint32_t>(Op::Open);
        Reply reply;
        uint64_t generation = 0;
        if (!link_->Call(head, deviceName.c_str(), nullptr, nullptr, &reply, 0, &generation)) {
            *error = ERROR_FILE_NOT_FOUND;
            return nullptr;
        }
        if (reply.head.result == 0) {
            *error = reply.head.error != 0 ? reply.head.error : ERROR_FILE_NOT_FOUND;
            return nullptr;
        }
        return std::make_unique<ClientDevice>(link_, reply.head.result, generation);
    }

    DWORD QueryDosDevice(const char* deviceName, char* targetPath, DWORD size, DWORD* error) override {
        RequestHead head{};
        head.op = static_cast<uint32_t>(Op::QueryDosDevice);
        head.flags = deviceName == nullptr ? kNoName : 0;
        head.outCapacity = targetPath != nullptr ? std::min<DWORD>(size, kMaxBuffer) : 0;
        Reply reply;
        if (!link_->Call(head, deviceName != nullptr ? deviceName : "", nullptr, nullptr, &reply) ||
            reply.out.size() > head.outCapacity) {
            *error = ERROR_FILE_NOT_FOUND;
            return 0;
        }
        if (!reply.out.empty()) std::memcpy(targetPath, reply.out.data(), reply.out.size());
        if (reply.head.result == 0) *error = reply.head.error;
        return reply.head.result;
    }

  private:
    std::shared_ptr<Link> link_;
};

// WMI queries answered by the server.
class FabricWmiClient final : public WmiProvider {
  public:
    explicit FabricWmiClient(std::string path) : link_(std::move(path)) {}

    HRESULT Query(const std::string& nameSpace, const std::string& query,
                  std::vector<WmiObjectRef>* results) override {
        const std::string name = nameSpace + "\n" + query;
        if (name.size() > kMaxName || name.find('\0') != std::string::npos) return WBEM_E_INVALID_QUERY;
        RequestHead head{};
        head.op = static_cast<uint32_t>(Op::WmiQuery);
        head.outCapacity = kMaxBuffer;
        Reply reply;
        if (!link_.Call(head, name.c_str(), nullptr, nullptr, &reply)) return WBEM_E_FAILED;
        const auto hr = static_cast<HRESULT>(reply.head.result);
        if (hr < 0) return hr;
        std::vector<WmiObjectRef> objects;
        if (!wmi_wire::Decode(reply.out.data(), reply.out.size(), &objects)) return WBEM_E_FAILED;
        *results = std::move(objects);
        return hr;
    }

  private:
    Link link_;
};

}  // namespace

std::unique_ptr<DeviceBackend> MakeFabricClient(const std::string& socketPath) {
    return std::make_unique<FabricClient>(socketPath);
}

std::unique_ptr<WmiProvider> MakeFabricWmiClient(const std::string& socketPath) {
    return std::make_unique<FabricWmiClient>(socketPath);
}

bool InstallFabricClientFromEnvironment() {
    const char* path = std::getenv("CORLINK_FABRIC");
    if (path == nullptr || *path == '\0') return false;
    // Live for the rest of the run: the backend and the provider may be used until the process ends.
    static std::unique_ptr<DeviceBackend> client;
    static std::unique_ptr<WmiProvider> wmi;
    client = MakeFabricClient(path);
    wmi = MakeFabricWmiClient(path);
    SetDeviceBackend(client.get());
    SetWmiProvider(wmi.get());
    return true;
}

bool SendFabricAdmin(const std::string& socketPath, const std::string& message, std::string* answer) {
    if (message.size() > kMaxName || message.find('\0') != std::string::npos) return false;
    Link link(socketPath);
    RequestHead head{};
    head.op = static_cast<uint32_t>(Op::Admin);
    head.outCapacity = kMaxBuffer;
    Reply reply;
    if (!link.Call(head, message.c_str(), nullptr, nullptr, &reply)) return false;
    answer->assign(reply.out.begin(), reply.out.end());
    return true;
}

}  // namespace platform
