// A device backend for unit tests: devices that exist by name, answers to I/O controls taken from a
// per-device queue (then a handler, then a default), and a journal of every open and I/O control.
// Pass-through requests (plain and multipath) are answered like a driver: SCSI status, sense bytes at the
// request's sense offset, data-in bytes into the request's buffer, all bounded by what the request allows.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/devices/device_io.h"
#include "platform/devices/scsi_layouts.h"

namespace testsupport {

using Bytes = std::vector<uint8_t>;

struct ScriptedReply {
    BOOL ok = TRUE;
    DWORD error = ERROR_SUCCESS;  // the Windows error when ok is FALSE
    BYTE scsiStatus = 0;
    Bytes sense;  // sense bytes returned (pass-through)
    Bytes data;   // data-in bytes (pass-through), or the output buffer's first bytes (other controls)
    std::optional<DWORD> bytesReturned;  // default: the input size (pass-through) or data size
    // Runs last on the output buffer, for answers the fields above cannot express.
    std::function<void(uint8_t* out, DWORD outSize)> edit;

    static ScriptedReply Good(Bytes data = {});
    static ScriptedReply Status(BYTE scsiStatus, Bytes sense = {});
    // CHECK CONDITION with 18 bytes of fixed-format sense data.
    static ScriptedReply Sense(BYTE key, BYTE asc, BYTE ascq);
    static ScriptedReply Fail(DWORD error);
};

struct ScriptedCall {
    std::string device;
    DWORD code = 0;
    Bytes in;  // the input buffer as it arrived
    // For pass-through requests (plain or multipath):
    SCSI_PASS_THROUGH_DIRECT request{};
    Bytes cdb;      // CdbLength bytes
    Bytes dataOut;  // the data of a data-out request
    bool IsPassThrough() const {
        return code == IOCTL_SCSI_PASS_THROUGH_DIRECT || code == IOCTL_MPIO_PASS_THROUGH_PATH_DIRECT;
    }
};

class ScriptedDevices final : public platform::DeviceBackend {
  public:
    using Handler = std::function<std::optional<ScriptedReply>(const ScriptedCall&)>;

    ScriptedDevices();  // installs itself as the device backend
    ~ScriptedDevices() override;
    ScriptedDevices(const ScriptedDevices&) = delete;
    ScriptedDevices& operator=(const ScriptedDevices&) = delete;

    void AddDevice(const std::string& name);
    // The device exists no more; opens fail with this error (ERROR_FILE_NOT_FOUND by default).
    void RemoveDevice(const std::string& name, DWORD openError = ERROR_FILE_NOT_FOUND);
    // Answers in order for one device; once used up, the handler and then the default answer.
    void Queue(const std::string& name, ScriptedReply reply);
    void SetHandler(Handler handler);
    void SetDefault(ScriptedReply reply);
    void SetDosDevice(const std::string& name, const std::string& target);

    std::vector<ScriptedCall> Calls() const;
    std::vector<std::string> Opens() const;
    void ClearJournal();

    bool Exists(const std::string& deviceName, DWORD* error) override;
    BOOL Control(const std::string& deviceName, DWORD ioControlCode, void* inBuffer, DWORD inSize,
                 void* outBuffer, DWORD outSize, DWORD* bytesReturned, DWORD* error) override;
    DWORD QueryDosDevice(const char* deviceName, char* targetPath, DWORD size, DWORD* error) override;

  private:
    ScriptedReply NextReply(const ScriptedCall& call);

    mutable std::mutex mutex_;
    std::map<std::string, DWORD> devices_;  // name -> 0 when present, else the open error
    std::map<std::string, std::vector<ScriptedReply>> queues_;
    std::map<std::string, std::string> dosDevices_;
    Handler handler_;
    ScriptedReply default_;
    std::vector<ScriptedCall> calls_;
    std::vector<std::string> opens_;
};

}  // namespace testsupport
