// The texts, captions and styles of every message box of the settings
// window. Users know the program by these words; each text is kept exactly,
// full-width spaces and trailing spaces included.
#pragma once

namespace sorel::app {

struct Message {
    const char* text;
    const char* caption;
    unsigned style;
};

constexpr unsigned kErrorStyle = 0x10;     // MB_ICONHAND
constexpr unsigned kQuestionIcon = 0x20;   // MB_ICONQUESTION
constexpr unsigned kQuestionStyle = 0x21;  // MB_OKCANCEL | MB_ICONQUESTION
constexpr unsigned kNoticeStyle = 0;       // MB_OK

// --- Editing the list ---------------------------------------------------

constexpr Message kShortcutMessage = {
    "んな！　アホな！　そのファイルは　ショートカットでっせ！！\r\n\r\n本体のファイルを指定してんか"
    "！",
    "バックアップ設定", kErrorStyle};

constexpr Message kInternetShortcutMessage = {
    "んな！　アホな！　そのファイルは　インタネットショートカットでっせ！！\r\n\r\nそんなん　イラン"
    "やろ！",
    "バックアップ設定", kErrorStyle};

constexpr Message kFolderMessage = {
    "スンマヘンな！　それは　フォルダー　でんがな！！\r\n\r\nファイルしか　セットできまへん！",
    "バックアップ設定", kErrorStyle};

constexpr Message kLimitMessage = {"バックアップ設定は　最大　｢２０個」でっせ！　",
                                   "バックアップ設定", kErrorStyle};

constexpr Message kDuplicateMessage = {"んな！　アホな！　そのファイルは　設定済でっせ！　　",
                                       "データ設定", kErrorStyle};

constexpr Message kAddedMessage = {
    "設定完了！何も起きまへんで！\r\n\r\n\r\n明日必ず「バックアップ」するさかい\r\n\r\n\r\n"
    "ソレルは　終了しても　かめへんで・・！！",
    "データ設定", kNoticeStyle};

constexpr Message kSelectMessage = {"実行したいファイルを　選択してから　ボタン押してんか！　",
                                    "セレクトエラー", kQuestionIcon};

// The selected line has no entry in the table behind the list.
constexpr Message kNoEntryMessage = {
    "バックアップする設定が　おまへん！！\r\n\r\nそりゃ　でけへんで！", "バックアップ設定エラー",
    kErrorStyle};

// A path longer than the agent can store: the drop buffer, or the names of
// its backups, would not hold it.
constexpr Message kPathTooLongMessage = {
    "スンマヘン！　そのファイルの　場所が　長すぎまんねん！！\r\n\r\n"
    "もうちょっと　短い場所に　置いてから　指定してんか！",
    "バックアップ設定", kErrorStyle};

// A dropped or chosen name with a character that the system's code page
// cannot spell (café.txt, a Korean or an emoji name): every path is kept in
// that code page, so the file could never be found again under its name.
constexpr Message kNameNotAnsiMessage = {
    "スンマヘン！　そのファイルの　名前には　ソレルが　扱われへん　文字が　入ってまんねん！！\r\n\r"
    "\n"
    "名前を　変えてから　指定してんか！",
    "バックアップ設定", kErrorStyle};

// A path without a drive letter: there is nowhere to keep its generations.
constexpr Message kNoDriveMessage = {
    "スンマヘン！　ネットワークの　ファイルは　バックアップでけへんねん！！\r\n\r\n"
    "Ｃ：みたいな　ドライブの　ファイルを　指定してんか！",
    "バックアップ設定", kErrorStyle};

// The settings file could not be read or written, even after waiting a
// moment; the agent holds it only for an instant, so trying again helps.
constexpr Message kSettingsBusyMessage = {
    "スンマヘン！　設定ファイルが　使用中で　読み書きでけへんかったで！！\r\n\r\n"
    "何も　変えてまへん。　ちょっと　待ってから　もう一度　やってんか！",
    "データ設定", kErrorStyle};

// The settings file stayed busy while the window started: the list is not
// shown yet, and nothing is written until the file has been read.
constexpr Message kSettingsUnreadMessage = {
    "スンマヘン！　設定ファイルが　使用中で　まだ　読まれへんねん！！\r\n\r\n"
    "空いたら　すぐ　読み込むさかい　それまで　一覧は　空っぽやけど　何も　消えてまへんで。",
    "データ設定", kErrorStyle};

// The settings file was deleted or emptied behind the window (an editor's
// failed save leaves 0 bytes); the list the window showed was written back.
constexpr Message kListWrittenBackMessage = {
    "設定ファイルが　消えてたか　空っぽに　なってたで！！\r\n\r\n"
    "画面の　一覧を　設定ファイルに　書き戻しときましたさかい　何も　消えてまへんで。",
    "データ設定", kNoticeStyle};

// The backUp folder beside the file cannot be made (a folder where the user
// may read but not create, or a file of that name): the agent could never
// store a generation there.
constexpr Message kNoBackupFolderMessage = {
    "スンマヘン！　そのファイルの　隣に　backUp　フォルダーを　作られへんねん！！\r\n\r\n"
    "そこでは　バックアップでけへんさかい　ファイルを　自分の　フォルダーに　置いてから　指定してん"
    "か！",
    "バックアップ設定", kErrorStyle};

// --- Restoring a generation ---------------------------------------------

// The question before a restore of generation 1, 2 or 3, and the notice
// after it, by generation.
constexpr Message kRestoreQuestions[3] = {
    {"前使用日データ　に入れ替わりまっせ！！\r\n\r\n復元するソフトは　終了しとかな　あかんで！！",
     "データ復元（ソレル　１）", kQuestionStyle},
    {"前々使用日データ　に入れ替わりまっせ！\r\n\r\n今の　前使用日データは　「復元前」に　残すさか"
     "い　"
     "「履歴」から　戻せまっせ。\r\n\r\nＭＯＲＯＫは　終了しとかな　あかんで！！",
     "データ復元（ソレル　２）", kQuestionStyle},
    {"前々前　使用日データ　に入れ替わりまっせ！\r\n\r\n今の　前使用日 "
     "と　前々　使用日の　データは　「復元前」に"
     "　残すさかい　「履歴」から　戻せまっせ。\r\n\r\nＭＯＲＯＫは　終了しとかな　あかんで！！",
     "データ復元（ソレル　３）", kQuestionStyle},
};

constexpr Message kRestoredMessages[3] = {
    {"前使用日データ　復元完了！", "データ復元", kNoticeStyle},
    {"前々使用日データ　復元完了！", "データ復元", kNoticeStyle},
    {"前々前　使用日データ　復元完了！", "データ復元", kNoticeStyle},
};

// The question that shows the date of the generation's data: the two parts
// go on either side of the date text.
constexpr char kRestoreDateQuestionHead[] = "ホンマに　「";
constexpr char kRestoreDateQuestionTail[] = "　」データで　復元しても　ＯＫでっか？";
constexpr char kRestoreDateQuestionCaption[] = "データ復元確認";

constexpr Message kNoGenerationMessage = {
    "バックアップデータが　おまへんで　？\r\n\r\nバックアップは　パソコン立ち上げ時に　やってまっせ"
    "！",
    "＜データ復元エラー＞", kErrorStyle};

// The file could not be overwritten, mostly because its own program still
// has it open. Nothing was copied, so the file and every generation are as
// they were.
constexpr Message kNotRestoredMessage = {
    "スンマヘン！　ファイルが　使用中で　上書きでけへんかったさかい　復元してまへん！！\r\n\r\n"
    "ファイルは　元のままでっせ。　そのファイルを　使うてるソフトを　終了してから　もう一度　やって"
    "んか"
    "！",
    "＜データ復元エラー＞", kErrorStyle};

// The listed file is read-only, which the user set; the restore leaves that
// as it is and copies nothing.
constexpr Message kReadOnlyNotRestoredMessage = {
    "スンマヘン！　そのファイルは　読み取り専用に　なってるさかい　復元してまへん！！\r\n\r\n"
    "ファイルは　元のままでっせ。　エクスプローラーで　ファイルの　プロパティを開いて　"
    "「読み取り専用」の　チェックを　外してから　もう一度　やってんか！",
    "＜データ復元エラー＞", kErrorStyle};

// The file was restored, but a newer generation could not be overwritten
// (the agent may have been writing it). The generations not overwritten
// keep what they held.
constexpr Message kPartlyRestoredMessage = {
    "ファイルは　復元できたけど　新しい方の　バックアップを　全部は　上書きでけへんかったで！！\r\n"
    "\r\n"
    "上書きでけへんかった　バックアップは　前のまま　残ってまっせ。",
    "データ復元", kErrorStyle};

// The generation is there, but a program holds it open (a viewer showing
// it, or the agent writing it at this moment).
constexpr Message kGenerationInUseMessage = {
    "スンマヘン！　バックアップデータが　使用中で　読まれへんねん！！\r\n\r\n"
    "バックアップを　開いてる　ソフトを　閉じてから　もう一度　やってんか！",
    "＜データ復元エラー＞", kErrorStyle};

// The drive has no room for the restored copy; the file is as it was.
constexpr Message kDiskFullNotRestoredMessage = {
    "スンマヘン！　ディスクが　いっぱいで　復元でけへんかったで！！\r\n\r\n"
    "ファイルは　元のままでっせ。　ディスクを　空けてから　もう一度　やってんか！",
    "＜データ復元エラー＞", kErrorStyle};

// The user may not write the file (or create the copy beside it).
constexpr Message kNoRightsNotRestoredMessage = {
    "スンマヘン！　そのファイルを　書き換える　権限が　おまへんさかい　復元してまへん！！\r\n\r\n"
    "ファイルは　元のままでっせ。　ファイルと　フォルダーの　アクセス許可を　確かめてんか！",
    "＜データ復元エラー＞", kErrorStyle};

// A folder now stands where the listed file was.
constexpr Message kFolderNotRestoredMessage = {
    "スンマヘン！　そのファイルの　場所に　フォルダーが　あるさかい　復元してまへん！！\r\n\r\n"
    "何も　変えてまへん。",
    "＜データ復元エラー＞", kErrorStyle};

// Any other refusal of the system; the file is as it was.
constexpr Message kFailedNotRestoredMessage = {
    "スンマヘン！　ファイルを　上書きでけへんかったさかい　復元してまへん！！\r\n\r\n"
    "ファイルは　元のままでっせ。",
    "＜データ復元エラー＞", kErrorStyle};

// The file was taken away for the replacement, and the restored content could
// not be renamed into its place: the two parts go on either side of the full
// path where that content is.
constexpr char kStrandedMessageHead[] =
    "スンマヘン！　ファイルを　入れ替える　途中で　止まってもうたで！！\r\n\r\n"
    "復元した　データは　ここに　ありまっせ：\r\n";
constexpr char kStrandedMessageTail[] =
    "\r\n\r\nこのファイルの　名前を　元の　名前に　変えてんか！";
constexpr char kStrandedCaption[] = "＜データ復元エラー＞";

// --- The second copy --------------------------------------------------------

// What the typed text names is no folder on a drive or a network share.
constexpr Message kPlaceNotFolderMessage = {
    "スンマヘン！　そこは　フォルダーの　場所に　なってまへんで！！\r\n\r\n"
    "ドライブの　フォルダーか　ネットワークの　共有フォルダーを　書いてんか！",
    "控え", kErrorStyle};

// The folder is not there. The window never makes it: a drive that is not
// plugged in would otherwise get the folder on whatever disk took its letter.
constexpr Message kPlaceMissingMessage = {
    "スンマヘン！　その　フォルダーが　見つかりまへん！！\r\n\r\n"
    "ドライブを　つないで　フォルダーを　作ってから　もう一度　選んでんか！",
    "控え", kErrorStyle};

// The folder lies on the physical disk of a listed file: the user may keep
// it all the same (OK) or choose again (キャンセル).
constexpr Message kPlaceSameDiskQuestion = {
    "ちょっと待ってや！　そこは　バックアップする　ファイルと　同じ　ディスクでっせ！！\r\n\r\n"
    "ディスクが　壊れたら　控えも　いっしょに　なくなりまっせ。\r\n"
    "それでも　ここに　しまっか？",
    "控え", kQuestionStyle};

// The Sorel folder, its marker or the choice could not be written.
constexpr Message kPlaceNotWrittenMessage = {
    "スンマヘン！　そこに　ソレルの　フォルダーを　作られへんかったで！！\r\n\r\n"
    "書き込める　フォルダーか　確かめてから　もう一度　やってんか！",
    "控え", kErrorStyle};

// The marker is there but could not be read just now (another PC or program
// holds it): a new one would make the place another, so nothing is kept.
constexpr Message kPlaceMarkerBusyMessage = {
    "スンマヘン！　控えの場所の　しるしが　読まれへん！！\r\n\r\n"
    "ほかの　パソコンか　プログラムが　使てるみたいや。\r\n"
    "しばらく　してから　もう一度　やってんか！",
    "控え", kErrorStyle};

// Sorel\Sorel.id is there but holds no marker: it is never written over.
constexpr Message kPlaceMarkerForeignMessage = {
    "アカン！　そこに　ある　しるしの　ファイルは　ソレルの　しるしや　おまへん！！\r\n\r\n"
    "中身を　確かめるか　別の　フォルダーを　選んでんか！",
    "控え", kErrorStyle};

// Before the choice is forgotten. The copies are the user's backups and stay.
constexpr Message kPlaceForgetQuestion = {
    "控えを　やめまっか？？\r\n\r\n今までの　控えは　消さんと　そのまま　残しときまっせ。", "控え",
    kQuestionStyle};

// The state text of the dialog: the place, whether it is there now, and the
// date of the oldest second copy among the listed files.
constexpr char kPlaceStateNone[] =
    "控えは　まだ　決めてまへん。\r\n別の　ドライブか　ネットワークの　フォルダーを　選んでな。";
constexpr char kPlaceStateHead[] = "控えの場所：";
// While the place is looked for: a network share can take a minute to answer.
constexpr char kPlaceStateChecking[] = "確かめ中…";
constexpr char kPlaceStatePresent[] = "\r\n今は　つながってまっせ。";
constexpr char kPlaceStateAbsent[] = "\r\n今は　見つかりまへん。　ドライブを　つないでな。";
constexpr char kPlaceStateOldest[] = "\r\nいちばん古い控え：";
constexpr char kPlaceStateNoCopy[] = "\r\n控えは　まだ　おまへん。";

// A file added on the disk of the place: it is listed all the same, and the
// confirmation says that its second copy does not survive that disk.
constexpr Message kAddedSameDiskMessage = {
    "設定完了！何も起きまへんで！\r\n\r\n\r\n明日必ず「バックアップ」するさかい\r\n\r\n"
    "せやけど　このファイルは　控えと　同じ　ディスクに　あるさかい　"
    "控えは　別の　ディスクに　なりまへんで！！",
    "データ設定", kNoticeStyle};

// A version at the place that no longer holds what was copied: shown, but
// never put back over the file.
constexpr char kDamagedVersionMark[] = "（壊れてる）";
constexpr Message kDamagedVersionMessage = {
    "アカン！　その　控えは　壊れてまっせ！！\r\n\r\n"
    "元に　戻したら　ファイルが　ワヤに　なってまうさかい　ほかのんを　選んでんか！",
    "データ復元", kErrorStyle};

// After an uninstall with a place chosen: the copies stay there, and the
// user hears where.
constexpr char kUninstallCopiesHead[] = "\r\n\r\n控えは　消してまへん。　ここに　ありまっせ：\r\n";

// --- Set-up, uninstall and exit -------------------------------------------

constexpr Message kSetUpDoneMessage = {"ソレル　初期設定　完了！！", "はじめに　やること",
                                       kNoticeStyle};

// Set-up or uninstall could not be done: the agent's file is missing or in
// use (the running agent holds it).
constexpr Message kAgentRefusedMessage = {
    "んな！アホな？　その処理は　できまへんで・・！！\r\n\r\n ＳＯＲＥＬ２が　タスクトレイに　常駐"
    "してんなら　終了してから　もう一度やで！！",
    "オカシイでんな？", kNoticeStyle};

constexpr Message kUninstallQuestion = {
    "ホンマに　使うの　ヤメでっか？？\r\n\r\n考え直すは　キャンセルでっせ！！", "アンインストール",
    kQuestionStyle};

constexpr Message kUninstallDoneMessage = {
    "処理完了！　\r\n\r\nあとは　ソレルのフォルダを　削除してんか！！", "アンインストール",
    kNoticeStyle};

constexpr Message kExitQuestion = {"初期設定が　終わってまへん！　ホンマに「終了」で　エエの？？",
                                   "はじめに　やること", kQuestionStyle};

// The shell could not say where the user's Startup folder is. Without it the
// agent's file would be looked for, moved or deleted in the root of a drive,
// so nothing is done at all.
constexpr Message kNoStartupFolderMessage = {
    "スンマヘン！　スタートアップ　フォルダーの　場所が　わからへんねん！！\r\n\r\n"
    "初期設定も　ｱﾝｲﾝｽﾄｰﾙも　でけへんさかい　何も　触ってまへん。",
    "オカシイでんな？", kErrorStyle};

// The help file is not beside the program: the two parts go on either side
// of the path where it was looked for.
constexpr char kNoHelpMessageHead[] =
    "スンマヘン！　ヘルプの　ファイルが　見つかりまへん！！\r\n\r\nここに　あるはずやねん：\r\n";
constexpr char kNoHelpMessageTail[] =
    "\r\n\r\nSorel.chm を　ソレルと　同じフォルダーに　置いてんか！";
constexpr char kNoHelpCaption[] = "ヘ ル プ";

// --- The safety copy before a restore ---------------------------------------

// What the restore would overwrite could not be kept in the backup folder's
// 復元前 folder, so nothing was overwritten.
constexpr Message kNoSafetyCopyMessage = {
    "スンマヘン！　上書きする前の　データを　「復元前」　フォルダーに　残されへんかったさかい　"
    "復元してまへん！！\r\n\r\n"
    "ファイルは　元のままでっせ。",
    "＜データ復元エラー＞", kErrorStyle};

// The name the kept copy would have in 復元前 is longer than the system takes.
constexpr Message kSafetyPathTooLongMessage = {
    "スンマヘン！　フォルダーの　名前が　長すぎて　上書きする前の　データを　「復元前」　"
    "フォルダーに　残されへんさかい　復元してまへん！！\r\n\r\n"
    "ファイルは　元のままでっせ。　フォルダーの　名前を　短うしてから　もう一度　やってんか！",
    "＜データ復元エラー＞", kErrorStyle};

// --- The history --------------------------------------------------------------

// The history list is empty, or no line of it is selected.
constexpr Message kNoStateMessage = {"このファイルの　バックアップデータは　まだ　おまへんで！",
                                     "履歴", kNoticeStyle};

// A history row whose file has gone since the list was made; the list is
// made again and the row is no longer there.
constexpr Message kStateGoneMessage = {
    "その時のデータは もう おまへん\r\n\r\n一覧を　並べ直しましたで。", "履歴", kNoticeStyle};

// The generations or the row's file changed between the list (or the
// question) and the restore, as when the agent rotated meanwhile.
constexpr Message kStateChangedMessage = {
    "スンマヘン！　確かめてる間に　バックアップが　入れ替わったさかい　何も　してまへん。\r\n\r\n"
    "一覧を　確かめてから　もう一回　やってんか。",
    "データ復元", kNoticeStyle};

// The agent holds the file's store or the file itself for its backup.
constexpr Message kAgentBusyMessage = {
    "Ｓｏｒｅｌ２が　今　このファイルを　バックアップしてまっせ。\r\n\r\n"
    "ファイルは　元のままでっせ。　ちょっと　待ってから　もう一回　やってんか。",
    "データ復元", kNoticeStyle};

constexpr Message kStateRestoredMessage = {"データ　復元完了！", "データ復元", kNoticeStyle};

// Under the list while a version is copied from the place, which can take a
// while from a share; the close button says キャンセル meanwhile and stops it.
constexpr char kFetchingStateText[] = "控えを持ってきてる…";
constexpr char kFetchCancelLabel[] = "キャンセル";
constexpr char kHistoryCloseLabel[] = "閉じる";

// --- Content the agent held back ---------------------------------------

// Asked at start-up for each file whose new content the agent held back, with
// the file's name before the text.
constexpr char kHeldBackQuestionTail[] =
    " の中身が前と まるっきり違うで。ほんまに正しい変更なら OK を押してな";
constexpr char kHeldBackCaption[] = "中身が別物";

// After Cancel: the file stays held back.
constexpr Message kHeldBackKeptMessage = {
    "ほな、そのままバックアップせんと置いとくで。\r\n\r\n"
    "暗号化や壊れたんやったら、メニューの「履歴」から前の中身を選んで戻してな。",
    "中身が別物", kNoticeStyle};

}  // namespace sorel::app
