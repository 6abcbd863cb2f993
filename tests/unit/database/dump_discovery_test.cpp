// The dump written by discovery of the default fabric (one controller pair) while the switch file is in
// the install directory: the first run's block equals the reviewed golden file, a second run appends no
// controller dump, and with the switch read-only nothing is appended.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "corlink/database/capi_session.h"
#include "corlink/diagnostics/dump_printer.h"
#include "corlink/executor/executor.h"
#include "corlink/foundation/service_params.h"
#include "corlink/handlers/rre.h"
#include "tests/unit/database/fabric_database_fixture.h"

namespace {

namespace fs = std::filesystem;
using simtest::Reach;

class DumpDiscoveryTest : public FabricDatabaseTest {
  protected:
    void SetUp() override {
        FabricDatabaseTest::SetUp();
        SetInstallDirectory("C:\\corlink");
        directory_ = root_.path() + "/C/corlink";
        fs::create_directories(directory_);
        testsupport::WriteWholeFile(directory_ + "/corlink.log", "");
        DumpPrinter::Level() = 0;
        g_FirstDiscovery = 0;
    }
    void TearDown() override {
        rreTerminate();
        DumpPrinter::Level() = 0;
        SetInstallDirectory("");
        FabricDatabaseTest::TearDown();
    }
    std::string Dumped() const { return testsupport::ReadWholeFile(directory_ + "/corlink.dat"); }

    std::string directory_;
};

INSTANTIATE_TEST_SUITE_P(Reach, DumpDiscoveryTest, ::testing::Values(Reach::InProcess), simtest::ReachName);

TEST_P(DumpDiscoveryTest, DiscoveryAppendsTheEntriesItAdds) {
    ASSERT_EQ(rreInitialize(), 0u);
    const std::string first = Dumped();
    const std::string golden = testsupport::ReadWholeFile(CORLINK_DUMP_GOLDEN);
    if (first != golden) {
        testsupport::WriteWholeFile(root_.path() + "/dump.actual", first);
        ADD_FAILURE() << "the dump differs from " << CORLINK_DUMP_GOLDEN << "; it is in " << root_.path()
                      << "/dump.actual";
    }

    // Both controllers are reached again; neither entry is new, and an advanced enclosure dump after a
    // controller dump starts in column 0.
    CAPI_Initialize_Main();
    const std::string second = Dumped().substr(first.size());
    EXPECT_EQ(second.find("RAID_CONTROLLER"), std::string::npos);
    EXPECT_EQ(second.find("  |CAPI_ADVANCED_DRIVE_ENCLOSURE"), std::string::npos);

    fs::permissions(directory_ + "/corlink.log", fs::perms::owner_read);
    const size_t before = Dumped().size();
    CAPI_Initialize_Main();
    EXPECT_EQ(Dumped().size(), before);
}

}  // namespace
