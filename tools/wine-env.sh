# Sourced by the scripts that run the programs under Wine. Sets up the
# environment and, when needed, a Wine prefix with a Japanese system locale.
#   WINEPREFIX   the prefix to use; a fresh one is made when it does not exist
export LC_ALL=ja_JP.UTF-8   # the ANSI code page 932; LANG alone is not enough
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}   # no Mono or Gecko prompts

# A prefix of its own for one script, in /tmp/sorel-NAME.*, removed with its
# wineserver when the script ends.
sorel_fresh_prefix() {
    WINEPREFIX=$(mktemp -d "/tmp/sorel-$1.XXXXXX")
    export WINEPREFIX
    trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
}

sorel_prepare_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1
        # A crash must end the process, not wait for someone to close a dialog.
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
            >/dev/null 2>&1
        # The notice's face ships with Office, not with Windows or Debian; a
        # Japanese Windows without it falls back to a proportional Gothic.
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'HGS創英角ﾎﾟｯﾌﾟ体' /t REG_SZ \
            /d 'IPAPGothic' /f >/dev/null 2>&1
        # The virtual display has no window manager, and Wine waits two
        # seconds for one each time it hides a managed window. Unmanaged
        # windows look the same there and close at once.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
            >/dev/null 2>&1
    fi
    # The title bar's buttons are drawn with Marlett, from Debian's fonts-wine.
    # Debian's Wine does not look in that package's folder, so the prefix gets
    # its own copy; without it the buttons read "0 1 r".
    local marlett=/usr/share/wine/fonts/marlett.ttf
    if [ -f "$marlett" ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
        mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
        cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
}
