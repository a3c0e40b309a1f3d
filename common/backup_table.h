// The in-memory list of files to back up, shared in shape by both programs:
// 24 slots of 512 bytes, each a NUL-terminated full path. A free slot holds
// 511 characters "0". Used slots are always 0 to n - 1, and every walk stops
// at the first free slot.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sorel {

constexpr std::size_t kSlotCount = 24;
constexpr std::size_t kSlotSize = 512;

struct BackupTable {
    std::array<std::array<char, kSlotSize>, kSlotCount> slots;
};

// Every slot becomes free.
void ClearBackupTable(BackupTable& table);

// A slot is used when its first byte is not "0".
bool SlotUsed(const BackupTable& table, std::size_t index);

// The text of slot `index`.
std::string_view SlotText(const BackupTable& table, std::size_t index);

// Number of used slots before the first free one.
std::size_t UsedSlotCount(const BackupTable& table);

// Whether `path` can be held by a slot: shorter than 512 bytes, without a NUL,
// and not starting with "0", which would read as a free slot and hide every
// entry after it.
bool FitsSlot(std::string_view path);

// Puts `path` into the first free slot. False, and the table unchanged, when
// the table is full or the path does not fit a slot.
bool AppendToTable(BackupTable& table, std::string_view path);

// Clears the table, then fills it from the path lines of a settings file
// (its lines after the first two) in order. Lines that do not fit a slot are
// skipped rather than cut short; lines past the 24th slot are left out.
// Returns how many lines were skipped or left out.
std::size_t FillBackupTable(BackupTable& table, const std::vector<std::string>& pathLines);

// The used slots' texts, in order.
std::vector<std::string> TablePaths(const BackupTable& table);

}  // namespace sorel
