// Restoring a generation through the window's restore buttons, against real
// generation files as the agent leaves them.
#include <algorithm>

#include "app_state.h"
#include "files.h"
#include "messages.h"
#include "resource.h"
#include "settings_text.h"
#include "settings_window_fixture.h"

using namespace sorel;
using namespace sorel::test;
using Lines = std::vector<std::string>;

namespace {

// What one file holds: its bytes and its exact last-write time.
struct FileState {
    std::string bytes;
    unsigned long long written;
    bool operator==(const FileState& other) const {
        return bytes == other.bytes && written == other.written;
    }
};

std::ostream& operator<<(std::ostream& out, const FileState& state) {
    return out << '"' << state.bytes << "\" written " << state.written;
}

FileState StateOf(const std::string& path) {
    return {ReadBytes(path), Exists(path) ? LastWrite(path) : 0};
}

// The names in a folder, files and folders, sorted.
Lines NamesIn(const std::string& folder) {
    Lines names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// True when the window said exactly these texts, in this order, each with
// its caption and style; forgets what it said.
::testing::AssertionResult SaidInOrder(ScriptedAsker& asker,
                                       const std::vector<app::Message>& expected) {
    std::vector<ScriptedAsker::Said> said = std::move(asker.said);
    asker.said.clear();
    if (said.size() != expected.size()) {
        auto failure = ::testing::AssertionFailure() << said.size() << " messages:";
        for (const auto& s : said) {
            failure << " [" << s.caption << "]";
        }
        return failure;
    }
    for (std::size_t i = 0; i < said.size(); ++i) {
        if (said[i].text != expected[i].text || said[i].caption != expected[i].caption ||
            said[i].style != expected[i].style) {
            return ::testing::AssertionFailure()
                   << "message " << i << " differs: [" << said[i].caption << "] " << said[i].text;
        }
    }
    return ::testing::AssertionSuccess();
}

class RestoreTest : public SettingsWindowTest {
  protected:
    // The listed file and its three generations, each with its own content
    // and date, in the agent's spelling of the backup folder.
    void SetUp() override {
        SettingsWindowTest::SetUp();
        book = MakeFile("Data\\book.xls", "today's");
        CreateDirectoryA((dir / "Data\\backUp").c_str(), nullptr);
        gen[1] = MakeFile("Data\\backUp\\11book.xls", "yesterday's");
        gen[2] = MakeFile("Data\\backUp\\22book.xls", "the day before's");
        gen[3] = MakeFile("Data\\backUp\\33book.xls", "oldest");
        SetLastWriteUtc(book, 2009, 5, 21, 10);
        SetLastWriteUtc(gen[1], 2009, 5, 20);
        SetLastWriteUtc(gen[2], 2009, 5, 19);
        // 08:30 on 24 April in Japan; the question shows the UTC date.
        SetLastWriteUtc(gen[3], 2009, 4, 23, 23, 30);
        WriteSettings({Header("221"), "2009年5月21日", book});
        Start();
        Select("book.xls");
        before = Snapshot();
    }

    // The listed file, then generations 1 to 3.
    std::vector<FileState> Snapshot() {
        return {StateOf(book), StateOf(gen[1]), StateOf(gen[2]), StateOf(gen[3])};
    }

    // Clicks the restore button of generation n with the two answers given.
    void Restore(int n, std::initializer_list<int> answers = {IDOK, IDOK}) {
        asker.answers.assign(answers.begin(), answers.end());
        Click(app::Restore1Button + n - 1);
    }

    // Written out here, apart from the program's own pieces of it.
    static std::string DateQuestion(const std::string& date) {
        return "ホンマに　「" + date + "　」データで　復元しても　ＯＫでっか？";
    }

    ::testing::AssertionResult Said(const std::vector<app::Message>& expected) {
        return SaidInOrder(asker, expected);
    }

    // The messages of a restore of generation n that got as far as the date
    // question with the date `date`.
    std::vector<app::Message> AskedAbout(int n, const std::string& date) {
        dateQuestion = DateQuestion(date);
        return {app::kRestoreQuestions[n - 1],
                {dateQuestion.c_str(), "データ復元確認", app::kQuestionStyle}};
    }

    std::vector<app::Message> AskedAboutThen(int n, const std::string& date,
                                             const app::Message& report) {
        std::vector<app::Message> messages = AskedAbout(n, date);
        messages.push_back(report);
        return messages;
    }

    // No temporary copy is left beside the file or in the backup folder.
    void ExpectNoLeftovers() {
        EXPECT_EQ(NamesIn(dir / "Data\\"), (Lines{"backUp", "book.xls"}));
        EXPECT_EQ(NamesIn(dir / "Data\\backUp\\"),
                  (Lines{"11book.xls", "22book.xls", "33book.xls"}));
    }

    std::string book;
    std::string gen[4];
    std::vector<FileState> before;
    std::string dateQuestion;
};

TEST_F(RestoreTest, Generation1ChangesOnlyTheFile) {
    Restore(1);
    EXPECT_TRUE(Said(AskedAboutThen(1, "2009/5/20", app::kRestoredMessages[0])));
    std::vector<FileState> after = Snapshot();
    // The file takes generation 1's content and last-write time, so the
    // agent's next run finds them equal and leaves the file alone.
    EXPECT_EQ(after[0], before[1]);
    EXPECT_EQ(after[1], before[1]);
    EXPECT_EQ(after[2], before[2]);
    EXPECT_EQ(after[3], before[3]);
    ExpectNoLeftovers();
}

TEST_F(RestoreTest, Generation2AlsoGoesOverGeneration1) {
    Restore(2);
    EXPECT_TRUE(Said(AskedAboutThen(2, "2009/5/19", app::kRestoredMessages[1])));
    std::vector<FileState> after = Snapshot();
    EXPECT_EQ(after[0], before[2]);
    EXPECT_EQ(after[1], before[2]);
    EXPECT_EQ(after[2], before[2]);
    EXPECT_EQ(after[3], before[3]);
    EXPECT_EQ(FileDateText(book), FileDateText(gen[1]));
    ExpectNoLeftovers();
}

TEST_F(RestoreTest, Generation3AlsoGoesOverGenerations2And1) {
    Restore(3);
    EXPECT_TRUE(Said(AskedAboutThen(3, "2009/4/23", app::kRestoredMessages[2])));
    for (const FileState& state : Snapshot()) {
        EXPECT_EQ(state, before[3]);
    }
    ExpectNoLeftovers();
}

TEST_F(RestoreTest, MissingNewerGenerationAndMissingFileAreCreated) {
    DeleteFileA(gen[1].c_str());
    DeleteFileA(book.c_str());
    Restore(2);
    EXPECT_TRUE(Said(AskedAboutThen(2, "2009/5/19", app::kRestoredMessages[1])));
    EXPECT_EQ(StateOf(book), before[2]);
    EXPECT_EQ(StateOf(gen[1]), before[2]);
    EXPECT_EQ(StateOf(gen[3]), before[3]);
}

TEST_F(RestoreTest, ListedFileDeletedIsMadeAgain) {
    DeleteFileA(book.c_str());
    Restore(1);
    EXPECT_TRUE(Said(AskedAboutThen(1, "2009/5/20", app::kRestoredMessages[0])));
    EXPECT_EQ(StateOf(book), before[1]);
}

TEST_F(RestoreTest, GenerationMissingOrHeldOpenIsNoGeneration) {
    {
        // The agent writing it at this moment looks the same.
        ExclusiveHold hold(gen[2]);
        ASSERT_TRUE(hold.held());
        Restore(2);
        EXPECT_TRUE(Said({app::kRestoreQuestions[1], app::kNoGenerationMessage}));
    }
    DeleteFileA(gen[3].c_str());
    Restore(3);
    EXPECT_TRUE(Said({app::kRestoreQuestions[2], app::kNoGenerationMessage}));
    before[3] = StateOf(gen[3]);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(RestoreTest, EitherQuestionCancelledChangesNothing) {
    Restore(2, {IDCANCEL});
    EXPECT_TRUE(Said({app::kRestoreQuestions[1]}));
    Restore(3, {IDOK, IDCANCEL});
    EXPECT_TRUE(Said(AskedAbout(3, "2009/4/23")));
    // Only OK confirms the date question.
    Restore(1, {IDOK, IDNO});
    EXPECT_TRUE(Said(AskedAbout(1, "2009/5/20")));
    EXPECT_EQ(Snapshot(), before);
    ExpectNoLeftovers();
}

TEST_F(RestoreTest, FileHeldByItsProgramIsNotRestoredAndNoGenerationChanges) {
    {
        ExclusiveHold hold(book);
        ASSERT_TRUE(hold.held());
        Restore(3);
        EXPECT_TRUE(Said(AskedAboutThen(3, "2009/4/23", app::kNotRestoredMessage)));
    }
    EXPECT_EQ(Snapshot(), before);
    ExpectNoLeftovers();
    // Once the program lets go, the same restore goes through.
    Restore(3);
    EXPECT_TRUE(Said(AskedAboutThen(3, "2009/4/23", app::kRestoredMessages[2])));
    EXPECT_EQ(StateOf(book), before[3]);
}

TEST_F(RestoreTest, NewerGenerationHeldStopsTheCopiesThere) {
    {
        ExclusiveHold hold(gen[2]);
        Restore(3);
        EXPECT_TRUE(Said(AskedAboutThen(3, "2009/4/23", app::kPartlyRestoredMessage)));
    }
    // The file is restored; generation 1, after the failed copy, is untouched.
    std::vector<FileState> after = Snapshot();
    EXPECT_EQ(after[0], before[3]);
    EXPECT_EQ(after[1], before[1]);
    EXPECT_EQ(after[2], before[2]);
    ExpectNoLeftovers();

    {
        ExclusiveHold hold(gen[1]);
        Restore(3);
        EXPECT_TRUE(Said(AskedAboutThen(3, "2009/4/23", app::kPartlyRestoredMessage)));
    }
    after = Snapshot();
    EXPECT_EQ(after[0], before[3]);
    EXPECT_EQ(after[1], before[1]);
    EXPECT_EQ(after[2], before[3]);
    ExpectNoLeftovers();
}

TEST_F(RestoreTest, ReadOnlyGenerationsAreOverwrittenLikeTheAgentDoes) {
    // Copies of a read-only file are read-only as well. Windows refuses to
    // replace a read-only file; Wine lets a rename replace one even for a
    // user without rights, so here this shows only that nothing else stops.
    SetFileAttributesA(gen[1].c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(gen[2].c_str(), FILE_ATTRIBUTE_READONLY);
    Restore(3);
    EXPECT_TRUE(Said(AskedAboutThen(3, "2009/4/23", app::kRestoredMessages[2])));
    for (const FileState& state : Snapshot()) {
        EXPECT_EQ(state, before[3]);
    }
}

TEST_F(RestoreTest, LineWithoutEntryCopiesNothingEvenAfterAnEarlierLookup) {
    // A lookup that found book.xls, then declined.
    Restore(1, {IDCANCEL});
    asker.said.clear();
    // A line the table knows nothing of: the list and the table disagree.
    SendMessageA(Control(app::BackupListBox), LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>("ghost.xls"));
    Select("ghost.xls");
    for (int n = 1; n <= 3; ++n) {
        Restore(n);
        EXPECT_TRUE(Said({app::kNoEntryMessage}));
    }
    EXPECT_EQ(Snapshot(), before);
}

using RestoreWithoutDriveTest = SettingsWindowTest;

TEST_F(RestoreWithoutDriveTest, PathIsNeverLookedForInTheCurrentFolder) {
    // The current folder holds what a lookup relative to it would find.
    TempFolder current;
    CreateDirectoryA((current / "BackUp").c_str(), nullptr);
    for (const char* name : {"BackUp\\11book.xls", "BackUp\\11", "BackUp\\11.xls"}) {
        WriteBytes(current / name, "planted");
    }
    WriteBytes(current / "book.xls", "current folder's");
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(current.path().c_str()));

    // Such paths are listed with an empty line.
    WriteSettings({Header("221"), "2009年5月21日", "book.xls", "\\\\server\\share\\book.xls"});
    Start();
    HWND list = Control(app::BackupListBox);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
    for (int n = 1; n <= 3; ++n) {
        for (WPARAM line = 0; line < 2; ++line) {
            SendMessageA(list, LB_SETCURSEL, line, 0);
            asker.answers = {IDOK, IDOK};
            Click(app::Restore1Button + n - 1);
            EXPECT_TRUE(
                SaidInOrder(asker, {app::kRestoreQuestions[n - 1], app::kNoGenerationMessage}));
        }
    }
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(ReadBytes(current / "book.xls"), "current folder's");
    EXPECT_EQ(ReadBytes(current / "BackUp\\11book.xls"), "planted");
}

}  // namespace
