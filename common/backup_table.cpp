#include "backup_table.h"

#include <cstring>

namespace sorel {

void ClearBackupTable(BackupTable& table) {
    for (auto& slot : table.slots) {
        std::memset(slot.data(), '0', kSlotSize - 1);
        slot[kSlotSize - 1] = '\0';
    }
}

bool SlotUsed(const BackupTable& table, std::size_t index) {
    return index < kSlotCount && table.slots[index][0] != '0';
}

std::string_view SlotText(const BackupTable& table, std::size_t index) {
    return std::string_view(table.slots[index].data());
}

std::size_t UsedSlotCount(const BackupTable& table) {
    std::size_t n = 0;
    while (SlotUsed(table, n)) {
        ++n;
    }
    return n;
}

bool FitsSlot(std::string_view path) {
    return path.size() < kSlotSize && path.find('\0') == std::string_view::npos &&
           (path.empty() || path[0] != '0');
}

bool AppendToTable(BackupTable& table, std::string_view path) {
    std::size_t n = UsedSlotCount(table);
    if (n >= kSlotCount || !FitsSlot(path)) {
        return false;
    }
    auto& slot = table.slots[n];
    std::memcpy(slot.data(), path.data(), path.size());
    slot[path.size()] = '\0';
    return true;
}

std::size_t FillBackupTable(BackupTable& table, const std::vector<std::string>& pathLines) {
    ClearBackupTable(table);
    std::size_t skipped = 0;
    for (const std::string& line : pathLines) {
        if (!AppendToTable(table, line)) {
            ++skipped;
        }
    }
    return skipped;
}

std::vector<std::string> TablePaths(const BackupTable& table) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; SlotUsed(table, i); ++i) {
        paths.emplace_back(SlotText(table, i));
    }
    return paths;
}

}  // namespace sorel
