// The fixtures' own file helpers. A user's temporary folder may well hold letters outside
// ASCII, and every fixture must still land at, and be read back from, the path it was given.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/database_corpus.h"
#include "support/fixture_database.h"
#include "support/temp_folder.h"

namespace {

TEST(Utf8, EncodesCharactersOfOneToFourBytes)
{
    const struct {
        const wchar_t* text;
        const char* utf8;
    } cases[] = {
        {L"", ""},
        {L"tuvex.db3", "tuvex.db3"},
        {L"Jos\u00e9", "Jos\xC3\xA9"},
        {L"\u30d5\u30a1", "\xE3\x83\x95\xE3\x82\xA1"},
        {L"\U0001D11E", "\xF0\x9D\x84\x9E"}, // a surrogate pair is one character of four bytes
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf8(c.text), c.utf8) << testing::PrintToString(std::wstring(c.text));
}

// A folder whose name needs more than ASCII, inside a temporary folder of the test's own.
class NonAsciiFolder : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr)); }

    TempFolder parent_;
    const std::wstring folder_ = parent_.File(L"Jos\u00e9 \u30d5\u30a1\u30a4\u30eb \U0001D11E");
};

TEST_F(NonAsciiFolder, ADatabaseIsMadeAndReadBackAtItsOwnPath)
{
    const std::wstring database = folder_ + L"\\tuvex.db3";
    MakeDatabase(database, std::string(CreateOpcodeTable) + "insert into opc (opid, mn) values (1, 'ADD'), (2, 'NOP');");
    EXPECT_EQ(FilesIn(folder_), std::vector<std::wstring>{L"tuvex.db3"});
    EXPECT_EQ(FilesIn(parent_.Path()).size(), 1u) << "a file went to a mangled name";
    EXPECT_EQ(MnemonicsInFile(database), (std::vector<std::wstring>{L"ADD", L"NOP"}));
    EXPECT_TRUE(PassesIntegrityCheck(database));
}

// Points TMP, and with it GetTempPathW, at a folder while it lives.
class TemporaryFolderMovedTo {
public:
    explicit TemporaryFolderMovedTo(const std::wstring& folder)
    {
        saved_.resize(MAX_PATH);
        const DWORD length = GetEnvironmentVariableW(L"TMP", saved_.data(), MAX_PATH);
        hadTmp_ = length > 0 && length < MAX_PATH;
        saved_.resize(hadTmp_ ? length : 0);
        SetEnvironmentVariableW(L"TMP", folder.c_str());
    }
    ~TemporaryFolderMovedTo() { SetEnvironmentVariableW(L"TMP", hadTmp_ ? saved_.c_str() : nullptr); }
    TemporaryFolderMovedTo(const TemporaryFolderMovedTo&) = delete;
    TemporaryFolderMovedTo& operator=(const TemporaryFolderMovedTo&) = delete;

private:
    std::wstring saved_;
    bool hadTmp_ = false;
};

// Some corpus cases write their database in a scratch folder of their own under the temporary
// folder and copy it while SQLite still holds it open.
TEST_F(NonAsciiFolder, EveryCorpusCaseMakesItsFilesUnderANonAsciiTemporaryFolder)
{
    const TemporaryFolderMovedTo movedTemp(folder_);
    for (const CorpusCase& c : DatabaseCorpus()) {
        SCOPED_TRACE(c.name);
        const TempFolder target;
        ASSERT_EQ(target.Path().rfind(folder_, 0), 0u) << "the temporary folder is not the non-ASCII one";
        c.make(target.Path());
        EXPECT_TRUE(FileExists(target.File(L"tuvex.db3")));
    }
}

} // namespace
