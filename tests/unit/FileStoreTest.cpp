// The user's files: read only when they are files, replaced whole or not at all.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "data/CIniDocument.h"
#include "data/FileStore.h"
#include "tests/support/TempDir.h"

namespace {

class FileStoreTest : public testing::Test {
protected:
    std::string Path(const std::string& strName) const { return m_dir.Path() + "/" + strName; }
    struct stat Stat(const std::string& strName) const {
        struct stat info {};
        EXPECT_EQ(::lstat(Path(strName).c_str(), &info), 0);
        return info;
    }

    TempDir m_dir;
};

TEST_F(FileStoreTest, ADirectoryOrAPipeInPlaceOfAFileIsRefusedAtOnce) {
    std::filesystem::create_directory(Path("dir.ini"));
    ASSERT_EQ(::mkfifo(Path("pipe.ini").c_str(), 0600), 0);
    for (const char* pszName : {"dir.ini", "pipe.ini", "missing.ini"}) {
        std::string bytes = "left";
        // A pipe nobody writes to would block a plain open for good.
        EXPECT_FALSE(ReadRegularFile(Path(pszName), bytes)) << pszName;
        CIniDocument document;
        EXPECT_LT(document.LoadFile(Path(pszName)), 0) << pszName;
    }
    EXPECT_FALSE(ReplaceFileWhole(Path("dir.ini"), "x"));
    EXPECT_FALSE(ReplaceFileWhole(Path("pipe.ini"), "x"));
    EXPECT_TRUE(std::filesystem::is_directory(Path("dir.ini")));
}

TEST_F(FileStoreTest, AReplacedFileKeepsItsModeOwnerAndGroupAndAReadOnlyOneIsKept) {
    m_dir.WriteFile("profile.ini", "old");
    ASSERT_EQ(::chmod(Path("profile.ini").c_str(), 0640), 0);
    const bool bRoot = ::geteuid() == 0;
    // As root (a save through sudo), the user's file must stay the user's.
    const uid_t nOwner = bRoot ? 4321 : ::geteuid();
    const gid_t nGroup = bRoot ? 4321 : ::getegid();
    ASSERT_EQ(::chown(Path("profile.ini").c_str(), nOwner, nGroup), 0);
    ASSERT_TRUE(ReplaceFileWhole(Path("profile.ini"), "new"));
    EXPECT_EQ(m_dir.ReadFile("profile.ini"), "new");
    const struct stat info = Stat("profile.ini");
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(info.st_uid, nOwner);
    EXPECT_EQ(info.st_gid, nGroup);

    ASSERT_EQ(::chmod(Path("profile.ini").c_str(), 0444), 0);
    EXPECT_FALSE(ReplaceFileWhole(Path("profile.ini"), "newer"));
    EXPECT_EQ(m_dir.ReadFile("profile.ini"), "new");
    // Nothing is left behind beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.Path()), {}), 1);
}

TEST_F(FileStoreTest, AFolderThatTakesNoNewFileStillLetsAWritableFileBeRewritten) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root creates files in any folder";
    }
    m_dir.WriteFile("settings.ini", "old");
    ASSERT_EQ(::chmod(m_dir.Path().c_str(), 0555), 0);
    EXPECT_TRUE(ReplaceFileWhole(Path("settings.ini"), "new"));
    EXPECT_FALSE(ReplaceFileWhole(Path("absent.ini"), "new"));
    ::chmod(m_dir.Path().c_str(), 0755);
    EXPECT_EQ(m_dir.ReadFile("settings.ini"), "new");
}

}  // namespace
