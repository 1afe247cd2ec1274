# shellcheck shell=bash
# Wine environment for Tavrune's end-to-end tests. Source it, then:
#
#   tavrune_display_start BUILD_DIR        X display (Xvfb + openbox) unless
#                                          $DISPLAY already works; exports DISPLAY
#   tavrune_wine_prefix BUILD_DIR SC_EXE   win32 prefix in BUILD_DIR/wineprefix,
#                                          with SC_EXE installed as sc.exe; exports
#                                          WINEPREFIX WINEARCH WINEDEBUG
#                                          WINEDLLOVERRIDES
#   tavrune_wine PROGRAM [ARG...]          runs a Windows program in that prefix
#                                          (UTF-8 arguments, stdin closed)
#   tavrune_wine_set_dpi DPI               screen DPI for programs started after it;
#                                          96 is Windows' default and undoes a change
#   tavrune_wine_win_path UNIX_PATH        prints the Z:\... name of a Unix file
#   tavrune_wine_unix_path WIN_PATH        prints the Unix file behind C:\... or Z:\...
#   tavrune_wine_reg_export KEY            prints KEY and its subkeys as UTF-8 .reg
#   tavrune_wine_stop                      ends the prefix's wineserver and programs
#   tavrune_display_stop                   ends the Xvfb/openbox started here
#
# Call the start/prefix functions directly, not in $(...), so their exports
# reach the script. They add one cleanup (Wine first, then the display) to
# the shell's EXIT trap, keeping any trap already set; a later plain
# "trap ... EXIT" in the script replaces it.
# Everything is quiet unless it fails; failures go to stderr with a non-zero
# return. Nothing here reads stdin, so it runs the same in CI.
#
# The prefix is kept between runs (the first build takes ~15 s, later calls
# ~0.01 s), and so are the service start types tests change in it: put them
# back, or delete BUILD_DIR/wineprefix for a new one.
#
# For the sc stand-in (see sc_standin.cpp), export before running Tavrune:
#   TAVRUNE_SC_LOG         Windows path of its log, e.g. "$(tavrune_wine_win_path
#                          "$BUILD_DIR/sc.log")"; default C:\tavrune-sc.log
#   TAVRUNE_SC_TIMEOUT_MS  how long it waits for the service manager (20000)
# Wine hands both to Windows programs, through cmd.exe too.

# Bump when the one-time prefix setup changes, so old prefixes are rebuilt.
_TAVRUNE_PREFIX_VERSION=2

# Keys Tavrune's UI asks for by name, all pointed at a font that has Chinese
# glyphs. Tahoma is what Wine's message boxes and dialog fallbacks use.
_TAVRUNE_CJK_FACE='WenQuanYi Zen Hei'
_TAVRUNE_SUBSTITUTED_FACES=('MS Shell Dlg' 'MS Shell Dlg 2' 'SimSun' '宋体' 'NSimSun' '新宋体' 'Tahoma')

_tavrune_err() { echo "tavrune env: $*" >&2; }

# Wine goes first: its programs would complain about a display vanishing.
_tavrune_cleanup() {
    tavrune_wine_stop
    tavrune_display_stop
}

# Appends a command to the EXIT trap instead of replacing the caller's.
_tavrune_on_exit() {
    local command=$1 current=
    # trap -p prints a quoted "trap -- CMD EXIT"; let the shell unquote it.
    local listed
    listed=$(trap -p EXIT)
    if [ -n "$listed" ]; then
        eval "set -- $listed"
        current=$3
    fi
    case ";$current;" in *";$command;"*) return 0 ;; esac
    # shellcheck disable=SC2064
    trap "${current:+$current;}$command" EXIT
}

# Wine and its tools, quiet, with text in UTF-8 whatever the caller's locale,
# so CJK names survive the trip between Unix and Windows argument strings.
tavrune_wine() {
    LC_ALL=C.UTF-8 wine "$@" </dev/null
}

# Windows name of a Unix file: Z: is the root of the Unix file system.
tavrune_wine_win_path() {
    local unix
    unix=$(realpath -m "$1") || return 1
    printf 'Z:%s\n' "${unix//\//\\}"
}

# Prints a registry key (with subkeys) as UTF-8 .reg text, CJK names intact.
tavrune_wine_reg_export() {
    local tmp
    tmp=$(mktemp "${TMPDIR:-/tmp}/tavrune-reg.XXXXXX") || return 1
    if tavrune_wine reg export "$1" "$(tavrune_wine_win_path "$tmp")" /y >/dev/null 2>&1; then
        iconv -f UTF-16 -t UTF-8 "$tmp" | tr -d '\r'
        rm -f "$tmp"
        return 0
    fi
    rm -f "$tmp"
    return 1
}

tavrune_wine_unix_path() {
    local win=$1 drive rest
    drive=$(printf '%s' "${win:0:1}" | tr '[:upper:]' '[:lower:]')
    rest=${win:2}
    rest=${rest//\\//}
    printf '%s\n' "$WINEPREFIX/dosdevices/$drive:$rest"
}

# ---------------------------------------------------------------- display

_tavrune_display_works() {
    [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

tavrune_display_start() {
    local build_dir=${1:?usage: tavrune_display_start BUILD_DIR}
    if _tavrune_display_works; then
        return 0
    fi
    mkdir -p "$build_dir/x11" || return 1

    local n tries
    for ((n = 90, tries = 0; tries < 20; n++, tries++)); do
        # A lock file or socket means the number is taken (maybe by a dead
        # server; skipping it is cheaper than deciding).
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset \
            >"$build_dir/x11/xvfb.log" 2>&1 </dev/null &
        _TAVRUNE_XVFB_PID=$!
        local i
        for ((i = 0; i < 100; i++)); do
            if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
                break
            fi
            kill -0 "$_TAVRUNE_XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
            export DISPLAY=":$n"
            break
        fi
        # Lost a race for this number, or Xvfb failed: try the next one.
        kill "$_TAVRUNE_XVFB_PID" 2>/dev/null
        wait "$_TAVRUNE_XVFB_PID" 2>/dev/null
        _TAVRUNE_XVFB_PID=
    done
    if [ -z "${_TAVRUNE_XVFB_PID:-}" ]; then
        _tavrune_err "could not start Xvfb (see $build_dir/x11/xvfb.log)"
        return 1
    fi
    _tavrune_on_exit _tavrune_cleanup

    # openbox keeps its cache and session files under the build dir, not $HOME.
    XDG_CACHE_HOME="$build_dir/x11" XDG_CONFIG_HOME="$build_dir/x11" \
        openbox --sm-disable >"$build_dir/x11/openbox.log" 2>&1 </dev/null &
    _TAVRUNE_OPENBOX_PID=$!
    # Windows mapped before the window manager runs get no frame; wait for it.
    for ((i = 0; i < 100; i++)); do
        if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
            return 0
        fi
        kill -0 "$_TAVRUNE_OPENBOX_PID" 2>/dev/null || break
        sleep 0.1
    done
    _tavrune_err "openbox did not start (see $build_dir/x11/openbox.log)"
    return 1
}

tavrune_display_stop() {
    local pid
    for pid in "${_TAVRUNE_OPENBOX_PID:-}" "${_TAVRUNE_XVFB_PID:-}"; do
        [ -n "$pid" ] || continue
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    _TAVRUNE_OPENBOX_PID=
    _TAVRUNE_XVFB_PID=
    return 0
}

# ---------------------------------------------------------------- prefix

# One-time setup of a new prefix: fonts and the sc.exe load order.
_tavrune_prefix_setup() {
    local reg="$WINEPREFIX/tavrune-setup.reg" face
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
        for face in "${_TAVRUNE_SUBSTITUTED_FACES[@]}"; do
            printf '"%s"="%s"\r\n' "$face" "$_TAVRUNE_CJK_FACE"
        done
        # FontSubstitutes alone does not move "MS Shell Dlg" (the message
        # font of a new prefix): Wine resolves it through its own
        # replacements first, to a font without Chinese glyphs.
        printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        for face in "${_TAVRUNE_SUBSTITUTED_FACES[@]}"; do
            printf '"%s"="%s"\r\n' "$face" "$_TAVRUNE_CJK_FACE"
        done
        # Without this Wine keeps running its builtin sc.exe (which has no
        # "config" verb) even after the file in system32 is replaced.
        printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]\r\n'
        printf '"sc.exe"="native"\r\n'
        # No desktop entries or icons written to the host for test programs.
        printf '"winemenubuilder.exe"=""\r\n\r\n'
    } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg" || return 1
    # regedit reads UTF-16 .reg files as is, so the CJK key needs no code page.
    tavrune_wine regedit /S "$reg" >/dev/null 2>&1 || return 1

    # reg query prints names through the console code page (宋体 comes out
    # as "??"), so read the key back as a UTF-16 export instead.
    local out
    out=$(tavrune_wine_reg_export \
        'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes') || return 1
    for face in "${_TAVRUNE_SUBSTITUTED_FACES[@]}"; do
        if ! grep -qxF "\"$face\"=\"$_TAVRUNE_CJK_FACE\"" <<<"$out"; then
            _tavrune_err "font substitute for '$face' did not land in the registry"
            return 1
        fi
    done
    out=$(tavrune_wine reg query 'HKCU\Software\Wine\DllOverrides' /v sc.exe 2>/dev/null)
    if ! grep -q 'native' <<<"$out"; then
        _tavrune_err "sc.exe load order did not land in the registry"
        return 1
    fi
}

tavrune_wine_prefix() {
    local build_dir=${1:?usage: tavrune_wine_prefix BUILD_DIR SC_STANDIN_EXE}
    local sc_exe=${2:?usage: tavrune_wine_prefix BUILD_DIR SC_STANDIN_EXE}
    if [ ! -f "$sc_exe" ]; then
        _tavrune_err "no sc stand-in at $sc_exe"
        return 1
    fi
    mkdir -p "$build_dir" || return 1
    build_dir=$(cd "$build_dir" && pwd) || return 1

    export WINEPREFIX="$build_dir/wineprefix"
    export WINEARCH=win32
    export WINEDEBUG=-all
    # No Mono/Gecko install prompts (they would wait for a click forever).
    export WINEDLLOVERRIDES='mscoree,mshtml='

    local marker="$WINEPREFIX/.tavrune-prefix-$_TAVRUNE_PREFIX_VERSION"
    if [ ! -f "$marker" ]; then
        # A prefix without the marker is half-made or from an older setup.
        rm -rf "$WINEPREFIX"
        if ! tavrune_wine wineboot -i >"$build_dir/wineboot.log" 2>&1 ||
            ! wineserver -w; then
            _tavrune_err "wineboot failed (see $build_dir/wineboot.log)"
            return 1
        fi
        if ! _tavrune_prefix_setup; then
            wineserver -k >/dev/null 2>&1
            return 1
        fi
        wineserver -w
        touch "$marker"
    fi
    _TAVRUNE_WINE_STARTED=$WINEPREFIX
    _tavrune_on_exit _tavrune_cleanup

    # Every time: cheap, and a rebuilt stand-in is picked up.
    cp -f "$sc_exe" "$WINEPREFIX/drive_c/windows/system32/sc.exe"
}

tavrune_wine_stop() {
    # Only a prefix set up here: a caller's own WINEPREFIX is left alone.
    [ -n "${_TAVRUNE_WINE_STARTED:-}" ] || return 0
    WINEPREFIX=$_TAVRUNE_WINE_STARTED wineserver -k >/dev/null 2>&1
    _TAVRUNE_WINE_STARTED=
    return 0
}

# ---------------------------------------------------------------- DPI

# Wine 8 takes the system DPI from HKCU\Control Panel\Desktop\LogPixels and,
# when that is absent, from the hardware profile's Software\Fonts\LogPixels
# (which a new prefix sets to 96). Both are written so they never disagree.
# Each process reads it once at start, so only programs started afterwards
# see the new value. Restore with: tavrune_wine_set_dpi 96
tavrune_wine_set_dpi() {
    local dpi=${1:?usage: tavrune_wine_set_dpi DPI}
    if ! [[ $dpi =~ ^[0-9]+$ ]] || ((dpi < 48 || dpi > 480)); then
        _tavrune_err "DPI must be a number from 48 to 480, not '$dpi'"
        return 1
    fi
    tavrune_wine reg add 'HKCU\Control Panel\Desktop' \
        /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 &&
        tavrune_wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
            /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 || {
        _tavrune_err "could not set LogPixels"
        return 1
    }
}
