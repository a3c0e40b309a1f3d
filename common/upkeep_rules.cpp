#include "upkeep_rules.h"

#include "backup_table.h"
#include "list_rules.h"

namespace sorel {

bool HasHeaderSeparator(std::string_view line) {
    return line.find('=') != std::string_view::npos;
}

std::string HeaderLineFor(std::string_view appFolder, std::string_view hour,
                          std::string_view flag) {
    std::string line(appFolder);
    line += '=';
    line += hour;
    line += flag;
    return line;
}

std::vector<std::string> RewrittenHeaderLines(std::vector<std::string> lines,
                                              std::string_view appFolder,
                                              std::string_view scheduleHour) {
    if (lines.empty()) {
        return lines;
    }
    if (HasHeaderSeparator(lines[0])) {
        lines[0] = HeaderLineFor(appFolder, scheduleHour, "1");
    } else {
        // The older form held the folder alone; it gains the default hour.
        lines[0] += "=041";
    }
    return lines;
}

std::string ScheduleHourFromRadios(bool hour04, bool hour06, bool hour22, std::string_view held) {
    std::string hour(held);
    if (hour04) {
        hour = "04";
    }
    if (hour06) {
        hour = "06";
    }
    if (hour22) {
        hour = "22";
    }
    if (hour.empty()) {
        hour = "04";
    }
    return hour;
}

namespace {

// Line 1 and line 2 of this save, in front of whatever path lines stand.
void SetHeaderAndDate(std::vector<std::string>& lines, const std::string& header,
                      const std::string& date) {
    if (lines.size() < 2) {
        lines.resize(2);
    }
    lines[0] = header;
    lines[1] = date;
}

}  // namespace

std::vector<std::size_t> HeldLineIndexes(const std::vector<std::string>& lines) {
    std::vector<std::size_t> held;
    for (std::size_t i = 2; i < lines.size() && held.size() < kSlotCount; ++i) {
        if (FitsSlot(lines[i])) {
            held.push_back(i);
        }
    }
    return held;
}

ListChange WithPathAdded(std::vector<std::string> lines, const std::string& header,
                         const std::string& date, std::string_view path, std::size_t limit,
                         LeadByteTest isLead) {
    ListChange change;
    const std::vector<std::size_t> held = HeldLineIndexes(lines);
    std::vector<std::string> names;
    for (std::size_t index : held) {
        names.push_back(FileDisplayName(lines[index], isLead));
    }
    if (held.size() >= limit) {
        change.verdict = ListVerdict::kLimit;
    } else if (IsListedLine(names, FileDisplayName(path, isLead), isLead)) {
        change.verdict = ListVerdict::kDuplicate;
    } else {
        SetHeaderAndDate(lines, header, date);
        lines.emplace_back(path);
    }
    change.lines = std::move(lines);
    return change;
}

ListChange WithEntryRemoved(std::vector<std::string> lines, const std::string& header,
                            const std::string& date, std::size_t slot, std::string_view path) {
    ListChange change;
    const std::vector<std::size_t> held = HeldLineIndexes(lines);
    std::size_t found = 0;
    if (slot < held.size() && lines[held[slot]] == path) {
        found = held[slot];
    } else {
        for (std::size_t index : held) {
            if (lines[index] == path) {
                found = index;
                break;
            }
        }
    }
    if (found == 0) {
        change.verdict = ListVerdict::kNotFound;
    } else {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(found));
        SetHeaderAndDate(lines, header, date);
    }
    change.lines = std::move(lines);
    return change;
}

std::string FolderOfModule(std::string_view modulePath, LeadByteTest isLead) {
    const std::size_t last = LastSeparator(modulePath, isLead);
    return std::string(modulePath.substr(0, last == std::string_view::npos ? 0 : last + 1));
}

}  // namespace sorel
