// isDirectoryEmpty and the tidy step of the install record on real folders
// under Wine.
#include <gtest/gtest.h>

#include "common/file_io.h"
#include "install/install_record.h"
#include "support/symbolic_link.h"
#include "support/test_support.h"

namespace {

// Hidden and system entries and empty subfolders all count as content.
TEST(IsDirectoryEmpty, AnyEntryBesidesTheDotEntriesIsContent) {
    ts::TempDir withHiddenFile;
    ts::TempDir withEmptySubfolder;
    ts::TempDir empty;
    const std::wstring hidden = withHiddenFile / L"desktop.ini";
    ASSERT_TRUE(ts::writeFile(hidden, "x"));
    ASSERT_TRUE(SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(CreateDirectoryW((withEmptySubfolder / L"sub").c_str(), nullptr));

    EXPECT_FALSE(isDirectoryEmpty(withHiddenFile.path()));
    EXPECT_FALSE(isDirectoryEmpty(withEmptySubfolder.path()));
    EXPECT_TRUE(isDirectoryEmpty(empty.path()));
}

// Folders under a fake install folder "<temp>\app", built per test.
class RemoveEmptyDirectories : public ::testing::Test {
protected:
    void SetUp() override {
        installDir = temp / L"app";
        for (const wchar_t* folder : {L"app", L"app\\web", L"app\\web\\js", L"app\\web\\js\\lib"}) {
            ASSERT_TRUE(CreateDirectoryW((temp / folder).c_str(), nullptr));
        }
    }
    bool exists(const wchar_t* relative) const { return ts::directoryExists(temp / relative); }

    ts::TempDir temp;
    std::wstring installDir;
};

TEST_F(RemoveEmptyDirectories, WalksUpwardAndStopsBelowTheInstallFolder) {
    removeEmptyDirectories(temp / L"app\\web\\js\\lib", installDir);
    EXPECT_FALSE(exists(L"app\\web"));
    EXPECT_TRUE(exists(L"app"));
}

TEST_F(RemoveEmptyDirectories, StopsAtTheFirstFolderThatHoldsSomething) {
    ASSERT_TRUE(ts::writeFile(temp / L"app\\web\\kept.txt", "mine"));
    removeEmptyDirectories(temp / L"app\\web\\js\\lib", installDir);
    EXPECT_FALSE(exists(L"app\\web\\js"));
    EXPECT_TRUE(ts::fileExists(temp / L"app\\web\\kept.txt"));
}

TEST_F(RemoveEmptyDirectories, FolderHoldingAHiddenFileStaysWithItsParents) {
    const std::wstring hidden = temp / L"app\\web\\js\\lib\\.cache";
    ASSERT_TRUE(ts::writeFile(hidden, ""));
    ASSERT_TRUE(SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    removeEmptyDirectories(temp / L"app\\web\\js\\lib", installDir);
    EXPECT_TRUE(exists(L"app\\web\\js\\lib"));
}

TEST_F(RemoveEmptyDirectories, FolderWithAnEmptySubfolderStaysUnlessTheWalkStartsBelowIt) {
    removeEmptyDirectories(temp / L"app\\web\\js", installDir);
    EXPECT_TRUE(exists(L"app\\web\\js\\lib"));
    removeEmptyDirectories(temp / L"app\\web\\js\\lib", installDir);
    EXPECT_FALSE(exists(L"app\\web"));
}

TEST_F(RemoveEmptyDirectories, WalkFromTheInstallFolderOrAboveRemovesNothing) {
    ASSERT_TRUE(RemoveDirectoryW((temp / L"app\\web\\js\\lib").c_str()));
    ASSERT_TRUE(RemoveDirectoryW((temp / L"app\\web\\js").c_str()));
    ASSERT_TRUE(RemoveDirectoryW((temp / L"app\\web").c_str()));
    ASSERT_TRUE(CreateDirectoryW((temp / L"z").c_str(), nullptr));  // empty, and shorter than the install folder
    removeEmptyDirectories(temp / L"app", installDir);
    removeEmptyDirectories(temp / L"z", installDir);
    EXPECT_TRUE(exists(L"app"));
    EXPECT_TRUE(exists(L"z"));
}

// A link below the install folder leads out of it: the walk neither lists nor
// removes through one, whether the link is the folder it starts from or a
// folder on the way up. Under Wine 8 removing the link would remove the
// empty folder it points to.
TEST_F(RemoveEmptyDirectories, NeverListsOrRemovesThroughALink) {
    const std::wstring victim = temp / L"victim";
    ASSERT_TRUE(CreateDirectoryW(victim.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((victim + L"\\empty").c_str(), nullptr));
    ASSERT_TRUE(ts::makeSymbolicLink(temp / L"app\\web\\js\\lib\\linked", victim));
    removeEmptyDirectories(temp / L"app\\web\\js\\lib\\linked\\empty", installDir);
    removeEmptyDirectories(temp / L"app\\web\\js\\lib\\linked", installDir);
    EXPECT_TRUE(ts::directoryExists(victim + L"\\empty"));
    EXPECT_TRUE(exists(L"app\\web\\js\\lib"));
}

}  // namespace
