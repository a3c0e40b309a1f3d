#include "history_list.h"

#include <algorithm>
#include <cstdio>

#include "restore_plan.h"

namespace sorel {

std::vector<StateFile> LocalStateFiles(const PathParts& parts) {
    if (parts.Empty()) {
        return {};
    }
    static const char* const kGenerations[] = {"前使用日", "前々使用日", "前々前使用日"};
    std::vector<StateFile> files;
    for (int n = 1; n <= 3; ++n) {
        files.push_back({GenerationPath(parts, n, kSettingsFolderSpelling), kGenerations[n - 1]});
    }
    const std::string kept = SafetyFolderPath(parts) + "\\";
    const std::string name = parts.name + parts.extension;
    files.push_back({kept + name, "復元前"});
    files.push_back({kept + "11" + name, "復元前の前使用日"});
    files.push_back({kept + "22" + name, "復元前の前々使用日"});
    return files;
}

void SortNewestFirst(std::vector<HeldState>& states) {
    std::stable_sort(states.begin(), states.end(),
                     [](const HeldState& a, const HeldState& b) { return a.written > b.written; });
}

void DropRepeatedStates(std::vector<HeldState>& states) {
    std::vector<HeldState> once;
    for (HeldState& state : states) {
        if (std::none_of(once.begin(), once.end(), [&](const HeldState& shown) {
                return shown.written == state.written && shown.size == state.size;
            })) {
            once.push_back(std::move(state));
        }
    }
    states = std::move(once);
}

std::string StateTimeText(const HeldState& state) {
    char text[64];
    std::snprintf(text, sizeof text, "%d/%d/%d %02d:%02d:%02d", state.year, state.month, state.day,
                  state.hour, state.minute, state.second);
    return text;
}

std::string StateLine(const HeldState& state) {
    std::string digits = std::to_string(state.size);
    for (std::size_t at = digits.size(); at > 3; at -= 3) {
        digits.insert(at - 3, ",");
    }
    return StateTimeText(state) + "　" + digits + " バイト　" + state.file.where;
}

}  // namespace sorel
