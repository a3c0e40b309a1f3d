// Editing the backup list: adding a dropped or chosen file after its checks,
// removing the file of the selected line, finding the entry of the selected
// line, and the expected backup time.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace sorel::app {

// Checks the last file of a drop and adds it. Releases the drop.
void AcceptDroppedFile(HDROP drop);

// Lets the user pick one file in the open-file dialog and adds it.
void ChooseFileToAdd();

// Adds `path` after the limit and duplicate checks, saves the settings file,
// refreshes the estimate and confirms. Nothing changes when a check refuses
// the file or the file cannot be saved.
void AddBackupFile(const std::string& path);

// FindSelectedEntry's refusals; both have told the user already.
constexpr int kNoSelection = -1;
constexpr int kNoEntry = -2;

// The index of the selected line, with SelectedLineText, SelectedPath and
// SelectedSlot set to that line and its entry. Before anything else the
// three are cleared, so no caller can act on an earlier lookup's path.
int FindSelectedEntry();

// Removes the selected line's file from the list and the settings file.
void RemoveSelectedEntry();

// Shows the expected backup time and the number of listed files.
void RefreshEstimate();

}  // namespace sorel::app
