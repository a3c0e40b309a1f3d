#include "upkeep_rules.h"

#include "backup_table.h"

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

std::vector<std::string> UnheldPathLines(const std::vector<std::string>& pathLines) {
    // The same rule FillBackupTable applies, so the two together account for
    // every line.
    std::vector<std::string> unheld;
    std::size_t held = 0;
    for (const std::string& line : pathLines) {
        if (held < kSlotCount && FitsSlot(line)) {
            ++held;
        } else {
            unheld.push_back(line);
        }
    }
    return unheld;
}

std::vector<std::string> SavedSettingsLines(const std::string& header, const std::string& date,
                                            const std::vector<std::string>& tablePaths,
                                            std::optional<std::size_t> removed,
                                            const std::vector<std::string>& unheldLines) {
    std::vector<std::string> lines = {header, date};
    for (std::size_t i = 0; i < tablePaths.size(); ++i) {
        if (!removed || *removed != i) {
            lines.push_back(tablePaths[i]);
        }
    }
    lines.insert(lines.end(), unheldLines.begin(), unheldLines.end());
    return lines;
}

std::string FolderOfModule(std::string_view modulePath, LeadByteTest isLead) {
    std::size_t end = 0;
    for (std::size_t pos = 0; pos < modulePath.size();) {
        auto byte = static_cast<unsigned char>(modulePath[pos]);
        if (isLead(byte) && pos + 1 < modulePath.size()) {
            pos += 2;
            continue;
        }
        if (byte == '\\') {
            end = pos + 1;
        }
        ++pos;
    }
    return std::string(modulePath.substr(0, end));
}

}  // namespace sorel
