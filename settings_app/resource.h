// Resource and control IDs of the settings window. The numbers are fixed:
// the tests, and anything else that drives the window, find its parts by them.
#ifndef SOREL_SETTINGS_RESOURCE_H
#define SOREL_SETTINGS_RESOURCE_H

#define IDB_BANNER 101
#define IDI_APP 102
#define IDD_PLACE 110
#define IDD_HISTORY 111

// The second copy's dialog; the resource script needs them as numbers.
#define IDC_PLACE_FOLDER 1101
#define IDC_PLACE_BROWSE 1102
#define IDC_PLACE_FORGET 1103
#define IDC_PLACE_STATE 1104

// The history dialog.
#define IDC_HISTORY_LIST 1201
#define IDC_HISTORY_RESTORE 1202
#define IDC_HISTORY_OPEN 1203
#define IDC_HISTORY_PROGRESS 1204

#ifndef RC_INVOKED
namespace sorel::app {

enum ControlId : int {
    AddFileButton = 1000,
    ExitButton = 1001,
    RestoreGroup = 1002,
    Restore1Button = 1003,
    Restore2Button = 1004,
    Restore3Button = 1005,
    CreditLabel = 1006,
    BackupListBox = 1007,
    RemoveButton = 1008,
    ListCaptionLabel = 1009,
    BackupTimeEdit = 1010,
    BackupTimeLabel = 1011,
    SecondsLabel = 1012,
    BackupCountLabel = 1013,
    BackupCountEdit = 1014,
    CountUnitLabel = 1015,
    BannerImage = 1016,
    TimedStartGroup = 1017,
    Hour04Radio = 1018,
    Hour06Radio = 1019,
    Hour22Radio = 1020,
    SaveFlagCheckBox = 1021,
    MenuExit = 1022,
    MenuSetup = 1023,
    MenuUninstall = 1024,
    MenuHelp = 1025,
    MenuPlace = 1026,
    PlaceFolderEdit = IDC_PLACE_FOLDER,
    PlaceBrowseButton = IDC_PLACE_BROWSE,
    PlaceForgetButton = IDC_PLACE_FORGET,
    PlaceStateText = IDC_PLACE_STATE,
    MenuHistory = 1027,
    HistoryListBox = IDC_HISTORY_LIST,
    HistoryRestoreButton = IDC_HISTORY_RESTORE,
    HistoryOpenButton = IDC_HISTORY_OPEN,
    HistoryProgressText = IDC_HISTORY_PROGRESS,
};

}  // namespace sorel::app
#endif

#endif
