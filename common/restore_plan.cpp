#include "restore_plan.h"

#include <algorithm>

#include "place/place_history.h"

namespace sorel {

namespace {

constexpr std::size_t kStampChars = 17;  // "2026-12-08 193015"

bool Digits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsStamp(std::string_view stamp) {
    return stamp.size() == kStampChars && stamp[4] == '-' && stamp[7] == '-' && stamp[10] == ' ' &&
           Digits(stamp.substr(0, 4)) && Digits(stamp.substr(5, 2)) && Digits(stamp.substr(8, 2)) &&
           Digits(stamp.substr(11, 6));
}

long StampDay(std::string_view stamp) {
    const auto number = [&](std::size_t at, std::size_t length) {
        int value = 0;
        for (char c : stamp.substr(at, length)) {
            value = value * 10 + (c - '0');
        }
        return value;
    };
    return DaysFromCivil({number(0, 4), number(5, 2), number(8, 2)});
}

std::string FileName(const PathParts& parts) {
    return parts.name + parts.extension;
}

bool HeldIn(const std::vector<FoundState>& states, const FoundState& state) {
    return std::any_of(states.begin(), states.end(),
                       [&](const FoundState& held) { return SameState(held, state); });
}

bool NameTaken(const std::vector<FoundState>& states, const std::string& path) {
    return std::any_of(states.begin(), states.end(),
                       [&](const FoundState& held) { return held.path == path; });
}

// The steps of any restore: the listed file is tried, whatever it and the
// generations in `overwritten` hold that would otherwise be lost is kept,
// then `source` goes over the file and over those generations.
std::vector<RestoreStep> Plan(const RestoreScene& scene, const FoundState& source, bool arrived,
                              const std::vector<int>& overwritten) {
    const std::string name = FileName(scene.parts);
    const std::string keptFolder = SafetyFolderPath(scene.parts) + "\\";
    std::vector<RestoreStep> plan = {
        {RestoreStepKind::kCheckTarget, {}, scene.listedPath, {}, true}};

    // What holds a state once the restore is done: the source (now the
    // file's), the generations it leaves alone, the copies kept, the place.
    std::vector<FoundState> after = {source};
    for (int n = 1; n <= 3; ++n) {
        if (std::find(overwritten.begin(), overwritten.end(), n) == overwritten.end()) {
            after.push_back(scene.generations[n - 1]);
        }
    }
    after.insert(after.end(), scene.kept.begin(), scene.kept.end());
    after.insert(after.end(), scene.elsewhere.begin(), scene.elsewhere.end());

    // The newest first, so the copies' numbers follow the states' age.
    std::vector<const FoundState*> lost = {&scene.file};
    for (int n = 1; n <= 3; ++n) {
        if (std::find(overwritten.begin(), overwritten.end(), n) != overwritten.end()) {
            lost.push_back(&scene.generations[n - 1]);
        }
    }
    std::vector<FoundState> keptNow;
    int number = 1;
    for (const FoundState* state : lost) {
        if (!state->present || HeldIn(after, *state)) {
            continue;
        }
        FoundState kept = *state;
        do {
            kept.path = keptFolder + KeptCopyName(scene.now, name, number++);
        } while (NameTaken(scene.kept, kept.path));
        plan.push_back({RestoreStepKind::kKeep, state->path, kept.path, keptFolder, false});
        after.push_back(kept);
        keptNow.push_back(kept);
    }

    if (!arrived) {
        plan.push_back({RestoreStepKind::kCopyBeside,
                        source.path,
                        {},
                        scene.parts.drive + scene.parts.folder,
                        true});
    }
    plan.push_back({RestoreStepKind::kReplace,
                    arrived ? source.path : std::string(),
                    scene.listedPath,
                    {},
                    true});
    const std::string storeFolder = BackupFolderPath(scene.parts, kSettingsFolderSpelling) + "\\";
    for (int n : overwritten) {
        const std::string generation = GenerationPath(scene.parts, n, kSettingsFolderSpelling);
        plan.push_back({RestoreStepKind::kCopyBeside, source.path, {}, storeFolder, false});
        plan.push_back({RestoreStepKind::kReplace, {}, generation, {}, false});
    }

    // Over the limit, the oldest kept copies go while their state is held
    // elsewhere or they are past their time; the rest stay however many.
    std::vector<std::pair<std::string, const FoundState*>> dated;
    std::vector<FoundState> all = scene.kept;
    all.insert(all.end(), keptNow.begin(), keptNow.end());
    for (const FoundState& kept : all) {
        // Found by the folder's name, never by a backslash that may be the
        // second byte of a double-byte character.
        std::string keptAt;
        if (kept.path.compare(0, keptFolder.size(), keptFolder) == 0 &&
            IsKeptCopyName(std::string_view(kept.path).substr(keptFolder.size()), name, &keptAt)) {
            dated.emplace_back(keptAt, &kept);
        }
    }
    std::sort(dated.begin(), dated.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    const long today = IsStamp(scene.now.substr(0, kStampChars)) ? StampDay(scene.now) : 0;
    std::size_t count = dated.size();
    for (const auto& entry : dated) {
        const std::string& keptAt = entry.first;
        const FoundState* kept = entry.second;
        if (count <= kMaxKeptCopies) {
            break;
        }
        std::vector<FoundState> others;
        for (const FoundState& state : after) {
            if (state.path != kept->path) {
                others.push_back(state);
            }
        }
        if (!HeldIn(others, *kept) && today - StampDay(keptAt) <= kKeptCopyDays) {
            continue;
        }
        plan.push_back({RestoreStepKind::kDropKept, {}, kept->path, {}, false});
        after.erase(
            std::remove_if(after.begin(), after.end(),
                           [&](const FoundState& state) { return state.path == kept->path; }),
            after.end());
        --count;
    }
    return plan;
}

}  // namespace

bool SameState(const FoundState& a, const FoundState& b) {
    return a.present && b.present && a.size == b.size && a.lastWrite == b.lastWrite;
}

std::string KeptCopyName(std::string_view now, std::string_view fileName, int number) {
    std::string name(now.substr(0, kStampChars));
    if (number > 1) {
        name += "-" + std::to_string(number);
    }
    return name + " " + std::string(fileName);
}

bool IsKeptCopyName(std::string_view name, std::string_view fileName, std::string* keptAt) {
    if (name.size() < kStampChars + 1 + fileName.size() || !IsStamp(name.substr(0, kStampChars)) ||
        name.substr(name.size() - fileName.size()) != fileName ||
        name[name.size() - fileName.size() - 1] != ' ') {
        return false;
    }
    const std::string_view number =
        name.substr(kStampChars, name.size() - fileName.size() - 1 - kStampChars);
    if (!number.empty() &&
        (number.size() < 2 || number.size() > 4 || number[0] != '-' || !Digits(number.substr(1)))) {
        return false;
    }
    if (keptAt) {
        *keptAt = std::string(name.substr(0, kStampChars + number.size()));
    }
    return true;
}

std::string RestoreSource(const PathParts& parts, int generation) {
    return GenerationPath(parts, generation, kSettingsFolderSpelling);
}

std::string SafetyFolderPath(const PathParts& parts) {
    if (parts.Empty()) {
        return {};
    }
    return BackupFolderPath(parts, kSettingsFolderSpelling) + "\\復元前";
}

std::vector<RestoreStep> PlanGenerationRestore(const RestoreScene& scene, int generation) {
    if (scene.parts.Empty() || generation < 1 || generation > 3 ||
        !scene.generations[generation - 1].present) {
        return {};
    }
    std::vector<int> newer;
    for (int n = generation - 1; n >= 1; --n) {
        newer.push_back(n);
    }
    return Plan(scene, scene.generations[generation - 1], false, newer);
}

std::vector<RestoreStep> PlanStateRestore(const RestoreScene& scene, const FoundState& source,
                                          bool arrived) {
    if (scene.parts.Empty() || !source.present) {
        return {};
    }
    return Plan(scene, source, arrived, {});
}

RestoreRun CarryOutRestore(const std::vector<RestoreStep>& plan, RestoreFiles& files) {
    RestoreRun run;
    std::vector<std::string> keptNow;
    std::string temp;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const RestoreStep& step = plan[i];
        unsigned long error = 0;
        switch (step.kind) {
            case RestoreStepKind::kCheckTarget:
                error = files.CheckTarget(step);
                break;
            case RestoreStepKind::kKeep:
                error = files.Keep(step);
                if (!error) {
                    keptNow.push_back(step.to);
                }
                break;
            case RestoreStepKind::kCopyBeside:
                error = files.CopyBeside(step, temp);
                break;
            case RestoreStepKind::kReplace: {
                const std::string replacement = step.from.empty() ? temp : step.from;
                temp.clear();
                bool stranded = false;
                error = files.Replace(step, replacement, stranded);
                if (stranded) {
                    run.strandedAt = replacement;
                } else if (error) {
                    files.Remove(replacement);
                } else if (step.overListedFile) {
                    run.listedReplaced = true;
                }
                break;
            }
            case RestoreStepKind::kDropKept:
                files.Remove(step.to);
                break;
        }
        if (error) {
            run.failed = i;
            run.error = error;
            if (!temp.empty()) {
                files.Remove(temp);
            }
            // A file that is gone has its former state only among the copies.
            if (!run.listedReplaced && run.strandedAt.empty()) {
                for (const std::string& kept : keptNow) {
                    files.Remove(kept);
                }
            }
            return run;
        }
    }
    return run;
}

}  // namespace sorel
