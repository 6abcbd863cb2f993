#include "corlink/transport/model_list.h"

#include <gtest/gtest.h>

#include <string>

#include "corlink/foundation/log.h"
#include "tests/support/test_root.h"
#include "tests/unit/foundation/log_capture.h"

namespace {

size_t Count(const std::string& text, const std::string& fragment) {
    size_t n = 0;
    for (size_t at = text.find(fragment); at != std::string::npos; at = text.find(fragment, at + 1)) ++n;
    return n;
}

// A model list over "<root>/corlink.conf" and its companion, with the log captured.
class ModelListTest : public ::testing::Test {
  protected:
    ModelListTest()
        : mainFile(root.path() + "/corlink.conf"),
          companion(root.path() + "/corlink-local.conf"),
          models(mainFile.c_str()) {
        OpenDebugFile(nullptr);  // no log file: the lines go to the captured debugger output
    }
    ~ModelListTest() override { CloseDebugFile(); }

    void WriteMain(const std::string& ini) { testsupport::WriteWholeFile(mainFile, ini); }
    void WriteCompanion(const std::string& ini) { testsupport::WriteWholeFile(companion, ini); }

    testsupport::TestRoot root;
    DebuggerCapture log;
    std::string mainFile;
    std::string companion;
    SupportedModelList models;
};

TEST_F(ModelListTest, PatternsMatchTheWholeTrimmedVendorAndProductWithoutCase) {
    WriteMain("[Models]\nfirst = Brenlow +RX[0-9]+\nsecond=JW +Array\n");
    struct Case {
        const char* inquiry;  // INQUIRY from byte 8: vendor (8), product (16), then revision
        bool supported;
    } cases[] = {
        // clang-format off
        {"Brenlow RX4000          0123", true},   // trailing blanks of the 24 characters are cut
        {"BRENLOW rx4000          0123", true},   // case makes no difference
        {"Brenlow RX4000X         0123", false},  // a pattern matching only a part does not match
        {"JW      Array           ", true},
        {"JW      Array", true},  // a NUL before 24 characters ends the text
        {"XJW     Array           ", false},
        {"                        ", false},  // blanks only are kept, and match nothing here
        // clang-format on
    };
    for (const Case& c : cases) {
        EXPECT_EQ(models.IsSupported(c.inquiry), c.supported) << c.inquiry;
    }
}

TEST_F(ModelListTest, CompanionFileAddsPatternsAndDuplicatesCountOnce) {
    WriteMain("[Models]\na = Vardin +V1\nb = Vardin +V1   \n");
    WriteCompanion("[Models]\nx = Vardin +V1\ny = Pelliox +P[0-9]\n");
    EXPECT_TRUE(models.IsSupported("Pelliox P7                  "));
    EXPECT_TRUE(models.IsSupported("Vardin  V1              "));
    const std::string text = log.Text();
    EXPECT_NE(text.find("CMainApp::CMainApp: loaded extra config data\n"), std::string::npos);
    EXPECT_NE(text.find("Loaded 2 inquiry string regexp(s)\n"), std::string::npos) << text;
    EXPECT_EQ(Count(text, "GetSupportedInquiryStrings: reading "), 2u);  // loaded once for both questions
}

TEST_F(ModelListTest, MissingCompanionIsNoError) {
    WriteMain("[Models]\na = Vardin +V1\n");
    EXPECT_TRUE(models.IsSupported("Vardin  V1              "));
    EXPECT_EQ(log.Text().find("loaded extra config data"), std::string::npos);
}

TEST_F(ModelListTest, MainFileWithoutModelsIsLoadedAgainAtEachQuestion) {
    WriteMain("[Config]\nDebug=0\n");
    WriteCompanion("[Models]\na = .*\n");  // never read while the main file fails
    EXPECT_FALSE(models.IsSupported("Brenlow RX4000          "));
    EXPECT_FALSE(models.IsSupported("Brenlow RX4000          "));
    const std::string text = log.Text();
    EXPECT_EQ(Count(text, "Could not find [Models] section in config file (0)\n"), 2u) << text;
    EXPECT_EQ(Count(text, "CMainApp::CMainApp: Failed to load config file " + mainFile + "\n"), 2u);
    EXPECT_EQ(Count(text, "reading " + companion), 0u);

    // Not cached: once the file is fixed the next question loads it and answers.
    WriteMain("[Models]\na = Brenlow +RX4000\n");
    EXPECT_TRUE(models.IsSupported("Brenlow RX4000          "));
}

TEST_F(ModelListTest, MissingMainFileSupportsNothing) {
    EXPECT_FALSE(models.IsSupported("Brenlow RX4000          "));
    EXPECT_NE(log.Text().find("Could not find [Models] section"), std::string::npos);
}

TEST_F(ModelListTest, AnswersAndPatternsLastForTheRun) {
    WriteMain("[Models]\na = Brenlow +RX4000\n");
    EXPECT_TRUE(models.IsSupported("Brenlow RX4000          "));
    EXPECT_FALSE(models.IsSupported("JW      Array           "));
    WriteMain("[Models]\na = JW +Array\n");
    EXPECT_TRUE(models.IsSupported("Brenlow RX4000          "));
    EXPECT_FALSE(models.IsSupported("JW      Array           "));
    EXPECT_EQ(Count(log.Text(), "GetSupportedInquiryStrings: reading "), 2u);
}

TEST_F(ModelListTest, BrokenPatternIsSkippedAndTheOthersStillMatch) {
    WriteMain("[Models]\nbad = Brenlow (RX\ngood = JW +Array\n");
    EXPECT_FALSE(models.IsSupported("Brenlow (RX             "));
    EXPECT_TRUE(models.IsSupported("JW      Array           "));
    EXPECT_NE(log.Text().find("Loaded 1 inquiry string regexp(s)\n"), std::string::npos);
}

TEST_F(ModelListTest, DebugSwitchLogsEveryStepAndStaysOn) {
    WriteMain("[Config]\nDebug = yes\n[Models]\na = JW +Array\nb = Brenlow.*\n");
    WriteCompanion("[Config]\nDebug = off\n[Models]\n");
    EXPECT_TRUE(models.IsSupported("JW      Array           01"));
    EXPECT_TRUE(models.IsSupported("JW      Array           01"));
    const std::string text = log.Text();
    const char* expected[] = {
        "IsSupported: matching JW      Array (JW      Array           )\n",
        " cache miss for 'JW      Array'\n",
        "  Trying Brenlow.*...nope!\n",
        "  Trying JW +Array...MATCH\n",
        "caching 'JW      Array' = 1\n",
        " found 'JW      Array' in cache (true)\n",
    };
    for (const char* line : expected)
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n---\n" << text;
}

TEST_F(ModelListTest, UnicodeFileWithByteOrderMarkIsRead) {
    const std::string ini = "[Models]\r\na=Pelliox P2\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : ini) utf16 += std::string{c, '\0'};
    WriteMain(utf16);
    EXPECT_TRUE(models.IsSupported("Pelliox P2              "));
}

}  // namespace
