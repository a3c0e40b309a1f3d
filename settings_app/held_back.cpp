#include "held_back.h"

#include <windows.h>

#include <string>
#include <vector>

#include "../common/history_list.h"
#include "../common/rotation.h"
#include "../common/store_path.h"
#include "../common/win/files.h"
#include "../common/win/health_folder.h"
#include "ask.h"
#include "restore.h"
#include "health.h"

namespace sorel::app {

namespace {

// The states turned down with Cancel since the last round of kAll, which
// the window asks at its start.
std::vector<AcceptedState> Declined;
// True while a round asks: a box of it deactivates the window and gives the
// activation back when it closes, which asks for a round again.
bool RoundOpen = false;

bool Declines(const std::string& path, const FileProbe& now) {
    for (const AcceptedState& state : Declined) {
        if (state.path == path && state.lastWrite == now.lastWrite && state.size == now.size) {
            return true;
        }
    }
    return false;
}

// A state the store keeps already, in a generation or among the copies a
// restore kept, is one the user went back to (a restore, as the kept message
// advises): there is nothing new to accept.
bool IsStoredState(const std::string& path, const FileProbe& now) {
    const PathParts parts = SplitPath(path, IsSystemLeadByte);
    std::vector<std::string> stored = FindKeptCopies(parts);
    for (const StateFile& file : LocalStateFiles(parts)) {
        stored.push_back(file.path);
    }
    for (const std::string& state : stored) {
        const FileProbe kept = ProbeFile(state);
        if (kept.presence == Presence::kReadable && SameState(kept, now)) {
            return true;
        }
    }
    return false;
}

void AskRound(HeldBackRound round) {
    const std::string folder = HealthFolderPath();
    std::string bytes;
    if (folder.empty() || ReadFilePrefixExclusive(folder + kHealthRecordName, kMaxRecordBytes + 1,
                                                  bytes) != ReadResult::kOk) {
        return;
    }
    std::vector<AcceptedState> accepted = ReadAcceptedStates();
    const std::size_t before = accepted.size();
    for (const FileHealth& file : ParseHealthRecord(bytes).files) {
        if (file.lastOutcome != FileOutcome::kContentSuspect) {
            continue;
        }
        const FileProbe now = ProbeFile(file.path);
        if (now.presence != Presence::kReadable ||
            IsAcceptedState(accepted, file.path, now.lastWrite, now.size) ||
            (round == HeldBackRound::kNotDeclined && Declines(file.path, now)) ||
            IsStoredState(file.path, now)) {
            continue;
        }
        const std::string question =
            FileDisplayName(file.path, IsSystemLeadByte) + kHeldBackQuestionTail;
        if (Ask(question.c_str(), kHeldBackCaption, kQuestionStyle) == IDOK) {
            accepted.push_back({file.path, now.lastWrite, now.size});
        } else {
            Declined.push_back({file.path, now.lastWrite, now.size});
            Ask(kHeldBackKeptMessage);
        }
    }
    if (accepted.size() != before) {
        WriteAcceptedStates(accepted);
    }
}

}  // namespace

void AskAboutHeldBackFiles(HeldBackRound round) {
    if (RoundOpen) {
        return;
    }
    struct Open {
        Open() { RoundOpen = true; }
        ~Open() { RoundOpen = false; }
    } open;
    if (round == HeldBackRound::kAll) {
        Declined.clear();
    }
    AskRound(round);
}

}  // namespace sorel::app
