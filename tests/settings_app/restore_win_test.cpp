// Restoring a generation through the window's restore buttons, against real
// generation files as the agent leaves them.
#include <algorithm>
#include <functional>
#include <memory>
#include <thread>

#include "app_state.h"
#include "files.h"
#include "health_folder.h"
#include "history_dialog.h"
#include "place/content_hash.h"
#include "place/manifest.h"
#include "place/place_files.h"
#include "place/place_history.h"
#include "place_dialog.h"
#include "messages.h"
#include "resource.h"
#include "restore.h"
#include "restore_plan.h"
#include "settings_window_fixture.h"
#include "store_lock.h"
#include "unique_handle.h"

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

// The names in a folder, sorted.
Lines NamesIn(const std::string& folder) {
    Lines names;
    WIN32_FIND_DATAA found;
    FindHandle find(FindFirstFileA((folder + "*").c_str(), &found));
    while (find) {
        if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..") {
            names.push_back(found.cFileName);
        }
        if (!FindNextFileA(find.get(), &found)) {
            break;
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Plays the system's file steps or refuses one; a refused replace first does
// to the target what that refusal leaves behind. Notes the replaced targets.
struct RefusingReplacer : app::FileReplacer {
    unsigned long Replace(const std::string& target, const std::string& replacement) override {
        targets.push_back(target);
        if (!error) {
            return FileReplacer::Replace(target, replacement);
        }
        if (leaveBehind) {
            leaveBehind(target, replacement);
        }
        return error;
    }
    unsigned long MakeTemp(const std::string& folder, std::string& temp) override {
        ++temps;
        return tempError ? tempError : FileReplacer::MakeTemp(folder, temp);
    }
    unsigned long Fetch(const std::string& from, const std::string& to,
                        const std::atomic<bool>& stop, ContentHasher& hash) override {
        if (whileFetching) {
            whileFetching(stop);
        }
        return FileReplacer::Fetch(from, to, stop, hash);
    }
    unsigned long Copy(const std::string& from, const std::string& to) override {
        return copyError ? copyError : FileReplacer::Copy(from, to);
    }
    unsigned long CopyAside(const std::string& from, const std::string& to) override {
        return asideError ? asideError : FileReplacer::CopyAside(from, to);
    }
    unsigned long asideError = 0;
    unsigned long error = 0;
    unsigned long tempError = 0;
    unsigned long copyError = 0;
    std::function<void(const std::string&, const std::string&)> leaveBehind;
    std::function<void(const std::atomic<bool>&)> whileFetching;
    std::vector<std::string> targets;
    int temps = 0;  // temporary files made beside the file
};

// True when the window said exactly these messages in this order; forgets
// what it said.
::testing::AssertionResult SaidInOrder(ScriptedAsker& asker,
                                       const std::vector<app::Message>& expected) {
    std::vector<ScriptedAsker::Said> said = std::move(asker.said);
    asker.said.clear();
    if (said.size() != expected.size()) {
        return ::testing::AssertionFailure() << said.size() << " messages";
    }
    for (std::size_t i = 0; i < said.size(); ++i) {
        if (said[i].text != expected[i].text || said[i].caption != expected[i].caption ||
            said[i].style != expected[i].style) {
            return ::testing::AssertionFailure() << "message " << i << ": " << said[i].caption;
        }
    }
    return ::testing::AssertionSuccess();
}

class RestoreTest : public SettingsWindowTest {
  protected:
    void SetUp() override {
        SettingsWindowTest::SetUp();
        book = dir / "Data\\book.xls";
        for (int n = 1; n <= 3; ++n) {
            gen[n] = dir / ("Data\\backUp\\" + std::string(2, char('0' + n)) + "book.xls");
        }
        MakeFiles();
        WriteSettings({Header("221"), "2009年5月21日", book});
        Start();
        Select("book.xls");
    }

    // The listed file and its three generations, as the agent leaves them
    // (its spelling backUp), each with its own content and date.
    void MakeFiles() {
        const char* content[4] = {"today's", "yesterday's", "the day before's", "oldest"};
        const std::string paths[4] = {book, gen[1], gen[2], gen[3]};
        CreateDirectoryA((dir / "Data").c_str(), nullptr);
        CreateDirectoryA((dir / "Data\\backUp").c_str(), nullptr);
        for (int n = 0; n <= 3; ++n) {
            WriteBytes(paths[n], content[n]);
            SetLastWriteUtc(paths[n], 2009, 5, 21 - n, 10);
        }
        // 23:30 UTC: the question shows the local date, 23 April in the tests'
        // UTC zone (24 April in Japan).
        SetLastWriteUtc(gen[3], 2009, 4, 23, 23, 30);
        before = Snapshot();
    }

    // The listed file, then generations 1 to 3.
    std::vector<FileState> Snapshot() {
        return {StateOf(book), StateOf(gen[1]), StateOf(gen[2]), StateOf(gen[3])};
    }

    // Clicks the restore button of generation n with these answers.
    // The click's command is sent rather than a click: the read-only case
    // runs again as another user, who has no display to click on.
    void Restore(int n, std::initializer_list<int> answers = {IDOK, IDOK}) {
        asker.answers.assign(answers.begin(), answers.end());
        const int id = app::Restore1Button + n - 1;
        SendMessageA(app::MainWindow, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(Control(id)));
    }

    // The two questions of generation n, then `report` if given. The date
    // question is written out here, apart from the program's pieces of it.
    ::testing::AssertionResult Said(int n, const app::Message* report = nullptr) {
        static const char* const kDates[4] = {"", "2009/5/20", "2009/5/19", "2009/4/23"};
        const std::string question =
            std::string("ホンマに　「") + kDates[n] + "　」データで　復元しても　ＯＫでっか？";
        std::vector<app::Message> expected = {
            app::kRestoreQuestions[n - 1],
            {question.c_str(), "データ復元確認", app::kQuestionStyle}};
        if (report) {
            expected.push_back(*report);
        }
        return SaidInOrder(asker, expected);
    }

    // No temporary copy is left beside the file, in the backup folder or
    // among the kept copies.
    void ExpectNoLeftovers() {
        EXPECT_EQ(NamesIn(dir / "Data\\"), (Lines{"backUp", "book.xls"}));
        Lines names = NamesIn(dir / "Data\\backUp\\");
        names.erase(std::remove(names.begin(), names.end(), "復元前"), names.end());
        EXPECT_EQ(names, (Lines{"11book.xls", "22book.xls", "33book.xls"}));
        for (const std::string& name : NamesIn(kept)) {
            EXPECT_TRUE(name.find("book.xls") != std::string::npos) << name;
        }
    }

    std::string book;
    std::string gen[4];
    std::vector<FileState> before;
    std::string kept = dir / "Data\\backUp\\復元前\\";
};

TEST_F(RestoreTest, EachGenerationGoesOverTheFileAndEveryNewerGenerationOnly) {
    // A copy kept by an earlier version, read-only as its file was.
    CreateDirectoryA(kept.c_str(), nullptr);
    WriteBytes(kept + "book.xls", "kept before");
    SetFileAttributesA((kept + "book.xls").c_str(), FILE_ATTRIBUTE_READONLY);
    const FileState earlier = StateOf(kept + "book.xls");
    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE(n);
        MakeFiles();
        Restore(n);
        EXPECT_TRUE(Said(n, &app::kRestoredMessages[n - 1]));
        // Content and last-write time both: the agent's next run then finds
        // the file and generation 1 of one date and leaves them alone.
        std::vector<FileState> after = Snapshot();
        for (int k = 0; k <= 3; ++k) {
            EXPECT_EQ(after[k], k <= n ? before[n] : before[k]) << k;
        }
        // Every state it overwrote is kept once, whole and of its own date,
        // under a name of its own: a later restore keeps the earlier copies.
        std::vector<FileState> keptStates(before.begin(), before.begin() + n);
        keptStates.push_back(earlier);
        std::vector<FileState> found;
        for (const std::string& name : NamesIn(kept)) {
            EXPECT_TRUE(name == "book.xls" || IsKeptCopyName(name, "book.xls", nullptr)) << name;
            found.push_back(StateOf(kept + name));
        }
        const auto order = [](const FileState& a, const FileState& b) { return a.bytes < b.bytes; };
        std::sort(found.begin(), found.end(), order);
        std::sort(keptStates.begin(), keptStates.end(), order);
        EXPECT_EQ(found, keptStates);
        ExpectNoLeftovers();
    }
}

TEST_F(RestoreTest, MissingFileAndMissingNewerGenerationAreMadeAgain) {
    DeleteFileA(gen[1].c_str());
    DeleteFileA(book.c_str());
    Restore(2);
    EXPECT_TRUE(Said(2, &app::kRestoredMessages[1]));
    EXPECT_EQ(StateOf(book), before[2]);
    EXPECT_EQ(StateOf(gen[1]), before[2]);
    EXPECT_EQ(StateOf(gen[3]), before[3]);
}

TEST_F(RestoreTest, GenerationMissingIsNoGenerationAndOneHeldOpenIsInUse) {
    {
        // A viewer that shows it, or the agent writing it at this moment.
        ExclusiveHold hold(gen[2]);
        Restore(2);
        EXPECT_TRUE(SaidInOrder(asker, {app::kRestoreQuestions[1], app::kGenerationInUseMessage}));
    }
    DeleteFileA(gen[3].c_str());
    Restore(3);
    EXPECT_TRUE(SaidInOrder(asker, {app::kRestoreQuestions[2], app::kNoGenerationMessage}));
    before[3] = StateOf(gen[3]);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(RestoreTest, EitherQuestionTurnedDownChangesNothing) {
    Restore(2, {IDCANCEL});
    EXPECT_TRUE(SaidInOrder(asker, {app::kRestoreQuestions[1]}));
    Restore(3, {IDOK, IDCANCEL});
    EXPECT_TRUE(Said(3));
    // Only OK confirms the date question.
    Restore(1, {IDOK, IDNO});
    EXPECT_TRUE(Said(1));
    // A box closed under its question (its owner ended) answers 0: a no.
    Restore(2, {0});
    EXPECT_TRUE(SaidInOrder(asker, {app::kRestoreQuestions[1]}));
    Restore(2, {IDOK, 0});
    EXPECT_TRUE(Said(2));
    EXPECT_EQ(Snapshot(), before);
    ExpectNoLeftovers();
}

TEST_F(RestoreTest, FileHeldByItsProgramIsNotRestoredAndNoGenerationChanges) {
    {
        ExclusiveHold hold(book);
        ASSERT_TRUE(hold.held());
        Restore(3);
        EXPECT_TRUE(Said(3, &app::kNotRestoredMessage));
    }
    EXPECT_EQ(Snapshot(), before);
    ExpectNoLeftovers();
    // What an earlier restore kept may be the only copy of the user's newest
    // work. Excel lets others read an open book.
    CreateDirectoryA(kept.c_str(), nullptr);
    WriteBytes(kept + "book.xls", "kept before");
    for (const DWORD sharing : {DWORD{0}, DWORD{FILE_SHARE_READ}}) {
        FileHandle hold(CreateFileA(book.c_str(), GENERIC_WRITE, sharing, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(hold);
        Restore(3);
        hold.reset();
        EXPECT_TRUE(Said(3, &app::kNotRestoredMessage));
        EXPECT_EQ(Snapshot(), before);
        EXPECT_EQ(NamesIn(kept), Lines{"book.xls"});
        EXPECT_EQ(ReadBytes(kept + "book.xls"), "kept before");
    }
    // Once the program lets go, the same restore goes through.
    Restore(3);
    EXPECT_TRUE(Said(3, &app::kRestoredMessages[2]));
    EXPECT_EQ(StateOf(book), before[3]);
}

TEST_F(RestoreTest, ReplaceKeepsTheFilesIdentityAndARefusalFallsBackWithoutLosingTheCopy) {
    RefusingReplacer replacer;
    app::UseFileReplacer(&replacer);
    const std::string away = dir / "renamed away";
    struct Case {
        unsigned long error;
        std::function<void(const std::string&, const std::string&)> leaveBehind;
    };
    const Case cases[] = {
        {0, nullptr},
        // A share that does not do it at all.
        {ERROR_NOT_SUPPORTED, nullptr},
        {ERROR_INVALID_PARAMETER, nullptr},
        // Without a backup name these leave the target gone and the copy
        // under its temporary name.
        {ERROR_UNABLE_TO_MOVE_REPLACEMENT,
         [](const std::string& target, const std::string&) { DeleteFileA(target.c_str()); }},
        {ERROR_UNABLE_TO_MOVE_REPLACEMENT_2,
         [&](const std::string& target, const std::string&) {
             DeleteFileA(away.c_str());
             MoveFileA(target.c_str(), away.c_str());
         }},
        // The target gone and the copy held a moment (a scanner): tried again.
        {ERROR_UNABLE_TO_MOVE_REPLACEMENT,
         [](const std::string& target, const std::string& replacement) {
             DeleteFileA(target.c_str());
             HANDLE scanner = CreateFileA(replacement.c_str(), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
             std::thread([scanner] {
                 Sleep(200);
                 CloseHandle(scanner);
             }).detach();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        MakeFiles();
        replacer.error = c.error;
        replacer.leaveBehind = c.leaveBehind;
        replacer.targets.clear();
        Restore(3);
        EXPECT_TRUE(Said(3, &app::kRestoredMessages[2]));
        EXPECT_EQ(Snapshot(), (std::vector<FileState>(4, before[3])));
        // The window spells the backup folder "BackUp".
        EXPECT_EQ(replacer.targets, (Lines{book, dir / "Data\\BackUp\\22book.xls",
                                           dir / "Data\\BackUp\\11book.xls"}));
        ExpectNoLeftovers();
    }
    app::UseFileReplacer(nullptr);
}

TEST_F(RestoreTest, EachRefusalSaysItsOwnCauseAndTheContentIsNeverLost) {
    RefusingReplacer replacer;
    app::UseFileReplacer(&replacer);
    struct Case {
        unsigned long tempError, copyError;
        const app::Message* said;
        bool restored;
    };
    const Case cases[] = {
        // No file can be made in the folder, but the file may be written.
        {ERROR_ACCESS_DENIED, 0, &app::kRestoredMessages[0], true},
        {0, ERROR_DISK_FULL, &app::kDiskFullNotRestoredMessage, false},
        {0, ERROR_ACCESS_DENIED, &app::kNoRightsNotRestoredMessage, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said->text);
        MakeFiles();
        replacer.tempError = c.tempError;
        replacer.copyError = c.copyError;
        Restore(1);
        EXPECT_TRUE(Said(1, c.said));
        EXPECT_EQ(StateOf(book), before[c.restored ? 1 : 0]);
        ExpectNoLeftovers();
    }
    replacer.tempError = replacer.copyError = 0;

    // A folder now stands at the file's name.
    MakeFiles();
    DeleteFileA(book.c_str());
    CreateDirectoryA(book.c_str(), nullptr);
    Restore(1);
    EXPECT_TRUE(Said(1, &app::kFolderNotRestoredMessage));
    RemoveDirectoryA(book.c_str());

    // Held for good: the user learns the full path of the restored content.
    FileHandle scanner;
    std::string kept;
    replacer.error = ERROR_UNABLE_TO_MOVE_REPLACEMENT;
    replacer.leaveBehind = [&](const std::string& target, const std::string& replacement) {
        DeleteFileA(target.c_str());
        kept = replacement;
        scanner.reset(CreateFileA(replacement.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    MakeFiles();
    Restore(1);
    const std::string where = app::kStrandedMessageHead + kept + app::kStrandedMessageTail;
    const app::Message stranded = {where.c_str(), app::kStrandedCaption, app::kErrorStyle};
    EXPECT_TRUE(Said(1, &stranded));
    scanner.reset();
    EXPECT_EQ(StateOf(kept), before[1]);
    DeleteFileA(kept.c_str());
    app::UseFileReplacer(nullptr);
}

TEST_F(RestoreTest, ReadOnlyFileIsNotRestoredAndSaysWhy) {
    SetFileAttributesA(book.c_str(), FILE_ATTRIBUTE_READONLY);
    Restore(2);
    EXPECT_TRUE(Said(2, &app::kReadOnlyNotRestoredMessage));
    // The file keeps its content and the user's attribute; nothing else moved.
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(GetFileAttributesA(book.c_str()) & FILE_ATTRIBUTE_READONLY,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    ExpectNoLeftovers();
    SetFileAttributesA(book.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(RestoreTest, FailedSafetyCopyOverwritesNothing) {
    RefusingReplacer replacer;
    app::UseFileReplacer(&replacer);
    struct Case {
        unsigned long asideError;
        const char* heldName;  // held without sharing, or where a file blocks the folder
        const app::Message* said;
    };
    const Case cases[] = {
        // A file, not a folder, where the copies are kept.
        {0, "Data\\backUp\\復元前", &app::kNoSafetyCopyMessage},
        {ERROR_DISK_FULL, nullptr, &app::kDiskFullNotRestoredMessage},
        {ERROR_ACCESS_DENIED, nullptr, &app::kNoRightsNotRestoredMessage},
        {ERROR_GEN_FAILURE, nullptr, &app::kNoSafetyCopyMessage},
        {0, "Data\\backUp\\11book.xls", &app::kGenerationInUseMessage},
        {0, "Data\\backUp\\22book.xls", &app::kGenerationInUseMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said->text);
        MakeFiles();
        replacer.asideError = c.asideError;
        const std::string held = c.heldName ? dir / c.heldName : std::string();
        if (!held.empty() && !Exists(held)) {
            WriteBytes(held, "not a folder");
        }
        {
            ExclusiveHold hold(held.empty() ? dir / "none" : held);
            Restore(3);
        }
        EXPECT_TRUE(Said(3, c.said));
        EXPECT_EQ(Snapshot(), before);
        EXPECT_EQ(NamesIn(kept), Lines{});
        if (held == kept.substr(0, kept.size() - 1)) {
            DeleteFileA(held.c_str());
        }
    }
    app::UseFileReplacer(nullptr);
    ExpectNoLeftovers();
}

TEST_F(RestoreTest, NewerGenerationHeldStopsTheCopiesThere) {
    // A viewer that shows the generation lets it be read and kept, not
    // overwritten.
    const auto viewer = [](const std::string& path) {
        return FileHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    {
        FileHandle hold = viewer(gen[2]);
        Restore(3);
        EXPECT_TRUE(Said(3, &app::kPartlyRestoredMessage));
    }
    // The file is restored; generation 1, after the failed copy, is untouched.
    EXPECT_EQ(Snapshot(), (std::vector<FileState>{before[3], before[1], before[2], before[3]}));
    {
        FileHandle hold = viewer(gen[1]);
        Restore(3);
        EXPECT_TRUE(Said(3, &app::kPartlyRestoredMessage));
    }
    EXPECT_EQ(Snapshot(), (std::vector<FileState>{before[3], before[1], before[3], before[3]}));
    ExpectNoLeftovers();
}

TEST_F(RestoreTest, TheAgentAtWorkIsWaitedForAndAFullDiskChangesNothing) {
    {
        // The agent rotating this file's generations holds its store's lock.
        const StoreLock agent(LockPath(SplitPath(book, IsSystemLeadByte)));
        ASSERT_EQ(agent.state(), StoreLock::State::kTaken);
        Restore(2);
        EXPECT_TRUE(Said(2, &app::kAgentBusyMessage));
    }
    EXPECT_EQ(Snapshot(), before);
    ExpectNoLeftovers();
    {
        // The agent copying the file holds it a moment, finds the lock taken
        // and lets go.
        auto agent = std::make_unique<ExclusiveHold>(book);
        std::thread letGo([&] {
            Sleep(100);
            agent.reset();
        });
        Restore(1);
        letGo.join();
        EXPECT_TRUE(Said(1, &app::kRestoredMessages[0]));
    }
    if (!IsFolder("T:\\")) {
        GTEST_SKIP() << "drive T: (a small RAM disk) is not mapped";
    }
    // Room for the first kept copy only: it goes again, with the room it took.
    const std::string full = "T:\\full\\";
    CreateDirectoryA(full.c_str(), nullptr);
    CreateDirectoryA((full + "backUp").c_str(), nullptr);
    const std::string big(1300 * 1024, 'x');
    const std::string states[3] = {full + "book.xls", full + "backUp\\11book.xls",
                                   full + "backUp\\22book.xls"};
    WriteBytes(states[0], big + "today");
    WriteBytes(states[1], big + "yesterday");
    WriteBytes(states[2], "the day before");
    const auto freeBytes = [] {
        ULARGE_INTEGER free = {};
        GetDiskFreeSpaceExA("T:\\", &free, nullptr, nullptr);
        return free.QuadPart;
    };
    const unsigned long long room = freeBytes();
    asker.answers = {IDOK};
    EXPECT_EQ(app::RestoreGeneration(states[0], 2).result, app::RestoreResult::DiskFull);
    EXPECT_EQ(ReadBytes(states[0]), big + "today");
    EXPECT_EQ(ReadBytes(states[1]), big + "yesterday");
    EXPECT_EQ(NamesIn(full + "backUp\\復元前\\"), Lines{});
    EXPECT_EQ(NamesIn(full), (Lines{"backUp", "book.xls"}));
    EXPECT_EQ(freeBytes(), room);
    for (const std::string& path : states) {
        DeleteFileA(path.c_str());
    }
}

TEST_F(RestoreTest, HistoryRestoresOnlyTheStateItNames) {
    HWND dialog = app::CreateHistoryDialog(app::MainWindow, book);
    HWND list = GetDlgItem(dialog, app::HistoryListBox);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
    // The agent rotates while the list is open: the 19th's line now names a
    // file that holds the 20th's.
    DeleteFileA(gen[3].c_str());
    MoveFileA(gen[2].c_str(), gen[3].c_str());
    MoveFileA(gen[1].c_str(), gen[2].c_str());
    CopyFileA(book.c_str(), gen[1].c_str(), FALSE);
    const std::vector<FileState> rotated = Snapshot();
    const auto restoreLine = [&](WPARAM line) {
        SendMessageA(list, LB_SETCURSEL, line, 0);
        asker.answers = {IDOK, IDOK};
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(app::HistoryRestoreButton, BN_CLICKED), 0);
    };
    restoreLine(1);
    EXPECT_TRUE(SaidOnly(asker, app::kStateChangedMessage));
    EXPECT_EQ(Snapshot(), rotated);
    // Listed again; a line whose file has gone says so and goes.
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
    DeleteFileA(gen[3].c_str());
    restoreLine(2);
    EXPECT_TRUE(SaidOnly(asker, app::kStateGoneMessage));
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
    DestroyWindow(dialog);
    EXPECT_EQ(NamesIn(dir / "Data\\"), (Lines{"backUp", "book.xls"}));
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
        EXPECT_TRUE(SaidOnly(asker, app::kNoEntryMessage));
    }
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(RestoreTest, HistoryListsEveryStateAndPutsOneBackOverTheFileOnly) {
    // The second place on a network share, with a version of the file.
    const std::string place = "\\\\server\\share\\h";
    const std::string id = "{0123ABCD-4567-89AB-CDEF-0123456789AB}";
    // This PC's versions only: another PC's folder beside it is not looked at.
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD computerSize = sizeof computer;
    ASSERT_TRUE(GetComputerNameA(computer, &computerSize));
    const std::string pc = place + "\\Sorel\\" + PcFolderName(computer) + "\\";
    const std::string versions = pc + FileFolderName(book) + "\\";
    const std::string otherPc = place + "\\Sorel\\OTHER-PC\\" + FileFolderName(book) + "\\";
    CreateDirectoryA(HealthFolderPath().c_str(), nullptr);
    for (const std::string& folder :
         {place, place + "\\Sorel", pc, versions, place + "\\Sorel\\OTHER-PC", otherPc}) {
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    WriteBytes(app::PlaceChoicePath(), FormatPlaceChoice({place, id}));
    WriteBytes(place + "\\Sorel\\Sorel.id", FormatPlaceMarker({id, "PC", "user"}));
    const std::string version = versions + VersionName({2009, 5, 18}, "book.xls");
    WriteBytes(version, "placed");
    SetLastWriteUtc(version, 2009, 5, 18, 10);
    WriteBytes(versions + "~book.xls", "a copy under way");
    WriteBytes(otherPc + VersionName({2009, 5, 18}, "book.xls"), "another PC's");
    // A version its manifest found damaged is shown so, and never put back.
    const std::string damaged = versions + VersionName({2009, 5, 17}, "book.xls");
    WriteBytes(damaged, "damaged");
    SetLastWriteUtc(damaged, 2009, 5, 17, 10);
    // One sound, one whose bytes turned after their hash was recorded.
    const auto hashOf = [](const std::string& bytes) {
        ContentHasher hash;
        hash.Update(bytes.data(), bytes.size());
        return hash.Final();
    };
    for (int day : {16, 15}) {
        WriteBytes(versions + VersionName({2009, 5, day}, "book.xls"),
                   day == 16 ? "sound" : "turnEd");
        SetLastWriteUtc(versions + VersionName({2009, 5, day}, "book.xls"), 2009, 5, day, 10);
    }
    WriteBytes(
        versions + std::string(kManifestName),
        FormatManifest({{VersionName({2009, 5, 17}, "book.xls"), 7, 0, {}, true},
                        {VersionName({2009, 5, 16}, "book.xls"), 5, 0, hashOf("sound"), false},
                        {VersionName({2009, 5, 15}, "book.xls"), 6, 0, hashOf("turned"), false}}));
    RefusingReplacer replacer;
    app::UseFileReplacer(&replacer);
    CreateDirectoryA(kept.c_str(), nullptr);
    WriteBytes(kept + "book.xls", "kept one");
    SetLastWriteUtc(kept + "book.xls", 2009, 5, 21, 12);
    const FileState placed = StateOf(version);

    HWND dialog = app::CreateHistoryDialog(app::MainWindow, book);
    HWND list = GetDlgItem(dialog, app::HistoryListBox);
    // The states beside the file at once; the place's when its worker answers.
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 4);
    EXPECT_TRUE(PumpUntil([&] { return SendMessageA(list, LB_GETCOUNT, 0, 0) == 8; }));
    Lines lines;
    for (LRESULT i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) {
        char text[256] = {};
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        lines.push_back(text);
    }
    EXPECT_EQ(
        lines,
        (Lines{"2009/5/21 12:00:00　8 バイト　復元前", "2009/5/20 10:00:00　11 バイト　前使用日",
               "2009/5/19 10:00:00　16 バイト　前々使用日", "2009/5/18 10:00:00　6 バイト　控え",
               "2009/5/17 10:00:00　7 バイト　控え（壊れてる）",
               "2009/5/16 10:00:00　5 バイト　控え", "2009/5/15 10:00:00　6 バイト　控え",
               "2009/4/23 23:30:00　6 バイト　前々前使用日"}));
    auto click = [&](int line, int id, std::initializer_list<int> answers) {
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
        asker.answers.assign(answers.begin(), answers.end());
        replacer.temps = 0;
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        // A version at the place arrives on a worker; the button rests until then.
        EXPECT_TRUE(PumpUntil(
            [&] { return IsWindowEnabled(GetDlgItem(dialog, app::HistoryRestoreButton)); }));
    };
    const std::string question =
        "ホンマに　「2009/5/18 10:00:00　」データで　復元しても　ＯＫでっか？";
    const app::Message asked = {question.c_str(), "データ復元確認", app::kQuestionStyle};
    click(4, app::HistoryRestoreButton, {});
    EXPECT_TRUE(SaidOnly(asker, app::kDamagedVersionMessage));
    EXPECT_EQ(Snapshot(), before);
    click(3, app::HistoryRestoreButton, {IDCANCEL});
    EXPECT_TRUE(SaidInOrder(asker, {asked}));
    EXPECT_EQ(Snapshot(), before);
    click(3, app::HistoryRestoreButton, {IDOK, IDOK});
    EXPECT_TRUE(SaidInOrder(asker, {asked, app::kStateRestoredMessage}));
    // The file only, from the one copy beside it; what it held is kept, and the
    // version stays.
    EXPECT_EQ(replacer.temps, 1);
    EXPECT_EQ(Snapshot(), (std::vector<FileState>{placed, before[1], before[2], before[3]}));
    EXPECT_EQ(StateOf(version), placed);
    // What the file held is kept under a name of its own, beside the copy an
    // earlier restore kept, and listed.
    EXPECT_EQ(StateOf(kept + "book.xls"),
              (FileState{"kept one", StateOf(kept + "book.xls").written}));
    Lines keptNames = NamesIn(kept);
    ASSERT_EQ(keptNames.size(), 2u);
    const std::string keptFile = kept + keptNames[0];
    EXPECT_EQ(StateOf(keptFile), before[0]);
    // It can be put back, and the state it replaces, held at the place, is
    // not kept twice.
    click(1, app::HistoryRestoreButton, {IDOK, IDOK});
    const std::string again =
        "ホンマに　「2009/5/21 10:00:00　」データで　復元しても　ＯＫでっか？";
    EXPECT_TRUE(SaidInOrder(asker, {{again.c_str(), "データ復元確認", app::kQuestionStyle},
                                    app::kStateRestoredMessage}));
    EXPECT_EQ(StateOf(book), before[0]);
    EXPECT_EQ(NamesIn(kept), keptNames);
    ExpectNoLeftovers();
    // A version whose hash its manifest recorded is checked as it arrives; the
    // turned one, or one called off by キャンセル, changes nothing.
    std::string progress;
    const auto cancel = [&](const std::atomic<bool>& stop) {
        char text[64] = {};
        GetDlgItemTextA(dialog, app::HistoryProgressText, text, sizeof text);
        progress = text;
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        for (int waited = 0; !stop && waited < 5000; waited += 10) {
            Sleep(10);
        }
    };
    // Below the copies kept, the 21st's at line 1, one line a day.
    struct Row {
        int line;
        std::function<void(const std::atomic<bool>&)> whileFetching;
        const app::Message* said;
        bool held = false;  // by its program, as Excel holds a book
    };
    for (const Row& row :
         {Row{6, nullptr, &app::kStateRestoredMessage},
          Row{2, nullptr, &app::kNotRestoredMessage, true},
          Row{7, nullptr, &app::kDamagedVersionMessage}, Row{6, cancel, nullptr}}) {
        SCOPED_TRACE(row.line);
        MakeFiles();
        WriteBytes(kept + "book.xls", "kept before");
        const FileState keptBefore = StateOf(kept + "book.xls");
        const FileState version =
            StateOf(versions + VersionName({2009, 5, 22 - row.line}, "book.xls"));
        replacer.whileFetching = row.whileFetching;
        FileHandle hold(CreateFileA((row.held ? book : dir / "none").c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        click(row.line, app::HistoryRestoreButton, {IDOK, IDOK});
        hold.reset();
        const std::string time = "ホンマに　「2009/5/" + std::to_string(22 - row.line) +
                                 " 10:00:00　」データで　復元しても　ＯＫでっか？";
        std::vector<app::Message> said = {{time.c_str(), "データ復元確認", app::kQuestionStyle}};
        if (row.said) {
            said.push_back(*row.said);
        }
        EXPECT_TRUE(SaidInOrder(asker, said));
        const bool restored = row.said == &app::kStateRestoredMessage;
        EXPECT_EQ(Snapshot(), (std::vector<FileState>{restored ? version : before[0], before[1],
                                                      before[2], before[3]}));
        // The file's state is among the kept copies already.
        EXPECT_EQ(StateOf(kept + "book.xls"), keptBefore);
        EXPECT_EQ(StateOf(keptFile), before[0]);
        EXPECT_EQ(NamesIn(kept), keptNames);
        EXPECT_EQ(replacer.temps, row.held ? 0 : 1);
        // A copy called off is removed by its worker, which says nothing.
        for (int waited = 0; NamesIn(dir / "Data\\").size() > 2 && waited < 5000; waited += 10) {
            Sleep(10);
        }
        ExpectNoLeftovers();
    }
    EXPECT_EQ(progress, app::kFetchingStateText);
    EXPECT_EQ(GetDlgItemTextA(dialog, app::HistoryProgressText, nullptr, 0), 0u);
    EXPECT_TRUE(IsWindow(dialog));
    replacer.whileFetching = nullptr;
    click(4, app::HistoryOpenButton, {});
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0].verb, "explore");
    EXPECT_EQ(shell.opened[0].file + "\\", versions);
    DestroyWindow(dialog);
    app::UseFileReplacer(nullptr);
    DeleteFileA(app::PlaceChoicePath().c_str());

    // No line selected: the window says so and shows nothing.
    SendMessageA(Control(app::BackupListBox), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SendMessageA(app::MainWindow, WM_COMMAND, MAKEWPARAM(app::MenuHistory, 0), 0);
    EXPECT_TRUE(SaidOnly(asker, app::kSelectMessage));
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
}

}  // namespace
