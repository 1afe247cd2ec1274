# shellcheck shell=bash
# The Wine environment that Tavrune.exe runs in here: the run command's, and
# so also the end-to-end tests' and the benchmark's. Source it:
#   tavrune_display_start DIR        Xvfb and openbox, unless $DISPLAY works
#   tavrune_wine_prefix DIR SC_EXE   a prefix in DIR/wineprefix (made
#                                    once), with SC_EXE as its sc.exe and
#                                    the window's faces shown in $TAVRUNE_FACE
#   tavrune_wine PROGRAM [ARG...]    runs a Windows program in it
#   tavrune_wine_set_dpi DPI         the prefix's DPI, for programs started afterwards
#   tavrune_win_path UNIX_PATH       the Z:\... name of a Unix file
# Wine and the display started here end with the calling shell.
# Where 32-bit Wine is missing or does not run (Debian 12's fails on some
# machines whose kernel runs Debian 13's), Wine, and so the programs under
# test, are 64-bit (TAVRUNE_WINE_ARCH tells which; set to win64 beforehand,
# it chooses them where both run).

# TAVRUNE_WINE_WHY says why, in words.
_tavrune_asked=${TAVRUNE_WINE_ARCH:-}
TAVRUNE_WINE_ARCH=win64 _TAVRUNE_WINE=/usr/lib/wine/wine64
if [ "$_tavrune_asked" = win64 ]; then
    TAVRUNE_WINE_WHY="the x86_64 build under 64-bit Wine, as TAVRUNE_WINE_ARCH=win64 asks"
elif [ ! -x /usr/lib/wine/wine ]; then
    TAVRUNE_WINE_WHY="the x86_64 build under 64-bit Wine: no 32-bit Wine here (wine32:i386 is not installed)"
elif ! _tavrune_said=$(/usr/lib/wine/wine --version 2>&1); then
    TAVRUNE_WINE_WHY="the x86_64 build under 64-bit Wine: 32-bit Wine does not run here ($(head -n1 <<<"$_tavrune_said"))"
else
    TAVRUNE_WINE_ARCH=win32 _TAVRUNE_WINE=/usr/lib/wine/wine
    TAVRUNE_WINE_WHY="the i686 release itself: 32-bit Wine runs here"
fi
# The font that stands in for SimSun and the dialog fonts: a Song face like
# SimSun itself, whose Chinese glyphs fit in its own line height (those of
# WenQuanYi Zen Hei overflow it, and the list box clipped their tops).
TAVRUNE_FACE=${TAVRUNE_FACE:-AR PL UMing CN}
tavrune_wine() { LC_ALL=C.UTF-8 WINELOADER=$_TAVRUNE_WINE "$_TAVRUNE_WINE" "$@" </dev/null; }
tavrune_win_path() { local p; p=$(realpath -m "$1"); printf 'Z:%s\n' "${p//\//\\}"; }

_tavrune_cleanup() { [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1; kill ${_TAVRUNE_X_PIDS:-} 2>/dev/null; return 0; }

tavrune_display_start() {
    [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 && return 0
    trap _tavrune_cleanup EXIT
    local attempt
    # Seen twice in a hundred runs under load, cause unknown: no window
    # manager on a new display. A second display is made then; what the
    # first one's logs said is shown.
    for attempt in 1 2; do
        # Xvfb picks a free display itself and names it once it takes
        # clients: a display just left by an earlier run may still be
        # shutting down.
        rm -f "$1/display"
        Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1/display" >"$1/xvfb.log" 2>&1 &
        _TAVRUNE_X_PIDS=$!
        for _ in $(seq 600); do [ -s "$1/display" ] && break; sleep 0.1; done
        export DISPLAY=":$(head -n1 "$1/display" 2>/dev/null)"
        # Windows mapped before the window manager runs get no frame.
        XDG_CACHE_HOME="$1" XDG_CONFIG_HOME="$1" openbox --sm-disable >"$1/openbox.log" 2>&1 &
        _TAVRUNE_X_PIDS="$_TAVRUNE_X_PIDS $!"
        for _ in $(seq 600); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0; sleep 0.1; done
        echo "tavrune env: no window manager on $DISPLAY within 60 s; Xvfb and openbox said:" >&2
        tail -n 5 "$1/xvfb.log" "$1/openbox.log" >&2
        kill $_TAVRUNE_X_PIDS 2>/dev/null || true
        wait $_TAVRUNE_X_PIDS 2>/dev/null || true
    done
    return 1
}

tavrune_wine_prefix() {
    # Wine's own errors are kept, the end-to-end tests read one of them;
    # but not Wine 10's for a Vulkan library nothing here needs.
    export WINEPREFIX="$1/wineprefix" WINEARCH=$TAVRUNE_WINE_ARCH WINEDEBUG=fixme-all,err-vulkan WINEDLLOVERRIDES='mscoree,mshtml='
    trap _tavrune_cleanup EXIT
    if [ "$(cat "$WINEPREFIX/.tavrune" 2>/dev/null)" != "4 $TAVRUNE_FACE" ]; then
        rm -rf "$WINEPREFIX"
        tavrune_wine wineboot -i >"$1/wineboot.log" 2>&1 && wineserver -w || { echo "tavrune env: wineboot failed (see $1/wineboot.log)" >&2; return 1; }
        # The faces the window asks for, mapped to $TAVRUNE_FACE:
        # FontSubstitutes, and Wine's own Replacements, which it reads first
        # for "MS Shell Dlg". Wine's builtin sc.exe would win over the file.
        local face reg="$WINEPREFIX/tavrune.reg"
        {
            printf 'Windows Registry Editor Version 5.00\r\n'
            for key in 'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
                'HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements'; do
                printf '\r\n[%s]\r\n' "$key"
                for face in 'MS Shell Dlg' 'MS Shell Dlg 2' SimSun 宋体 Tahoma; do printf '"%s"="%s"\r\n' "$face" "$TAVRUNE_FACE"; done
            done
            printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]\r\n"sc.exe"="native"\r\n"winemenubuilder.exe"=""\r\n'
        } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
        tavrune_wine regedit /S "$reg" && wineserver -w && echo "4 $TAVRUNE_FACE" >"$WINEPREFIX/.tavrune" || return 1
    fi
    cp -f "$2" "$WINEPREFIX/drive_c/windows/system32/sc.exe"
}

# Wine reads the system DPI from both keys, each process once, at its start.
# Wine 10 gives each monitor a DPI of its own, set once per Wine server:
# win32u's add_source (dlls/win32u/sysparams.c) takes it from
# winex11.drv's X11DRV_UpdateDisplayDevices (dlls/winex11.drv/display.c),
# which passes the system DPI of the first process to list the displays;
# write_source_to_registry keeps it as "Dpi" in a volatile key, which every
# later process reads (read_source_from_registry), and monitor_get_dpi
# answers with it. So a window in a session started at 96 dpi stays at 96
# whatever LogPixels says later (a probe saw GetDpiForWindow and
# GetDpiForMonitor 96, GetDpiForSystem 144; the layout at 144 dpi came out
# at 96). Volatile keys end with the server: stopping it lets
# the next process list the displays anew. Wine 8's get_monitor_dpi
# answers the system DPI ("FIXME: use the monitor DPI instead"), and there
# the stop changes nothing.
tavrune_wine_set_dpi() {
    for key in 'HKCU\Control Panel\Desktop' 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
        tavrune_wine reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    done
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w
    # The new session's own services and desktop start now, not beside the
    # first window under test, whose first paint they would delay; the
    # server waits a minute for the next program.
    wineserver -p60
    tavrune_wine wineboot >/dev/null 2>&1
}
