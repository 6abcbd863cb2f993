// Windows paths on this machine: everything lands under the machine root, relative names in the system
// directory (the working directory of a program on Windows).
#include "platform/files/machine_root.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/files/files.h"
#include "tests/support/test_root.h"

namespace {

TEST(MachineRoot, MapsWindowsPathsUnderTheRoot) {
    testsupport::TestRoot root;
    const std::string& r = root.path();
    struct Case {
        const char* windows;
        std::string mapped;
    };
    const Case cases[] = {
        // clang-format off
        {"C:\\Windows\\System32\\corlink4.conf", r + "/C/Windows/System32/corlink4.conf"},
        {"d:\\data/file.txt", r + "/D/data/file.txt"},
        {"\\corlink\\corlink.conf", r + "/C/corlink/corlink.conf"},
        {"HOT_1", r + "/C/Windows/System32/HOT_1"},
        {"logs\\capi.log", r + "/C/Windows/System32/logs/capi.log"},
        {"/already/a/path/here", "/already/a/path/here"},
        // clang-format on
    };
    for (const Case& c : cases) EXPECT_EQ(platform::MapPath(c.windows), c.mapped) << c.windows;
    EXPECT_EQ(platform::SystemDirectoryPath(), r + "/C/Windows/System32");
}

TEST(MachineRoot, RelativeFilesAreWrittenToTheSystemDirectoryEvenOnAFreshRoot) {
    testsupport::TestRoot root;
    EXPECT_EQ(platform::OpenFile("missing.txt", "r"), nullptr) << "reading creates nothing";
    FILE* f = platform::OpenFile("capi.log", "w");
    ASSERT_NE(f, nullptr);
    std::fputs("line\n", f);
    std::fclose(f);
    EXPECT_EQ(root.ReadFile("C/Windows/System32/capi.log"), "line\n");
}

}  // namespace
