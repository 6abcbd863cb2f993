#include "sim/inquiry_data.h"

#include <algorithm>
#include <cstring>

#include "corlink/capi_wire/management_lun.h"

namespace sim {
namespace {

constexpr uint8_t kScsiVersionSpc3 = 5;
constexpr uint8_t kResponseFormat = 2;
constexpr uint32_t kVendorOffset = 8;
constexpr uint32_t kProductOffset = 16;
constexpr uint32_t kRevisionOffset = 32;

// The identity text of the standard data: vendor (8), product (16) and revision (4), blank padded.
void PutIdentity(const std::string& vendor, const std::string& product, const std::string& revision,
                 std::vector<uint8_t>& data) {
    auto put = [&](uint32_t offset, size_t width, const std::string& text) {
        std::fill_n(data.begin() + offset, width, ' ');
        std::copy_n(text.begin(), std::min(width, text.size()), data.begin() + offset);
    };
    put(kVendorOffset, 8, vendor);
    put(kProductOffset, 16, product);
    put(kRevisionOffset, 4, revision);
}

std::vector<uint8_t> StandardData(const std::string& vendor, const std::string& product,
                                  const std::string& revision, uint8_t deviceType) {
    std::vector<uint8_t> data(kStandardInquiryLength, 0);
    data[0] = deviceType;
    data[2] = kScsiVersionSpc3;
    data[3] = kResponseFormat;
    data[4] = static_cast<uint8_t>(kStandardInquiryLength - 5);
    PutIdentity(vendor, product, revision, data);
    return data;
}

std::vector<uint8_t> PageHead(uint8_t deviceType, uint8_t page, size_t length) {
    std::vector<uint8_t> data(4 + length, 0);
    data[0] = deviceType;
    data[1] = page;
    data[2] = static_cast<uint8_t>(length >> 8);
    data[3] = static_cast<uint8_t>(length);
    return data;
}

std::vector<uint8_t> SupportedPages(uint8_t deviceType, std::initializer_list<uint8_t> pages) {
    std::vector<uint8_t> data = PageHead(deviceType, VPD_SUPPORTED_PAGES, pages.size());
    std::copy(pages.begin(), pages.end(), data.begin() + 4);
    return data;
}

std::vector<uint8_t> SerialPage(uint8_t deviceType, const std::array<uint8_t, 16>& serial) {
    const std::string text = HexText(serial);
    std::vector<uint8_t> data = PageHead(deviceType, VPD_UNIT_SERIAL, text.size());
    std::copy(text.begin(), text.end(), data.begin() + 4);
    return data;
}

}  // namespace

std::array<uint8_t, 16> ManagementLunVolumeSerial(const Controller& controller) {
    return DerivedVolumeSerial(controller.serial, 0);
}

std::vector<uint8_t> ManagementLunInquiry(const StorageSystem& system, int controller) {
    const Controller& c = system.controllers[controller];
    std::vector<uint8_t> data =
        StandardData(system.vendor, system.product, system.revision, c.managementLunType);
    const char* id = c.failoverId == 1 ? MANAGEMENT_LUN_ID_CONTROLLER_A : MANAGEMENT_LUN_ID_CONTROLLER_B;
    std::memcpy(data.data() + MANAGEMENT_LUN_ID_OFFSET, id, std::strlen(id));
    return data;
}

std::vector<uint8_t> HostDiskInquiry(const StorageSystem& system) {
    return StandardData(system.vendor, system.product, system.revision, kPeripheralDisk);
}

std::vector<uint8_t> LocalDiskInquiry(const LocalDisk& disk) {
    return StandardData(disk.vendor, disk.product, "1.0", kPeripheralDisk);
}

std::vector<uint8_t> ManagementLunVpd(const StorageSystem& system, int controller, uint8_t page) {
    const Controller& c = system.controllers[controller];
    const uint8_t type = c.managementLunType;
    switch (page) {
        case VPD_SUPPORTED_PAGES:
            return SupportedPages(
                type, {VPD_SUPPORTED_PAGES, VPD_UNIT_SERIAL, VPD_DEVICE_ID, MANAGEMENT_LUN_VPD_PORTS});
        case VPD_UNIT_SERIAL: return SerialPage(type, ManagementLunVolumeSerial(c));
        case VPD_DEVICE_ID: {
            // One vendor-specific binary designator of 32 bytes: the unique id at identifier bytes 1-6,
            // the controller serial at 8-13; the controller port number lands at page byte 31.
            std::vector<uint8_t> data = PageHead(type, VPD_DEVICE_ID, 36);
            data[4] = 0x01;  // code set: binary
            data[5] = 0x00;  // association 0, designator type: vendor specific
            data[7] = 32;
            std::copy(c.uniqueId.begin(), c.uniqueId.end(), data.begin() + 8 + 1);
            std::copy(c.serial.begin(), c.serial.end(), data.begin() + 8 + 8);
            data[MANAGEMENT_LUN_CONTROLLER_PORT_OFFSET] = c.portNumber;
            return data;
        }
        case MANAGEMENT_LUN_VPD_PORTS: {
            std::vector<uint8_t> data = PageHead(type, MANAGEMENT_LUN_VPD_PORTS, 52);
            std::copy(c.hostPort.begin(), c.hostPort.end(), data.begin() + VPD_D0_HOST_PORT_ADDRESS);
            std::copy(c.portWwnn.begin(), c.portWwnn.end(), data.begin() + VPD_D0_CONTROLLER_PORT_WWNN);
            std::copy(c.portWwpn.begin(), c.portWwpn.end(), data.begin() + VPD_D0_CONTROLLER_PORT_WWPN);
            data[VPD_D0_HOST_INTERFACE_TYPE] = static_cast<uint8_t>(c.hostInterfaceType);
            return data;
        }
        default: return {};
    }
}

std::vector<uint8_t> HostDiskVpd(const Serial16& serial, uint8_t page, bool arrayVolume) {
    switch (page) {
        case VPD_SUPPORTED_PAGES:
            return SupportedPages(kPeripheralDisk, {VPD_SUPPORTED_PAGES, VPD_UNIT_SERIAL, VPD_DEVICE_ID});
        case VPD_UNIT_SERIAL: return SerialPage(kPeripheralDisk, serial);
        case VPD_DEVICE_ID: {
            // An NAA designator holding the disk serial; a volume of the arrays follows it with the arrays'
            // own identifier: binary, vendor specific, 32 bytes, 0x11 and then the volume serial.
            constexpr size_t kNaaLength = 4 + 16;
            constexpr size_t kArraysLength = 4 + 32;
            std::vector<uint8_t> data =
                PageHead(kPeripheralDisk, VPD_DEVICE_ID, kNaaLength + (arrayVolume ? kArraysLength : 0));
            data[4] = 0x01;  // binary
            data[5] = 0x03;  // NAA
            data[7] = 16;
            std::copy(serial.begin(), serial.end(), data.begin() + 8);
            data[8] = static_cast<uint8_t>(0x60 | (data[8] & 0x0F));  // NAA 6 (registered extended)
            if (arrayVolume) {
                uint8_t* designator = data.data() + 4 + kNaaLength;
                designator[0] = 0x01;  // binary
                designator[1] = 0x00;  // vendor specific
                designator[3] = 32;
                designator[4] = 0x11;
                std::copy(serial.begin(), serial.end(), designator + 5);
            }
            return data;
        }
        default: return {};
    }
}

}  // namespace sim
