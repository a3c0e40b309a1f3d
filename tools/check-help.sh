#!/usr/bin/env bash
# Checks a compiled help file, as tools/build-help.sh makes it:
#
#   tools/check-help.sh FILE.chm
#
# Wine's help viewer cannot show the pages here, so the file is taken apart
# with 7z instead: the container and its language, every page, the table of
# contents and the index, the pages' headings and charset, the links between
# them, and the program's message texts on the message page, all read back
# from code page 932. Prints one line per check and a final "N passed,
# M failed"; exits non-zero when any check failed.
set -uo pipefail
export LC_ALL=C

[ $# -eq 1 ] || { echo "usage: check-help.sh FILE.chm" >&2; exit 2; }
chm=$1

passed=0
failed=0
ok()   { echo "ok   $*"; passed=$((passed + 1)); }
fail() { echo "FAIL $*"; failed=$((failed + 1)); }
check() { local what=$1; shift; if "$@"; then ok "$what"; else fail "$what"; fi; }
finish() { echo "$passed passed, $failed failed"; [ $failed -eq 0 ]; exit; }

# Page, then the heading that its <title> and <h1> must carry, then the name
# of its entry in the table of contents (the same text).
pages=(
    "index.htm|ソレル ヘルプ"
    "overview.htm|ソレルのしくみ"
    "adding.htm|ファイルの追加と解除"
    "hours.htm|時間起動の選び方"
    "restore.htm|データの復元"
    "setup.htm|初期設定とアンインストール"
    "storage.htm|バックアップの置き場所と設定ファイル"
    "agent.htm|Ｓｏｒｅｌ２（タスクトレイの常駐ソフト）"
    "health.htm|バックアップの具合（吹き出しと記録）"
    "place.htm|控え（別のドライブへの二つ目のコピー）"
    "messages.htm|メッセージの意味"
)
contents=Sorel.hhc
index=Sorel.hhk
title="ソレル ヘルプ"

# The texts that the two programs show, each as one line (the line breaks of
# a message box are <br> on the page and are left out here).
messages=(
    'んな！　アホな！　そのファイルは　ショートカットでっせ！！本体のファイルを指定してんか！'
    'んな！　アホな！　そのファイルは　インタネットショートカットでっせ！！そんなん　イランやろ！'
    'スンマヘンな！　それは　フォルダー　でんがな！！ファイルしか　セットできまへん！'
    'バックアップ設定は　最大　｢２０個」でっせ！　'
    'んな！　アホな！　そのファイルは　設定済でっせ！　　'
    '設定完了！何も起きまへんで！明日必ず「バックアップ」するさかいソレルは　終了しても　かめへんで・・！！'
    '実行したいファイルを　選択してから　ボタン押してんか！　'
    '前使用日データ　に入れ替わりまっせ！！復元するソフトは　終了しとかな　あかんで！！'
    '前々使用日データ　に入れ替わりまっせ！今の　前使用日データは　「復元前」に　残すさかい　「履歴」から　戻せまっせ。ＭＯＲＯＫは　終了しとかな　あかんで！！'
    '前々前　使用日データ　に入れ替わりまっせ！今の　前使用日 と　前々　使用日の　データは　「復元前」に　残すさかい　「履歴」から　戻せまっせ。ＭＯＲＯＫは　終了しとかな　あかんで！！'
    'ホンマに　「'
    '　」データで　復元しても　ＯＫでっか？'
    '前使用日データ　復元完了！'
    '前々使用日データ　復元完了！'
    '前々前　使用日データ　復元完了！'
    'バックアップデータが　おまへんで　？バックアップは　パソコン立ち上げ時に　やってまっせ！'
    'バックアップする設定が　おまへん！！そりゃ　でけへんで！'
    'スンマヘン！　ファイルが　使用中で　上書きでけへんかったさかい　復元してまへん！！ファイルは　元のままでっせ。　そのファイルを　使うてるソフトを　終了してから　もう一度　やってんか！'
    'スンマヘン！　そのファイルは　読み取り専用に　なってるさかい　復元してまへん！！ファイルは　元のままでっせ。　エクスプローラーで　ファイルの　プロパティを開いて　「読み取り専用」の　チェックを　外してから　もう一度　やってんか！'
    'ファイルは　復元できたけど　新しい方の　バックアップを　全部は　上書きでけへんかったで！！上書きでけへんかった　バックアップは　前のまま　残ってまっせ。'
    'ソレル　初期設定　完了！！'
    'んな！アホな？　その処理は　できまへんで・・！！ ＳＯＲＥＬ２が　タスクトレイに　常駐してんなら　終了してから　もう一度やで！！'
    'ホンマに　使うの　ヤメでっか？？考え直すは　キャンセルでっせ！！'
    '処理完了！　あとは　ソレルのフォルダを　削除してんか！！'
    '初期設定が　終わってまへん！　ホンマに「終了」で　エエの？？'
    'スンマヘン！　スタートアップ　フォルダーの　場所が　わからへんねん！！初期設定も　ｱﾝｲﾝｽﾄｰﾙも　でけへんさかい　何も　触ってまへん。'
    'スンマヘン！　そのファイルの　場所が　長すぎまんねん！！もうちょっと　短い場所に　置いてから　指定してんか！'
    'スンマヘン！　ネットワークの　ファイルは　バックアップでけへんねん！！Ｃ：みたいな　ドライブの　ファイルを　指定してんか！'
    'スンマヘン！　設定ファイルが　使用中で　読み書きでけへんかったで！！何も　変えてまへん。　ちょっと　待ってから　もう一度　やってんか！'
    'Ｓｏｒｅｌ２を終了しまっか？？'
    'タスクトレイ エラー！'
    'Ｓｏｒｅｌ が見つからへんかったで。Ｓｏｒｅｌ.exe を一回起動しといてな。'
    '大きなデータなら　 シバラク　待ってや！'
)
# The titles of those message boxes.
captions=(
    'バックアップ設定' 'データ設定' 'セレクトエラー'
    'データ復元（ソレル　１）' 'データ復元（ソレル　２）' 'データ復元（ソレル　３）'
    'データ復元確認' 'データ復元' '＜データ復元エラー＞' 'バックアップ設定エラー'
    'はじめに　やること' 'オカシイでんな？' 'アンインストール'
)

# Claims a page once made that the programs do not bear out, each with what
# they do instead. A page that makes one contradicts the product.
refuted=(
    '３文字の拡張子で終わってへん|a dropped file is refused as a folder only when it is one'
    '頭の部分と同じ名前もあきまへん|a duplicate is the whole name, not its beginning'
    'ヘルプは何も出まへん|help without Sorel.chm says where it was looked for'
)

# Every text and title of the settings window's message boxes, read from its
# source, so that a message the program gains or changes cannot be missing
# from the message page. A text whose line breaks are left out, as above.
program_texts=()
program_captions=()
source_messages="$(dirname "$0")/../settings_app/messages.h"
if [ -f "$source_messages" ]; then
    while IFS= read -r entry; do
        case $entry in
            T*) program_texts+=("${entry#T}") ;;
            C*) program_captions+=("${entry#C}") ;;
        esac
    done < <(python3 - "$source_messages" <<'PY'
import re, sys
source = re.sub(r'//[^\n]*', '', open(sys.argv[1], encoding='utf-8').read())
literal = r'"(?:[^"\\]|\\.)*"'
def text(literals):
    return ''.join(re.findall(r'"((?:[^"\\]|\\.)*)"', literals)).replace('\\r\\n', '')
for block in re.finditer(r'constexpr Message \w+(?:\[\d*\])? = \{(.*?)\};', source, re.S):
    for words, caption in re.findall(r'((?:' + literal + r'\s*)+),\s*(' + literal + r')', block.group(1)):
        print('T' + text(words))
        print('C' + text(caption))
for name, words in re.findall(r'constexpr char (\w+)\[\] =\s*((?:' + literal + r'\s*)+);', source):
    print(('C' if name.endswith('Caption') else 'T') + text(words))
PY
    )
fi

# --- The container -------------------------------------------------------

if [ ! -s "$chm" ]; then
    fail "$chm exists and is not empty"
    finish
fi
check "ITSF signature" [ "$(head -c 4 "$chm")" = ITSF ]
lcid=$(od -An -tu4 -j20 -N4 "$chm" 2>/dev/null | tr -d ' ')
check "ITSF header language 0x411 (Japanese), found $(printf '0x%x' "${lcid:-0}")" [ "${lcid:-0}" = 1041 ]

tmp=$(mktemp -d "${TMPDIR:-/tmp}/check-help.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

if ! 7z l -slt "$chm" >"$tmp/list" 2>&1; then
    fail "7z lists the file"
    finish
fi
ok "7z lists the file"
members=$(sed -n 's/^Path = //p' "$tmp/list" | sed 1d)
listed() { grep -qxF -- "$1" <<<"$members"; }

for entry in "${pages[@]}"; do
    page=${entry%%|*}
    check "listed: $page" listed "$page"
done
check "listed: $contents" listed "$contents"
check "listed: $index" listed "$index"

if ! 7z x -y -o"$tmp/x" "$chm" >"$tmp/extract.log" 2>&1; then
    fail "7z extracts the file"
    finish
fi
ok "7z extracts the file"

# Reads a member as UTF-8; fails when it is not valid code page 932.
member() { iconv -f CP932 -t UTF-8 "$tmp/x/$1" 2>/dev/null; }

# #SYSTEM: entries of a 2-byte code, a 2-byte length and the data.
system_entry() {
    local code=$1 bytes pos len c
    bytes=($(od -An -v -tu1 "$tmp/x/#SYSTEM"))
    pos=4
    while [ $((pos + 4)) -le ${#bytes[@]} ]; do
        c=$((bytes[pos] + 256 * bytes[pos + 1]))
        len=$((bytes[pos + 2] + 256 * bytes[pos + 3]))
        if [ "$c" = "$code" ]; then
            printf '%s\n' "${bytes[@]:pos + 4:len}"
            return 0
        fi
        pos=$((pos + 4 + len))
    done
    return 1
}
system_text() {  # entry data up to its NUL, converted from CP932
    local b out=""
    for b in $(system_entry "$1"); do
        [ "$b" = 0 ] && break
        out+=$(printf "\\$(printf '%03o' "$b")")
    done
    printf '%s' "$out" | iconv -f CP932 -t UTF-8 2>/dev/null
}
if [ -f "$tmp/x/#SYSTEM" ]; then
    sys_lcid=$(system_entry 4 | head -2 | tr '\n' ' ')
    check "#SYSTEM language 0x411" [ "$sys_lcid" = "17 4 " ]
    check "#SYSTEM title is \"$title\" in code page 932" [ "$(system_text 3)" = "$title" ]
    check "#SYSTEM contents file is $contents" [ "$(system_text 0)" = "$contents" ]
    check "#SYSTEM default topic is index.htm" [ "$(system_text 2)" = index.htm ]
else
    fail "#SYSTEM present"
fi

# --- The pages -----------------------------------------------------------

for entry in "${pages[@]}"; do
    page=${entry%%|*}
    heading=${entry#*|}
    if ! text=$(member "$page"); then
        fail "$page: reads as code page 932"
        continue
    fi
    check "$page: heading \"$heading\"" \
        eval '[[ $text == *"<title>$heading</title>"* && $text == *"<h1>$heading</h1>"* ]]'
    check "$page: declares charset=Shift_JIS" \
        eval '[[ $text == *"charset=Shift_JIS"* && $text != *"charset=UTF-8"* ]]'
    # Local links: the file must be in the CHM, an anchor on its page.
    bad=""
    while read -r href; do
        [ -n "$href" ] || continue
        case $href in *:*) continue ;; esac
        target=${href%%#*}
        anchor=""
        [ "$target" = "$href" ] || anchor=${href#*#}
        [ -n "$target" ] || target=$page
        if ! listed "$target"; then
            bad+=" $href"
        elif [ -n "$anchor" ] && ! grep -qE "name=\"$anchor\"" "$tmp/x/$target"; then
            bad+=" $href"
        fi
    done < <(grep -oE '(href|src)="[^"]*"' <<<"$text" | sed -E 's/^(href|src)="//; s/"$//')
    check "$page: every link leads to a page or anchor in the file${bad:+ (broken:$bad)}" [ -z "$bad" ]
done

# --- Table of contents and index -----------------------------------------

if toc=$(member "$contents"); then
    ok "$contents reads as code page 932"
    for entry in "${pages[@]}"; do
        page=${entry%%|*}
        heading=${entry#*|}
        check "$contents: \"$heading\" leads to $page" eval \
            'grep -A1 -F "<param name=\"Name\" value=\"$heading\">" <<<"$toc" | grep -qF "<param name=\"Local\" value=\"$page\">"'
    done
else
    fail "$contents reads as code page 932"
fi

if keywords=$(member "$index"); then
    ok "$index reads as code page 932"
    count=$(grep -c '<param name="Name"' <<<"$keywords")
    check "$index: has keywords ($count)" [ "$count" -gt 0 ]
    bad=""
    for target in $(sed -n 's/.*<param name="Local" value="\([^"]*\)">.*/\1/p' <<<"$keywords" | sort -u); do
        listed "$target" || bad+=" $target"
    done
    check "$index: every keyword leads to a page in the file${bad:+ (missing:$bad)}" [ -z "$bad" ]
else
    fail "$index reads as code page 932"
fi

# --- The message page ----------------------------------------------------

if text=$(member messages.htm); then
    flat=${text//<br>/}
    for msg in "${messages[@]}"; do
        check "messages.htm shows 「$msg」" eval '[[ $flat == *"$msg"* ]]'
    done
    for cap in "${captions[@]}"; do
        check "messages.htm names the title 「$cap」" eval '[[ $flat == *"タイトル：$cap　"* ]]'
    done
    check "the window's message texts read from its source (${#program_texts[@]})" \
        [ ${#program_texts[@]} -gt 20 ]
    for msg in "${program_texts[@]}"; do
        check "messages.htm shows the window's 「$msg」" eval '[[ $flat == *"$msg"* ]]'
    done
    for cap in "${program_captions[@]}"; do
        check "messages.htm names the window's title 「$cap」" eval '[[ $flat == *"タイトル：$cap　"* ]]'
    done
fi

for entry in "${pages[@]}"; do
    page=${entry%%|*}
    text=$(member "$page") || continue
    for claim in "${refuted[@]}"; do
        words=${claim%%|*}
        check "$page does not claim 「$words」 (${claim#*|})" eval '[[ $text != *"$words"* ]]'
    done
done

finish
