#include "sim/fabric_backend.h"

#include <algorithm>
#include <cstring>

#include "platform/devices/scsi_layouts.h"
#include "sim/device_names.h"
#include "sim/host_errors.h"

namespace sim {
namespace {

// Inquiry data kept per LUN in the listing, and the alignment of its records.
constexpr uint32_t kListedInquiryLength = 36;
constexpr uint32_t kRecordAlignment = 8;
constexpr uint8_t kInitiatorBusId = 7;

uint32_t AlignUp(uint32_t value) {
    return (value + kRecordAlignment - 1) / kRecordAlignment * kRecordAlignment;
}

BOOL Fail(DWORD code, DWORD* error) {
    *error = code;
    return FALSE;
}

// IOCTL_SCSI_GET_INQUIRY_DATA: the bus array, then one chained record per LUN, bus by bus.
BOOL WriteInquiryListing(const std::vector<ListedLun>& luns, uint8_t* out, DWORD outSize, DWORD* returned,
                         DWORD* error) {
    uint8_t buses = 1;
    for (const ListedLun& lun : luns)
        buses = std::max<uint8_t>(buses, static_cast<uint8_t>(lun.address.bus + 1));
    const uint32_t head =
        static_cast<uint32_t>(offsetof(SCSI_ADAPTER_BUS_INFO, BusData) + sizeof(SCSI_BUS_DATA) * buses);
    const uint32_t record =
        AlignUp(static_cast<uint32_t>(offsetof(SCSI_INQUIRY_DATA, InquiryData)) + kListedInquiryLength);
    const uint32_t total = head + record * static_cast<uint32_t>(luns.size());
    if (out == nullptr || outSize < total) return Fail(kHostErrorBufferTooSmall, error);
    std::memset(out, 0, total);
    out[0] = buses;
    uint32_t offset = head;
    for (uint8_t bus = 0; bus < buses; ++bus) {
        SCSI_BUS_DATA busData{};
        busData.InitiatorBusId = kInitiatorBusId;
        uint32_t previous = 0;
        for (const ListedLun& lun : luns) {
            if (lun.address.bus != bus) continue;
            if (busData.NumberOfLogicalUnits == 0) busData.InquiryDataOffset = offset;
            ++busData.NumberOfLogicalUnits;
            SCSI_INQUIRY_DATA item{};
            item.PathId = lun.address.bus;
            item.TargetId = lun.address.target;
            item.Lun = lun.address.lun;
            item.DeviceClaimed = lun.claimed ? 1 : 0;
            item.InquiryDataLength = kListedInquiryLength;
            std::memcpy(out + offset, &item, offsetof(SCSI_INQUIRY_DATA, InquiryData));
            std::memcpy(out + offset + offsetof(SCSI_INQUIRY_DATA, InquiryData), lun.inquiry.data(),
                        std::min<size_t>(lun.inquiry.size(), kListedInquiryLength));
            if (previous != 0) {
                const DWORD next = offset;
                std::memcpy(out + previous + offsetof(SCSI_INQUIRY_DATA, NextInquiryDataOffset), &next,
                            sizeof next);
            }
            previous = offset;
            offset += record;
        }
        std::memcpy(out + offsetof(SCSI_ADAPTER_BUS_INFO, BusData) + sizeof(SCSI_BUS_DATA) * bus, &busData,
                    sizeof busData);
    }
    *returned = total;
    return TRUE;
}

// IOCTL_SCSI_PASS_THROUGH_DIRECT: the request block in, status, sense and the bytes moved back out.
template <class Execute>
BOOL PassThrough(void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned, DWORD* error,
                 const Execute& execute) {
    if (in == nullptr || out == nullptr || inSize < sizeof(SCSI_PASS_THROUGH_DIRECT) ||
        outSize < sizeof(SCSI_PASS_THROUGH_DIRECT)) {
        return Fail(ERROR_INVALID_PARAMETER, error);
    }
    SCSI_PASS_THROUGH_DIRECT block;
    std::memcpy(&block, in, sizeof block);
    if (block.CdbLength == 0 || block.CdbLength > sizeof block.Cdb)
        return Fail(ERROR_INVALID_PARAMETER, error);
    ScsiRequest request;
    request.cdb = block.Cdb;
    request.cdbLength = block.CdbLength;
    request.dataIn = block.DataIn != SCSI_IOCTL_DATA_OUT;
    request.data = static_cast<uint8_t*>(block.DataBuffer);
    request.length = request.data != nullptr ? block.DataTransferLength : 0;
    request.timeoutSeconds = block.TimeOutValue;
    const ScsiOutcome outcome = execute(block.PathId, block.TargetId, block.Lun, request);
    if (outcome.hostError != 0) return Fail(outcome.hostError, error);

    block.ScsiStatus = outcome.status;
    block.DataTransferLength = outcome.transferred;
    uint8_t senseLength = std::min<uint8_t>(outcome.senseLength, block.SenseInfoLength);
    if (static_cast<uint64_t>(block.SenseInfoOffset) + senseLength > outSize) senseLength = 0;
    block.SenseInfoLength = senseLength;
    std::memcpy(out, &block, sizeof block);
    if (senseLength > 0)
        std::memcpy(static_cast<uint8_t*>(out) + block.SenseInfoOffset, outcome.sense.data(), senseLength);
    *returned = senseLength > 0 ? block.SenseInfoOffset + senseLength : static_cast<DWORD>(sizeof block);
    return TRUE;
}

template <class T>
BOOL WriteStruct(const T& value, void* out, DWORD outSize, DWORD* returned, DWORD* error) {
    if (out == nullptr || outSize < sizeof(T)) return Fail(kHostErrorBufferTooSmall, error);
    std::memcpy(out, &value, sizeof(T));
    *returned = sizeof(T);
    return TRUE;
}

}  // namespace

namespace {

class OpenedAdapter final : public platform::OpenedDevice {
  public:
    OpenedAdapter(Fabric& fabric, uint8_t adapter) : fabric_(fabric), adapter_(adapter) {}

    BOOL Control(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned,
                 DWORD* error) override {
        *returned = 0;
        switch (code) {
            case IOCTL_SCSI_GET_INQUIRY_DATA:
                return WriteInquiryListing(fabric_.ListAdapter(adapter_), static_cast<uint8_t*>(out), outSize,
                                           returned, error);
            case IOCTL_SCSI_PASS_THROUGH_DIRECT:
                return PassThrough(in, inSize, out, outSize, returned, error,
                                   [&](uint8_t bus, uint8_t target, uint8_t lun, const ScsiRequest& request) {
                                       return fabric_.ExecuteOnAdapter({adapter_, bus, target, lun}, request);
                                   });
            default: return Fail(kHostErrorNotSupported, error);
        }
    }

  private:
    Fabric& fabric_;
    uint8_t adapter_;
};

class OpenedDisk final : public platform::OpenedDevice {
  public:
    OpenedDisk(Fabric& fabric, const HostDisk& disk) : fabric_(fabric), disk_(disk) {}

    BOOL Control(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned,
                 DWORD* error) override {
        *returned = 0;
        const std::optional<HostDisk> disk = fabric_.CurrentDisk(disk_);
        if (!disk) return Fail(kHostErrorDeviceGone, error);
        switch (code) {
            case IOCTL_SCSI_PASS_THROUGH_DIRECT:
                return PassThrough(in, inSize, out, outSize, returned, error,
                                   [&](uint8_t, uint8_t, uint8_t, const ScsiRequest& request) {
                                       return fabric_.ExecuteOnDisk(disk_, request);
                                   });
            case IOCTL_MPIO_PASS_THROUGH_PATH_DIRECT:
                return PathPassThrough(*disk, in, inSize, out, outSize, returned, error);
            case IOCTL_SCSI_GET_ADDRESS: {
                const ScsiAddress& a = disk->address;
                SCSI_ADDRESS address{sizeof(SCSI_ADDRESS), a.adapter, a.bus, a.target, a.lun};
                return WriteStruct(address, out, outSize, returned, error);
            }
            case IOCTL_STORAGE_GET_DEVICE_NUMBER: {
                STORAGE_DEVICE_NUMBER number{FILE_DEVICE_DISK, disk->number, 0};
                return WriteStruct(number, out, outSize, returned, error);
            }
            default: return Fail(kHostErrorNotSupported, error);
        }
    }

  private:
    // A multipath pass-through down one path of the disk, named by its SCSI address.
    BOOL PathPassThrough(const HostDisk& disk, void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* returned, DWORD* error) {
        if (in == nullptr || inSize < sizeof(MPIO_PASS_THROUGH_PATH_DIRECT))
            return Fail(ERROR_INVALID_PARAMETER, error);
        MPIO_PASS_THROUGH_PATH_DIRECT request;
        std::memcpy(&request, in, sizeof request);
        const ScsiAddress path{request.PortNumber, request.PassThrough.PathId, request.PassThrough.TargetId,
                               request.PassThrough.Lun};
        if (path != disk.address && path != disk.secondPath) return Fail(ERROR_INVALID_PARAMETER, error);
        return PassThrough(in, inSize, out, outSize, returned, error,
                           [&](uint8_t, uint8_t, uint8_t, const ScsiRequest& scsi) {
                               return fabric_.ExecuteOnAdapter(path, scsi);
                           });
    }

    Fabric& fabric_;
    const HostDisk disk_;  // the disk as opened
};

}  // namespace

std::unique_ptr<platform::OpenedDevice> FabricBackend::Open(const std::string& deviceName, DWORD* error) {
    const DeviceTarget target = ResolveDeviceName(deviceName, *fabric_.DosDevices());
    if (target.kind == DeviceTarget::Kind::Adapter && target.number < kAdapterCount &&
        fabric_.AdapterExists(target.number)) {
        return std::make_unique<OpenedAdapter>(fabric_, static_cast<uint8_t>(target.number));
    }
    if (target.kind == DeviceTarget::Kind::Disk) {
        if (std::optional<HostDisk> disk = fabric_.Disk(target.number))
            return std::make_unique<OpenedDisk>(fabric_, *disk);
    }
    *error = ERROR_FILE_NOT_FOUND;
    return nullptr;
}

DWORD FabricBackend::QueryDosDevice(const char* deviceName, char* targetPath, DWORD size, DWORD* error) {
    // Every name (deviceName null) or the target of one name, each NUL-terminated, then one more NUL.
    std::string listing;
    const DosDeviceList devices = fabric_.DosDevices();
    for (const DosDevice& device : *devices) {
        if (deviceName != nullptr) {
            if (device.name != deviceName) continue;
            listing = device.target + '\0';
            break;
        }
        listing += device.name + '\0';
    }
    if (listing.empty()) {
        *error = ERROR_FILE_NOT_FOUND;
        return 0;
    }
    listing += '\0';
    if (targetPath == nullptr || size < listing.size()) {
        *error = kHostErrorBufferTooSmall;
        return 0;
    }
    std::memcpy(targetPath, listing.data(), listing.size());
    return static_cast<DWORD>(listing.size());
}

}  // namespace sim
