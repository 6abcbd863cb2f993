#include <cstring>

#include "platform/devices/device_io.h"
#include "platform/devices/scsi_layouts.h"
#include "platform/files/file_io.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"
#include "tests/unit/sim/fabric_fixture.h"

namespace simtest {
namespace {

std::string Text(const std::vector<uint8_t>& data, size_t offset, size_t length) {
    return std::string(reinterpret_cast<const char*>(data.data()) + offset, length);
}

TEST_P(FabricTest, ManagementLunStandardInquiryNamesItsController) {
    const struct {
        sim::ScsiAddress lun;
        const char* id;
    } cases[] = {{kLunA, "CAPIPTA"}, {kLunB, "CAPIPTB"}};
    for (const auto& c : cases) {
        std::vector<uint8_t> data;
        ScsiResult result = Inquiry(c.lun, false, 0, &data);
        ASSERT_TRUE(result.ok);
        ASSERT_EQ(result.status, 0);
        ASSERT_GE(data.size(), 51u);
        EXPECT_EQ(data[0], 0x0D);  // enclosure services: probed by discovery
        EXPECT_EQ(data[1] & 0x80, 0);
        EXPECT_EQ(data[2], 5);
        EXPECT_EQ(Text(data, 8, 8), "Brenlow ");
        EXPECT_EQ(Text(data, 16, 16), "Stor 3920 FC    ");
        EXPECT_EQ(Text(data, 44, 7), c.id);
    }
}

TEST_P(FabricTest, ManagementLunVitalProductDataPages) {
    std::vector<uint8_t> page;
    ASSERT_TRUE(Inquiry(kLunB, true, 0x83, &page).ok);
    ASSERT_EQ(page.size(), 40u);
    EXPECT_EQ(page[1], 0x83);
    EXPECT_EQ(page[4] & 0x0F, 1);  // binary
    EXPECT_EQ(page[5] & 0x0F, 0);  // vendor specific
    EXPECT_EQ(page[7], 32);
    EXPECT_EQ(std::vector<uint8_t>(page.begin() + 9, page.begin() + 15),
              (std::vector<uint8_t>{0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x02}));  // unique id: identifier 1-6
    EXPECT_EQ(std::vector<uint8_t>(page.begin() + 16, page.begin() + 22),
              (std::vector<uint8_t>{0x00, 0xC0, 0xFF, 0x1A, 0x2B, 0x02}));  // serial: identifier 8-13
    EXPECT_EQ(page[31], 1);                                                 // controller port

    ASSERT_TRUE(Inquiry(kLunA, true, 0x80, &page).ok);
    ASSERT_EQ(page.size(), 36u);
    EXPECT_EQ(Text(page, 4, 32), "000C0FF0001A2B010000000000000000");

    ASSERT_TRUE(Inquiry(kLunA, true, 0xD0, &page).ok);
    ASSERT_GE(page.size(), 53u);
    EXPECT_EQ(std::vector<uint8_t>(page.begin() + 12, page.begin() + 20),
              (std::vector<uint8_t>{0x21, 0x00, 0x00, 0x1B, 0x32, 0x00, 0x00, 0x01}));  // host port
    EXPECT_EQ(std::vector<uint8_t>(page.begin() + 28, page.begin() + 36),
              (std::vector<uint8_t>{0x20, 0x80, 0x00, 0xC0, 0xFF, 0x1A, 0x2B, 0x00}));  // controller WWNN
    EXPECT_EQ(std::vector<uint8_t>(page.begin() + 36, page.begin() + 44),
              (std::vector<uint8_t>{0x20, 0x70, 0x00, 0xC0, 0xFF, 0x1A, 0x2B, 0x01}));  // controller WWPN
    EXPECT_EQ(page[52], 'F');
}

TEST_P(FabricTest, ManagementLunRefusesWhatItDoesNotHave) {
    std::vector<uint8_t> page;
    ScsiResult unknownPage = Inquiry(kLunA, true, 0xB0, &page);
    ASSERT_TRUE(unknownPage.ok);
    EXPECT_EQ(unknownPage.status, 2);
    EXPECT_EQ(unknownPage.senseKey(), 5);
    EXPECT_EQ(unknownPage.asc(), 0x24);

    ScsiResult unknownOp = Scsi(AdapterName(2), kLunA, {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, true, nullptr, 0);
    EXPECT_EQ(unknownOp.status, 2);
    EXPECT_EQ(unknownOp.asc(), 0x20);

    ScsiResult ready = Scsi(AdapterName(2), kLunA, {0, 0, 0, 0, 0, 0}, true, nullptr, 0);
    EXPECT_TRUE(ready.ok);
    EXPECT_EQ(ready.status, 0);
}

TEST_P(FabricTest, InquiryAllocationLengthBoundsTheData) {
    std::vector<uint8_t> data(100, 0xEE);
    ScsiResult result = Scsi(AdapterName(2), kLunA, {0x12, 0, 0, 0, 10, 0}, true, data.data(), 100);
    EXPECT_EQ(result.transferred, 10u);
    EXPECT_EQ(data[10], 0xEE);
}

TEST_P(FabricTest, AdaptersAndTheirInquiryListing) {
    // Adapters 0 to 31 exist only where a controller is seen; the others fail to open.
    for (int adapter = 0; adapter < 32; ++adapter) {
        HANDLE h =
            CreateFileA(AdapterName(static_cast<uint8_t>(adapter)).c_str(), GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, adapter == 2 || adapter == 3) << adapter;
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
        } else {
            EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
        }
    }

    HANDLE h = CreateFileA("\\\\.\\Scsi2:", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::vector<uint8_t> buffer(0xC000, 0);
    DWORD returned = 0;
    EXPECT_FALSE(
        DeviceIoControl(h, IOCTL_SCSI_GET_INQUIRY_DATA, nullptr, 0, buffer.data(), 20, &returned, nullptr));
    EXPECT_EQ(GetLastError(), 122u);
    ASSERT_TRUE(DeviceIoControl(h, IOCTL_SCSI_GET_INQUIRY_DATA, nullptr, 0, buffer.data(), 0xC000, &returned,
                                nullptr));
    CloseHandle(h);

    ASSERT_EQ(buffer[0], 1);  // one bus
    SCSI_BUS_DATA bus;
    std::memcpy(&bus, buffer.data() + 4, sizeof bus);
    EXPECT_EQ(bus.NumberOfLogicalUnits, 4);
    EXPECT_EQ(bus.InquiryDataOffset, 12u);  // right after the bus array
    struct Seen {
        uint8_t lun;
        uint8_t claimed;
        uint8_t type;
        std::string id;
    };
    std::vector<Seen> seen;
    for (DWORD offset = bus.InquiryDataOffset; offset != 0 && seen.size() < 10;) {
        SCSI_INQUIRY_DATA record;
        std::memcpy(&record, buffer.data() + offset, offsetof(SCSI_INQUIRY_DATA, InquiryData));
        const uint8_t* inquiry = buffer.data() + offset + offsetof(SCSI_INQUIRY_DATA, InquiryData);
        EXPECT_EQ(record.InquiryDataLength, 36u);
        seen.push_back({record.Lun, record.DeviceClaimed, inquiry[0],
                        std::string(reinterpret_cast<const char*>(inquiry) + 8, 8)});
        offset = record.NextInquiryDataOffset;
    }
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].lun, 0);  // the management LUN, unclaimed
    EXPECT_EQ(seen[0].claimed, 0);
    EXPECT_EQ(seen[0].type, 0x0D);
    for (size_t i = 1; i < 4; ++i) {  // the mapped volumes, claimed by the disk driver
        EXPECT_EQ(seen[i].lun, i);
        EXPECT_EQ(seen[i].claimed, 1);
        EXPECT_EQ(seen[i].type, 0);
        EXPECT_EQ(seen[i].id, "Brenlow ");
    }
}

}  // namespace
}  // namespace simtest
