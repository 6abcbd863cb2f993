// The fabric's WMI answers as bytes between processes, and the WQL the path choice writes.
#include "sim/wmi_answers.h"

#include <gtest/gtest.h>

#include "platform/devices/wmi_wire.h"

namespace {

TEST(WmiWire, ObjectsSurviveTheTripAndBrokenBytesAreRefused) {
    auto scsi =
        std::make_shared<const IWbemClassObject>(std::map<std::string, WmiValue>{{"Lun", uint32_t{2}}});
    std::vector<WmiObjectRef> pdos = {std::make_shared<const IWbemClassObject>(
        std::map<std::string, WmiValue>{{"PathIdentifier", uint64_t{0x77010002}}, {"ScsiAddress", scsi}})};
    std::vector<WmiObjectRef> objects = {std::make_shared<const IWbemClassObject>(
        std::map<std::string, WmiValue>{{"InstanceName", std::string("MPIO\\\\DISK")},
                                        {"Active", true},
                                        {"Index", int32_t{-1}},
                                        {"PdoInformation", pdos}})};
    const std::vector<uint8_t> bytes = platform::wmi_wire::Encode(objects);

    std::vector<WmiObjectRef> decoded;
    ASSERT_TRUE(platform::wmi_wire::Decode(bytes.data(), bytes.size(), &decoded));
    ASSERT_EQ(decoded.size(), 1u);
    WmiValue value;
    ASSERT_EQ(decoded[0]->Get("PdoInformation", &value), WBEM_S_NO_ERROR);
    const auto& list = std::get<std::vector<WmiObjectRef>>(value);
    ASSERT_EQ(list.size(), 1u);
    ASSERT_EQ(list[0]->Get("ScsiAddress", &value), WBEM_S_NO_ERROR);
    ASSERT_EQ(std::get<WmiObjectRef>(value)->Get("Lun", &value), WBEM_S_NO_ERROR);
    EXPECT_EQ(std::get<uint32_t>(value), 2u);

    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        EXPECT_FALSE(platform::wmi_wire::Decode(bytes.data(), cut, &decoded)) << cut;
    }
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(platform::wmi_wire::Decode(longer.data(), longer.size(), &decoded));
    const uint8_t hugeCount[] = {0xFF, 0xFF, 0xFF, 0xFF, 0};
    EXPECT_FALSE(platform::wmi_wire::Decode(hugeCount, sizeof hugeCount, &decoded));
    // Objects nested deeper than the answers ever are.
    std::vector<uint8_t> deep = {1, 0, 0, 0};
    for (int i = 0; i < 8; ++i) deep.insert(deep.end(), {1, 0, 0, 0, 1, 0, 0, 0, 'o', 6});
    deep.insert(deep.end(), {0, 0, 0, 0});
    EXPECT_FALSE(platform::wmi_wire::Decode(deep.data(), deep.size(), &decoded));
}

TEST(WmiAnswers, ReadsTheQueriesOfThePathChoice) {
    const struct {
        const char* query;
        bool ok;
        const char* className;
        const char* key;
        const char* value;
        bool like;
    } cases[] = {
        // clang-format off
        {"SELECT * FROM Win32_DiskDrive WHERE DeviceID=\"\\\\\\\\.\\\\PhysicalDrive1\"", true, "Win32_DiskDrive",
         "DeviceID", "\\\\.\\PhysicalDrive1", false},
        {"SELECT * FROM MPIO_GET_DESCRIPTOR WHERE InstanceName LIKE 'MPIO\\\\DISK\\'X%' AND Active=TRUE", true,
         "MPIO_GET_DESCRIPTOR", "InstanceName", "MPIO\\DISK'X", true},
        {"select * from Win32_DiskDrive", true, "Win32_DiskDrive", "", "", false},
        {"SELECT Name FROM Win32_DiskDrive", false, "", "", "", false},
        {"SELECT * FROM Win32_DiskDrive WHERE DeviceID=\"unterminated", false, "", "", "", false},
        {"SELECT * FROM Win32_DiskDrive WHERE DeviceID > 3", false, "", "", "", false},
        // clang-format on
    };
    for (const auto& c : cases) {
        sim::WqlQuery parsed;
        ASSERT_EQ(sim::ParseWql(c.query, &parsed), c.ok) << c.query;
        if (!c.ok) continue;
        EXPECT_EQ(parsed.className, c.className);
        EXPECT_EQ(parsed.key, c.key);
        EXPECT_EQ(parsed.value, c.value);
        EXPECT_EQ(parsed.like, c.like);
    }
}

}  // namespace
