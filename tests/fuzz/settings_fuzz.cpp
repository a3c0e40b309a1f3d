// Feeds arbitrary bytes to the settings-file reader and its form detection,
// the table fill, the path splitter and the content guard with its format
// checks, and checks what must hold for any input: no overflow, no slot that
// the table cannot hold, a rewrite that reads back the same, and path parts
// that put the path together again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "backup_table.h"
#include "content_guard.h"
#include "guard/formats.h"
#include "place/manifest.h"
#include "place/place_history.h"
#include "restore_plan.h"
#include "rotation.h"
#include "settings_form.h"
#include "settings_text.h"
#include "store_path.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckPath(const std::string& path) {
    sorel::PathParts parts = sorel::SplitPath(path);
    if (parts.Empty()) {
        Require(parts.folder.empty() && parts.name.empty() && parts.extension.empty());
        Require(sorel::GenerationPath(parts, 1).empty());
        return;
    }
    Require(parts.drive + parts.folder + parts.name + parts.extension == path);
    // "/" separates folders as "\\" does.
    auto separator = [](char c) { return c == '\\' || c == '/'; };
    Require(separator(parts.folder.front()) && separator(parts.folder.back()));
    Require(parts.extension.empty() || parts.extension.front() == '.');
    std::string g1 = sorel::GenerationPath(parts, 1);
    Require(g1 == sorel::BackupFolderPath(parts) + "\\11" + parts.name + parts.extension);
    Require(sorel::IncomingPath(parts) != g1);
    // Whatever generations are there, the new copy ends as generation 1.
    using sorel::Presence;
    const Presence all[3] = {Presence::kReadable, Presence::kReadable, Presence::kReadable};
    const Presence none[3] = {Presence::kMissing, Presence::kMissing, Presence::kMissing};
    auto full = sorel::PlanRotation(path, parts, all);
    auto first = sorel::PlanRotation(path, parts, none);
    Require(full.size() == 4 && full.back().to == g1);
    Require(first.size() == 2 && first.back().to == g1);
    auto replace = sorel::PlanReplace(path, parts);
    Require(replace.size() == 2 && replace.back().to == g1 && replace.back().replace);
    // The second copy's names: a folder that ends in its hash, and a
    // version name that reads back as the date it was made from.
    const std::string folder = sorel::FileFolderName(path);
    const std::string name = parts.name + parts.extension;
    Require(folder.empty() == name.empty() && (folder.empty() || folder.size() <= 49));
    sorel::CivilDate date;
    Require(sorel::VersionDate(sorel::VersionName({2026, 2, 28}, name), name, date) &&
            date == sorel::CivilDate{2026, 2, 28});
    Require(!sorel::VersionDate(sorel::TemporaryVersionName(name), name, date));
    // A restore's kept copies read back as such, and any restore of a
    // present generation tries the file first and replaces it.
    Require(
        sorel::IsKeptCopyName(sorel::KeptCopyName("2026-12-08 101500", name, 2), name, nullptr));
    sorel::IsKeptCopyName(name, parts.name, nullptr);
    sorel::RestoreScene scene{path, parts, {path, true, 1, 1}, {}, {}, {}, "2026-12-08 101500"};
    for (int n = 1; n <= 3; ++n) {
        scene.generations[n - 1] = {sorel::RestoreSource(parts, n), true, 1u + n, 1u + n};
    }
    const auto plan = sorel::PlanGenerationRestore(scene, 3);
    Require(plan.size() >= 8 && plan.front().kind == sorel::RestoreStepKind::kCheckTarget &&
            plan.back().to == sorel::RestoreSource(parts, 1));
}

// ASCII only: enough to run every form through the reader.
bool AsciiOnly(std::u16string_view wide, std::string& ansi) {
    bool exact = true;
    ansi.clear();
    for (char16_t unit : wide) {
        exact = exact && unit < 0x80;
        ansi += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return exact;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines = sorel::ReadAllLines(bytes);

    // Writing the lines and reading them again gives the same lines, so a
    // rewrite never changes what either program reads.
    Require(sorel::ReadAllLines(sorel::JoinLines(lines)) == lines);
    Require(sorel::JoinLines(sorel::ReadAllLines(sorel::JoinLines(lines))) ==
            sorel::JoinLines(lines));

    sorel::BackupTable table;
    std::vector<std::string> pathLines(lines.size() > 2 ? lines.begin() + 2 : lines.end(),
                                       lines.end());
    std::size_t skipped = sorel::FillBackupTable(table, pathLines);
    std::size_t used = sorel::UsedSlotCount(table);
    Require(used <= sorel::kSlotCount && used + skipped == pathLines.size());
    for (std::size_t i = 0; i < used; ++i) {
        Require(sorel::SlotText(table, i).size() < sorel::kSlotSize);
        CheckPath(std::string(sorel::SlotText(table, i)));
    }
    if (!lines.empty()) {
        std::string hour = sorel::HourTextOf(lines[0]);
        Require(hour.size() <= 2);
        (void)sorel::HourNumber(hour);
        Require(sorel::WithDateLine(lines, "d")[1] == "d");
    }
    CheckPath(std::string(bytes.substr(0, 600)));

    // Every form reads as some text; the programs' own form as itself, and a
    // text read exactly holds no NUL that the reader would cut at.
    sorel::SettingsText text = sorel::SettingsTextOf(bytes, AsciiOnly);
    if (text.form == sorel::SettingsForm::kAnsi) {
        Require(text.bytes == bytes);
    }
    Require(!text.exact || text.bytes.find('\0') == std::string::npos);
    Require(sorel::KeepBeforeRewrite(text) || text.bytes == bytes);
    (void)sorel::ReadAllLines(text.bytes);
    // The guard never holds back a state that is the same as before, and
    // the accepted states read back as written.
    const std::string_view half = bytes.substr(0, size / 2);
    Require(!sorel::ContentSuspect(half, half));
    (void)sorel::ContentSuspect(half, bytes.substr(size / 2));
    // Each of the guard's format checks reads the bytes as a file of its
    // format, truncated or malformed as they may be, within their bounds.
    for (int format = 0; format <= static_cast<int>(sorel::GuardFormat::kAccess); ++format) {
        sorel::StringSource file(bytes);
        const sorel::FormatLook look =
            sorel::CheckFormat(static_cast<sorel::GuardFormat>(format), file);
        Require(look.valid || !look.encryptedPackage);
    }
    const std::vector<sorel::AcceptedState> accepted = sorel::ParseAcceptedStates(bytes);
    const std::string acceptedText = sorel::FormatAcceptedStates(accepted);
    Require(sorel::FormatAcceptedStates(sorel::ParseAcceptedStates(acceptedText)) == acceptedText);
    // So does whatever the manifest reader makes of the bytes.
    const std::string manifest = sorel::FormatManifest(sorel::ParseManifest(bytes));
    Require(sorel::FormatManifest(sorel::ParseManifest(manifest)) == manifest);
    return 0;
}
