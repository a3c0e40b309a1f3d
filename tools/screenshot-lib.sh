# Sourced by the scripts that photograph the settings window under Wine on a
# virtual display. There is no window manager there: Wine draws the frames
# itself, and a picture is the screen cropped to the windows wanted.

# shot_prepare OUT DPI HELPER...: builds Sorel.exe and the helper programs,
# and makes a fresh prefix at DPI (144 makes the caption, the menu bar and the
# scroll bars half as tall again, as a 150 % display does). Sets out, bin and
# drive_c.
shot_prepare() {
    out=$1
    local dpi=$2
    shift 2
    tools/install-deps.sh
    cmake --preset windows-x64 >/dev/null
    cmake --build --preset windows-x64 --target Sorel "$@" >/dev/null
    bin=build/windows-x64/bin
    . tools/wine-env.sh
    sorel_fresh_prefix shot
    sorel_prepare_prefix
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    # Made without a display; its wineserver must be gone before the programs
    # start on the virtual one, or they join a session that has no screen.
    wineserver -w
    drive_c="$WINEPREFIX/drive_c"
    mkdir -p "$(dirname "$out")"
}

# shot_settings LINE...: the settings file, one CR LF line each, in code page 932.
shot_settings() {
    printf '%s\r\n' "$@" | iconv -f UTF-8 -t CP932 > "$drive_c/windows/Varnix.vnx"
}

# shot_place_on_e: drive E: of the prefix holding a place chosen and marked as
# the 控え dialog leaves it. Sets health, the folder of the agent's record.
shot_place_on_e() {
    local usb="$WINEPREFIX/usb" id='{3F2504E0-4F89-11D3-9A0C-0305E82C3301}'
    mkdir -p "$usb/控え/Sorel"
    ln -s "$usb" "$WINEPREFIX/dosdevices/e:"
    printf 'Sorel marker 1\r\nidentity\t%s\r\ncomputer\tPC-01\r\nuser\t花子\r\n' "$id" \
        | iconv -f UTF-8 -t CP932 > "$usb/控え/Sorel/Sorel.id"
    health=$(ls -d "$drive_c"/users/*/AppData/Local | grep -v /Public/ | head -n 1)/Sorel
    mkdir -p "$health"
    printf 'Sorel place 1\r\nfolder\tE:\\控え\r\nidentity\t%s\r\n' "$id" \
        | iconv -f UTF-8 -t CP932 > "$health/place.txt"
}

# shot_take SECONDS TITLES HELPER [ARG...]: starts Sorel.exe and the helper,
# waits, and writes $out: the smallest box around the windows whose titles
# match TITLES (an extended regular expression).
shot_take() {
    export out bin shot_wait=$1 shot_titles=$2
    shift 2
    xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        wine "$bin/Sorel.exe" &
        wine "$bin/$1" "${@:2}"
        sleep "$shot_wait"
        box=$(xwininfo -root -tree | grep -E "\"($shot_titles)\"" | awk "{print \$(NF-1), \$NF}" |
              awk "{split(\$1, s, \"[x+]\"); split(\$2, p, \"+\"); x=p[2]; y=p[3]; r=x+s[1]; b=y+s[2];
                    if (NR==1 || x<X) X=x; if (NR==1 || y<Y) Y=y; if (r>R) R=r; if (b>B) B=b}
                    END {print R-X \"x\" B-Y \"+\" X \"+\" Y}")
        import -window root -crop "$box" +repage "$out"
        wineserver -k || true
    ' _ "$@"
    echo "Wrote $out"
}
