// Editing the backup list: adding a dropped or chosen file after its checks,
// removing the file of the selected line, finding the entry of the selected
// line, and the expected backup time.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <optional>
#include <string>

namespace sorel::app {

// Checks the last file of a drop and adds it. Releases the drop.
void AcceptDroppedFile(HDROP drop);

// Lets the user pick one file in the open-file dialog and adds it.
void ChooseFileToAdd();

// Adds `chosen`, with the name Windows resolves it to, after the limit,
// duplicate and length checks; makes its backUp folder, saves the settings
// file, refreshes the estimate and confirms. Nothing is listed when a check
// refuses the file, the folder cannot be made or the file cannot be saved.
void AddBackupFile(const std::string& chosen);

// The selected line of the list and the table entry behind it.
struct SelectedEntry {
    int line = -1;  // the line's index in the list
    std::string lineText;
    std::string path;  // the full path of the entry
    std::size_t slot = 0;
};

// The entry of the selected line. Nothing, after telling the user, when no
// line is selected or the table holds no entry for it; each caller acts on
// what this call found and on nothing an earlier lookup found.
std::optional<SelectedEntry> FindSelectedEntry();

// Removes the selected line's file from the list and the settings file.
void RemoveSelectedEntry();

// Shows the expected backup time and the number of listed files.
void RefreshEstimate();

}  // namespace sorel::app
