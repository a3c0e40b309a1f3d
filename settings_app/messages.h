// The texts, captions and styles of every message box of the settings
// window's list editing. Users know the program by these words; each text is
// kept exactly, full-width spaces and trailing spaces included.
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

// A dropped path longer than the drop buffer holds.
constexpr Message kPathTooLongMessage = {
    "スンマヘン！　そのファイルの　場所が　長すぎまんねん！！\r\n\r\n"
    "もうちょっと　短い場所に　置いてから　指定してんか！",
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

}  // namespace sorel::app
