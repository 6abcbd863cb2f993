#include "tests/support/scripted_devices.h"

#include <algorithm>
#include <cstring>

namespace testsupport {

namespace {
constexpr DWORD kInsufficientBuffer = 122;  // ERROR_INSUFFICIENT_BUFFER
}  // namespace

ScriptedReply ScriptedReply::Good(Bytes data) {
    ScriptedReply reply;
    reply.data = std::move(data);
    return reply;
}

ScriptedReply ScriptedReply::Status(BYTE scsiStatus, Bytes sense) {
    ScriptedReply reply;
    reply.scsiStatus = scsiStatus;
    reply.sense = std::move(sense);
    return reply;
}

ScriptedReply ScriptedReply::Sense(BYTE key, BYTE asc, BYTE ascq) {
    Bytes sense(18, 0);
    sense[0] = 0x70;
    sense[2] = key;
    sense[7] = 10;
    sense[12] = asc;
    sense[13] = ascq;
    return Status(0x02, std::move(sense));
}

ScriptedReply ScriptedReply::Fail(DWORD error) {
    ScriptedReply reply;
    reply.ok = FALSE;
    reply.error = error;
    return reply;
}

ScriptedDevices::ScriptedDevices() { platform::SetDeviceBackend(this); }

ScriptedDevices::~ScriptedDevices() {
    if (platform::CurrentDeviceBackend() == this) platform::SetDeviceBackend(nullptr);
}

void ScriptedDevices::AddDevice(const std::string& name) {
    std::lock_guard<std::mutex> hold(mutex_);
    devices_[name] = ERROR_SUCCESS;
}

void ScriptedDevices::RemoveDevice(const std::string& name, DWORD openError) {
    std::lock_guard<std::mutex> hold(mutex_);
    devices_[name] = openError;
}

void ScriptedDevices::Queue(const std::string& name, ScriptedReply reply) {
    std::lock_guard<std::mutex> hold(mutex_);
    queues_[name].push_back(std::move(reply));
}

void ScriptedDevices::SetHandler(Handler handler) {
    std::lock_guard<std::mutex> hold(mutex_);
    handler_ = std::move(handler);
}

void ScriptedDevices::SetDefault(ScriptedReply reply) {
    std::lock_guard<std::mutex> hold(mutex_);
    default_ = std::move(reply);
}

void ScriptedDevices::SetDosDevice(const std::string& name, const std::string& target) {
    std::lock_guard<std::mutex> hold(mutex_);
    dosDevices_[name] = target;
}

std::vector<ScriptedCall> ScriptedDevices::Calls() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return calls_;
}

std::vector<std::string> ScriptedDevices::Opens() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return opens_;
}

void ScriptedDevices::ClearJournal() {
    std::lock_guard<std::mutex> hold(mutex_);
    calls_.clear();
    opens_.clear();
}

bool ScriptedDevices::Exists(const std::string& deviceName, DWORD* error) {
    std::lock_guard<std::mutex> hold(mutex_);
    opens_.push_back(deviceName);
    auto it = devices_.find(deviceName);
    if (it == devices_.end() || it->second != ERROR_SUCCESS) {
        *error = it == devices_.end() ? ERROR_FILE_NOT_FOUND : it->second;
        return false;
    }
    return true;
}

ScriptedReply ScriptedDevices::NextReply(const ScriptedCall& call) {
    auto queue = queues_.find(call.device);
    if (queue != queues_.end() && !queue->second.empty()) {
        ScriptedReply reply = std::move(queue->second.front());
        queue->second.erase(queue->second.begin());
        return reply;
    }
    if (handler_) {
        if (std::optional<ScriptedReply> reply = handler_(call)) return *reply;
    }
    return default_;
}

namespace {

// Answers a pass-through request in place, as a driver would.
void AnswerPassThrough(const ScriptedReply& reply, SCSI_PASS_THROUGH_DIRECT* request, uint8_t* out,
                       DWORD outSize) {
    request->ScsiStatus = reply.scsiStatus;
    size_t senseRoom = request->SenseInfoOffset < outSize ? outSize - request->SenseInfoOffset : 0;
    size_t sense = std::min({reply.sense.size(), static_cast<size_t>(request->SenseInfoLength), senseRoom});
    if (sense > 0) std::memcpy(out + request->SenseInfoOffset, reply.sense.data(), sense);
    request->SenseInfoLength = static_cast<BYTE>(sense);
    if (request->DataIn == SCSI_IOCTL_DATA_IN) {
        size_t moved = std::min(reply.data.size(), static_cast<size_t>(request->DataTransferLength));
        if (request->DataBuffer == nullptr) moved = 0;
        if (moved > 0) std::memcpy(request->DataBuffer, reply.data.data(), moved);
        request->DataTransferLength = static_cast<DWORD>(moved);
    }
}

}  // namespace

BOOL ScriptedDevices::Control(const std::string& deviceName, DWORD ioControlCode, void* inBuffer,
                              DWORD inSize, void* outBuffer, DWORD outSize, DWORD* bytesReturned,
                              DWORD* error) {
    std::lock_guard<std::mutex> hold(mutex_);
    ScriptedCall call;
    call.device = deviceName;
    call.code = ioControlCode;
    const auto* in = static_cast<const uint8_t*>(inBuffer);
    if (in != nullptr) call.in.assign(in, in + inSize);
    const bool passThrough =
        call.IsPassThrough() && in != nullptr && inSize >= sizeof(SCSI_PASS_THROUGH_DIRECT);
    if (passThrough) {
        std::memcpy(&call.request, in, sizeof call.request);
        call.cdb.assign(call.request.Cdb, call.request.Cdb + std::min<size_t>(call.request.CdbLength, 16));
        if (call.request.DataIn == SCSI_IOCTL_DATA_OUT && call.request.DataBuffer != nullptr) {
            const auto* data = static_cast<const uint8_t*>(call.request.DataBuffer);
            call.dataOut.assign(data, data + call.request.DataTransferLength);
        }
    }
    calls_.push_back(call);
    ScriptedReply reply = NextReply(call);
    if (!reply.ok) {
        *error = reply.error;
        *bytesReturned = 0;
        return FALSE;
    }
    auto* out = static_cast<uint8_t*>(outBuffer);
    if (passThrough && out != nullptr && outSize >= sizeof(SCSI_PASS_THROUGH_DIRECT)) {
        if (out != in) std::memcpy(out, in, std::min(inSize, outSize));
        SCSI_PASS_THROUGH_DIRECT request;
        std::memcpy(&request, out, sizeof request);
        AnswerPassThrough(reply, &request, out, outSize);
        std::memcpy(out, &request, sizeof request);
        *bytesReturned = reply.bytesReturned.value_or(inSize);
    } else {
        size_t n = out != nullptr ? std::min(reply.data.size(), static_cast<size_t>(outSize)) : 0;
        if (n > 0) std::memcpy(out, reply.data.data(), n);
        *bytesReturned = reply.bytesReturned.value_or(static_cast<DWORD>(n));
    }
    if (reply.edit && out != nullptr) reply.edit(out, outSize);
    return TRUE;
}

DWORD ScriptedDevices::QueryDosDevice(const char* deviceName, char* targetPath, DWORD size, DWORD* error) {
    std::lock_guard<std::mutex> hold(mutex_);
    std::string listing;
    if (deviceName == nullptr) {
        for (const auto& [name, target] : dosDevices_) listing += name + '\0';
    } else {
        auto it = dosDevices_.find(deviceName);
        if (it == dosDevices_.end()) {
            *error = ERROR_FILE_NOT_FOUND;
            return 0;
        }
        listing = it->second + '\0';
    }
    listing += '\0';
    if (targetPath == nullptr || listing.size() > size) {
        *error = kInsufficientBuffer;
        return 0;
    }
    std::memcpy(targetPath, listing.data(), listing.size());
    return static_cast<DWORD>(listing.size());
}

}  // namespace testsupport
