#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "data/CBoardConfig.h"
#include "data/CIniDocument.h"
#include "tests/support/TempDir.h"

namespace {

TEST(BoardConfig, LooksUpPosterTextsByTheExactUpperCaseKeyAndTheVersionByVer) {
    TempDir dir;
    CBoardConfig config(dir.Path());
    EXPECT_EQ(config.GetBoardFilePath(), dir.Path() + "/BiosConf_Kolt_V120.ini");
    config.LoadDocuments();
    EXPECT_EQ(config.GetVersion(), u"") << "missing files give nothing";
    EXPECT_EQ(config.LookupStr(u"0A"), u"");
    dir.WriteFile("dbcd-V03.ini", "[str]\n0A=short A\n3b=lower\n[Message]\n0A=long A\n1F0=three\n");
    dir.WriteFile("BiosConf_Kolt_V120.ini", "[Version]\nVer=B-1.0\n");
    config.LoadDocuments();
    EXPECT_EQ(config.LookupStr(u"0A"), u"short A");
    EXPECT_EQ(config.LookupMessage(u"0A"), u"long A");
    EXPECT_EQ(config.LookupMessage(u"1F0"), u"three");
    EXPECT_EQ(config.LookupStr(u"3B"), u"");  // the file wrote it in lower case
    EXPECT_EQ(config.LookupStr(u"1F0"), u"");
    EXPECT_EQ(config.GetVersion(), u"B-1.0");
    dir.WriteFile("BiosConf_Kolt_V120.ini", "[Version]\nVersion=1\n");
    config.LoadDocuments();
    EXPECT_EQ(config.GetVersion(), u"");
}

// The message file we ship: every key is a code as the poster builds it, and
// both sections cover the same codes.
TEST(BoardConfig, TheShippedMessageFileHasUpperCaseCodesInBothSections) {
    CIniDocument document;
    ASSERT_GE(document.LoadFile(TUNEVO_SOURCE_DIR "/resources/dbcd-V03.ini"), 0);
    const auto strKeys = document.GetAllKeys(u"str");
    const auto messageKeys = document.GetAllKeys(u"Message");
    EXPECT_GE(strKeys.size(), 20u);
    EXPECT_EQ(strKeys, messageKeys);
    const std::regex code("[0-9A-F]{2,}");
    for (const std::u16string& key : strKeys) {
        const std::string narrow(key.begin(), key.end());
        EXPECT_TRUE(std::regex_match(narrow, code)) << narrow;
        EXPECT_FALSE(document.GetString(u"str", key).empty()) << narrow;
        EXPECT_FALSE(document.GetString(u"Message", key).empty()) << narrow;
    }
}

}  // namespace
