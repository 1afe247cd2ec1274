#!/usr/bin/env bash
# Self-test of the Wine test environment: builds the helpers, brings up the
# display and prefix, and checks that a Windows-side "cmd /c  sc ..." reaches
# the sc stand-in, changes the service's start type, and is logged verbatim;
# that the CJK font substitutes and the DPI setting take effect.
#
#   tests/wine/check_env.sh [BUILD_DIR]     (default /tmp/tavrune-wine-check)
#
# Prints one line per check and a table of the service keys Tavrune's presets
# name that exist in the prefix; exits non-zero if any check failed.

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build_dir=${1:-/tmp/tavrune-wine-check}
mkdir -p "$build_dir" && build_dir=$(cd "$build_dir" && pwd) || exit 1

# shellcheck source=env.sh
source "$here/env.sh"

failures=0
pass() { echo "PASS  $*"; }
fail() { echo "FAIL  $*"; failures=$((failures + 1)); }
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f s", b - a }'; }

# ---------------------------------------------------------------- build
CXX=${CXX_WIN32:-i686-w64-mingw32-g++-win32}
build() {
    local name=$1
    shift
    "$CXX" -std=c++17 -static -municode -O2 -Wall -Wextra \
        -o "$build_dir/$name.exe" "$here/$name.cpp" "$@"
}
if build sc_standin && build run_hidden && build gdi_probe -lgdi32; then
    pass "built sc_standin.exe, run_hidden.exe, gdi_probe.exe"
else
    fail "build"
    exit 1
fi

# ---------------------------------------------------------------- setup
t0=$(now)
tavrune_display_start "$build_dir" || { fail "display"; exit 1; }
t1=$(now)
pass "display $DISPLAY usable ($(elapsed "$t0" "$t1"))"

t0=$(now)
tavrune_wine_prefix "$build_dir" "$build_dir/sc_standin.exe" || { fail "prefix"; exit 1; }
t1=$(now)
pass "prefix $WINEPREFIX ready ($(elapsed "$t0" "$t1"))"

cp -f "$build_dir/run_hidden.exe" "$build_dir/gdi_probe.exe" "$WINEPREFIX/drive_c/"

# The log is named by a Windows path; Z: is the whole Unix file system.
log_unix="$build_dir/sc.log"
TAVRUNE_SC_LOG=$(tavrune_wine_win_path "$log_unix")
export TAVRUNE_SC_LOG

run_hidden() { tavrune_wine 'C:\run_hidden.exe' "$@" 2>/dev/null | tr -d '\r'; }

services_key='HKLM\System\CurrentControlSet\Services'
start_value() {
    tavrune_wine reg query "$services_key\\$1" /v Start 2>/dev/null |
        tr -d '\r' | awk '$1 == "Start" { print $3 }'
}

# Exit code run_hidden reported for the exact command line $2 in output $1.
code_for() { awk -F'\t' -v line="$2" '$2 == line { print $1 }' <<<"$1"; }

# ---------------------------------------------------------------- sc
# Spooler exists in every Wine prefix and starts as "demand" (0x3).
# The prefix is kept between runs, so first put it back where a new one starts.
svc=Spooler
run_hidden "cmd /c  sc config $svc start= \"demand\"" >/dev/null
before=$(start_value "$svc")
[ "$before" = 0x3 ] && pass "$svc set to demand" || fail "$svc Start before: '$before'"

rm -f "$log_unix"
line="cmd /c  sc config $svc start= \"disabled\""
t0=$(now)
out=$(run_hidden "$line")
t1=$(now)
rc=$(code_for "$out" "$line")
after=$(start_value "$svc")
if [ "$rc" = 0 ] && [ "$after" = 0x4 ]; then
    pass "$line -> exit 0, Start 0x4 ($(elapsed "$t0" "$t1") incl. wine start-up)"
else
    fail "$line -> exit '$rc', Start '$after'"
fi
if [ "$(cat "$log_unix" 2>/dev/null)" = "sc config $svc start= \"disabled\"" ]; then
    pass "log recorded exactly: $(cat "$log_unix")"
else
    fail "log $log_unix lacks the config record (has: $(cat "$log_unix" 2>/dev/null))"
fi

# A row as Tavrune runs it: all three started together, none waited for.
# Keys may carry trailing spaces; cmd passes them on, argv parsing drops them.
rm -f "$log_unix"
lines=("cmd /c  sc stop $svc " "cmd /c  sc config $svc  start= \"demand\"" "cmd /c  sc start $svc")
out=$(run_hidden "${lines[@]}")
expected=$(printf '%s\n' "sc stop $svc " "sc config $svc  start= \"demand\"" "sc start $svc" | sort)
got=$(sort "$log_unix" 2>/dev/null)
if [ "$got" = "$expected" ]; then
    pass "concurrent row: 3 records, verbatim (trailing/double spaces kept)"
else
    fail "concurrent row log: expected [$expected] got [$got]"
fi
[ "$(start_value "$svc")" = 0x3 ] && pass "$svc back to demand" || fail "$svc not restored"
# Stop of a stopped service (1062) and start racing the config are both fine
# here; only a hang would not be.
for l in "${lines[@]}"; do
    [ "$(code_for "$out" "$l")" = 258 ] && fail "timed out: $l"
done
run_hidden "cmd /c  sc stop $svc" >/dev/null

# Errors real sc also gives: unknown service, empty start type (nothing changed).
out=$(run_hidden 'cmd /c  sc stop Alerter' 'cmd /c  sc config hkmsvc start= ""' \
    "cmd /c  sc config $svc start= \"\"")
rc1=$(code_for "$out" 'cmd /c  sc stop Alerter')
rc2=$(code_for "$out" 'cmd /c  sc config hkmsvc start= ""')
rc3=$(code_for "$out" "cmd /c  sc config $svc start= \"\"")
if [ "$rc1" = 1060 ] && [ "$rc2" = 1639 ] && [ "$rc3" = 1639 ] && [ "$(start_value "$svc")" = 0x3 ]; then
    pass "errors: missing service 1060, empty start type 1639, Start unchanged"
else
    fail "errors: got $rc1 / $rc2 / $rc3, Start $(start_value "$svc")"
fi

# ---------------------------------------------------------------- fonts, DPI
subst=$(tavrune_wine_reg_export 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes')
missing=
for face in "${_TAVRUNE_SUBSTITUTED_FACES[@]}"; do
    grep -qxF "\"$face\"=\"$_TAVRUNE_CJK_FACE\"" <<<"$subst" || missing+=" $face"
done
[ -z "$missing" ] && pass "FontSubstitutes in registry" || fail "FontSubstitutes lacks:$missing"
probe=$(tavrune_wine 'C:\gdi_probe.exe' "${_TAVRUNE_SUBSTITUTED_FACES[@]}" 2>/dev/null | tr -d '\r')
bad=$(grep '^font:' <<<"$probe" | grep -vF "=$_TAVRUNE_CJK_FACE cjk=yes")
if [ -z "$bad" ] && [ "$(grep -c '^font:' <<<"$probe")" = "${#_TAVRUNE_SUBSTITUTED_FACES[@]}" ]; then
    pass "fonts: ${_TAVRUNE_SUBSTITUTED_FACES[*]} -> $_TAVRUNE_CJK_FACE, with CJK glyphs"
else
    fail "fonts: $bad"
fi

tavrune_wine_set_dpi 144
dpi144=$(tavrune_wine 'C:\gdi_probe.exe' 2>/dev/null | tr -d '\r' | sed -n 's/^dpi=//p')
tavrune_wine_set_dpi 96
dpi96=$(tavrune_wine 'C:\gdi_probe.exe' 2>/dev/null | tr -d '\r' | sed -n 's/^dpi=//p')
[ "$dpi144" = 144 ] && [ "$dpi96" = 96 ] && pass "DPI 144 then back to 96" ||
    fail "DPI: got $dpi144 then $dpi96"

# ---------------------------------------------------------------- services
preset_keys='Alerter alg Appmgmt wuauserv BITS ClipSrv EventSystem COMSysApp Browser
CryptSvc Dhcp DcomLaunch TrkWks MSDTC Dnscache ERSvc Eventlog EapHost
FastUserSwitchingCompatibility hkmsvc helpsvc HTTPFilter HidServ ImapiService CiSvc
PolicyAgent dmserver dmadmin Messenger SwpRV NetLogon mnmsrvc Netman NetDDE NetDDEdsdm
NLA xmlprov NtLmSsp ose Sysmonlog PlugPlay WmdmPmSN Spooler ProtectedStorage RSVP
RasAuTo RasMan RDSessMgr RpcSs RpcLocator RemoteRegistry NtmsSvc RemoteAccess seclogon
SamSs wscsvc LanmanServer ShellHWDetection SCardSvr SSDPSRV SENS srservice Schedule
LmHosts TapiSrv Tlntsvr TermService Themes UPS upnphost VSS WebClient AudioSrv
ShareAccess stisvc MSIServer winmgmt WMI W32Time Dot3svc WZCSVC WmiApSrv
lanmanworkstation ZhuDongFangYu'
echo "Service keys present in this prefix (name as stored, Start):"
tavrune_wine reg query "$services_key" /s 2>/dev/null | tr -d '\r' |
    awk -v keys="$preset_keys" '
        BEGIN { n = split(keys, k, /[ \n]+/); for (i = 1; i <= n; i++) want[tolower(k[i])] = k[i] }
        /^HKEY_/ { split($0, p, "\\"); cur = (length(p) == 5) ? p[5] : ""; next }
        cur != "" && $1 == "Start" && (tolower(cur) in want) {
            printf "  %-14s %-14s %s\n", want[tolower(cur)], cur, $3 }'

wineserver -w
echo
if ((failures)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
