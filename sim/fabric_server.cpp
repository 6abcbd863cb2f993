#include "sim/fabric_server.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "platform/devices/fabric_wire.h"
#include "platform/devices/scsi_layouts.h"
#include "platform/devices/unix_stream.h"
#include "platform/devices/wmi_wire.h"
#include "sim/host_errors.h"

namespace sim {

using namespace platform::fabric_wire;
namespace unix_stream = platform::unix_stream;

bool FabricServer::Start() {
    listener_ = unix_stream::Listen(path_);
    if (listener_ < 0) return false;
    acceptor_ = std::thread([this] { AcceptLoop(); });
    return true;
}

void FabricServer::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_ || listener_ < 0) return;
        stopping_ = true;
        // Only the owning threads close their sockets; here they are only woken.
        unix_stream::Shutdown(listener_);
        for (int fd : connections_) unix_stream::Shutdown(fd);
    }
    acceptor_.join();
    for (std::thread& session : sessions_) session.join();
    unix_stream::Close(listener_);
    unix_stream::RemoveSocketFile(path_);
}

void FabricServer::AcceptLoop() {
    for (;;) {
        const int fd = unix_stream::Accept(listener_);
        std::lock_guard<std::mutex> lock(mutex_);
        if (fd < 0 || stopping_) {
            if (fd >= 0) unix_stream::Close(fd);
            return;
        }
        connections_.push_back(fd);
        sessions_.emplace_back([this, fd] { Serve(fd); });
    }
}

// One connected process: its socket and the devices it holds open, by instance id.
struct FabricServer::Connection {
    int fd;
    std::map<uint32_t, std::unique_ptr<platform::OpenedDevice>> devices;
    uint32_t nextInstance = 1;
};

void FabricServer::Serve(int fd) {
    Connection connection{fd, {}};
    while (AnswerOne(connection)) {
    }
    connection.devices.clear();
    std::lock_guard<std::mutex> lock(mutex_);
    connections_.erase(std::find(connections_.begin(), connections_.end(), fd));
    unix_stream::Close(fd);
}

// Reads one request whole, answers it, and sends the reply; false ends the connection.
bool FabricServer::AnswerOne(Connection& connection) {
    const int fd = connection.fd;
    RequestHead head;
    if (!unix_stream::ReceiveAll(fd, &head, sizeof head) || !RequestIsBounded(head)) return false;
    std::string name(head.nameLength, '\0');
    std::vector<uint8_t> in(head.inLength);
    if (!unix_stream::ReceiveAll(fd, name.data(), name.size()) ||
        !unix_stream::ReceiveAll(fd, in.data(), in.size())) {
        return false;
    }
    // A pass-through's data area lives here now; its data-out bytes follow the request.
    std::vector<uint8_t> data;
    bool dataIn = false;
    const bool passThrough =
        CarriesPassThrough(head.ioControlCode) && in.size() >= sizeof(SCSI_PASS_THROUGH_DIRECT);
    if (passThrough) {
        SCSI_PASS_THROUGH_DIRECT block;
        std::memcpy(&block, in.data(), sizeof block);
        dataIn = block.DataIn != SCSI_IOCTL_DATA_OUT;
        data.resize(head.dataLength);
        if (!dataIn && !unix_stream::ReceiveAll(fd, data.data(), data.size())) return false;
        block.DataBuffer = data.empty() ? nullptr : data.data();
        block.DataTransferLength = std::min<DWORD>(block.DataTransferLength, head.dataLength);
        std::memcpy(in.data(), &block, sizeof block);
    }

    ReplyHead reply{};
    std::vector<uint8_t> out(head.outCapacity);
    std::copy_n(in.begin(), std::min(in.size(), out.size()), out.begin());  // in and out share a buffer there
    DWORD error = ERROR_SUCCESS;
    switch (static_cast<Op>(head.op)) {
        case Op::Open: {
            out.clear();
            if (connection.devices.size() >= kMaxOpenDevices) {
                error = kHostErrorTooManyOpen;
                break;
            }
            std::unique_ptr<platform::OpenedDevice> device = backend_.Open(name, &error);
            if (!device) break;
            while (reply.result == 0 || connection.devices.count(reply.result) != 0)
                reply.result = connection.nextInstance++;
            connection.devices[reply.result] = std::move(device);
            break;
        }
        case Op::Close:
            out.clear();
            reply.result = connection.devices.erase(head.instance) != 0 ? 1 : 0;
            error = ERROR_INVALID_HANDLE;
            break;
        case Op::Control: {
            auto device = connection.devices.find(head.instance);
            if (device == connection.devices.end()) {
                error = ERROR_INVALID_HANDLE;
                break;
            }
            reply.result =
                device->second->Control(head.ioControlCode, in.empty() ? nullptr : in.data(),
                                        static_cast<DWORD>(in.size()), out.empty() ? nullptr : out.data(),
                                        static_cast<DWORD>(out.size()), &reply.bytesReturned, &error);
            break;
        }
        case Op::WmiQuery: {
            const size_t split = name.find('\n');
            std::vector<WmiObjectRef> objects;
            HRESULT hr = WBEM_E_FAILED;
            if (wmi_ != nullptr && split != std::string::npos) {
                try {
                    hr = wmi_->Query(name.substr(0, split), name.substr(split + 1), &objects);
                } catch (const _com_error& e) {
                    hr = e.Error();
                }
            }
            std::vector<uint8_t> encoded = platform::wmi_wire::Encode(objects);
            if (encoded.size() > out.size()) {
                hr = WBEM_E_FAILED;
                encoded = platform::wmi_wire::Encode({});
            }
            reply.result = static_cast<uint32_t>(hr);
            out = std::move(encoded);
            break;
        }
        case Op::Admin: {
            const std::string answer = admin_ ? admin_(name) : std::string("error no administration channel");
            out.assign(answer.begin(), answer.begin() + std::min<size_t>(answer.size(), out.size()));
            reply.result = 1;
            break;
        }
        case Op::QueryDosDevice:
            reply.result =
                backend_.QueryDosDevice((head.flags & kNoName) != 0 ? nullptr : name.c_str(),
                                        out.empty() ? nullptr : reinterpret_cast<char*>(out.data()),
                                        static_cast<DWORD>(out.size()), &error);
            break;
        default: return false;
    }
    reply.error = reply.result == 0 ? error : 0;
    uint32_t dataBack = 0;
    if (passThrough && dataIn && reply.result != 0 && out.size() >= sizeof(SCSI_PASS_THROUGH_DIRECT)) {
        SCSI_PASS_THROUGH_DIRECT block;
        std::memcpy(&block, out.data(), sizeof block);
        dataBack = std::min<uint32_t>(block.DataTransferLength, static_cast<uint32_t>(data.size()));
    }
    reply.outLength = static_cast<uint32_t>(out.size());
    reply.dataLength = dataBack;
    return unix_stream::SendAll(fd,
                                {{&reply, sizeof reply}, {out.data(), out.size()}, {data.data(), dataBack}});
}

}  // namespace sim
