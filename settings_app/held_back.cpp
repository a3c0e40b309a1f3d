#include "held_back.h"

#include <windows.h>

#include <string>
#include <vector>

#include "../common/store_path.h"
#include "../common/win/files.h"
#include "../common/win/health_folder.h"
#include "ask.h"
#include "health.h"

namespace sorel::app {

void AskAboutHeldBackFiles() {
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
            IsAcceptedState(accepted, file.path, now.lastWrite, now.size)) {
            continue;
        }
        const std::string question =
            FileDisplayName(file.path, IsSystemLeadByte) + kHeldBackQuestionTail;
        if (Ask(question.c_str(), kHeldBackCaption, kQuestionStyle) == IDOK) {
            accepted.push_back({file.path, now.lastWrite, now.size});
        } else {
            Ask(kHeldBackKeptMessage);
        }
    }
    if (accepted.size() != before) {
        WriteAcceptedStates(accepted);
    }
}

}  // namespace sorel::app
