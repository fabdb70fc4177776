#!/usr/bin/env bash
# The tests of the Windows build under Wine (called by scripts/windows.sh once build-win/ is built):
# the Qt Test suites that need no X server run offscreen against the embedded SQLite default; the
# process checks start the real programs of build-win/bin/ on a virtual X screen through Wine's own
# display driver. One Wine prefix (build-win/wine/) is made afresh per run and shared by every check.
#   scripts/windows-tests.sh [--no-suites]   (--no-suites: the process checks only)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build-win
tree=$out/build
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
qt=$out/toolchain/qt6-mingw
work=$(mktemp -d /tmp/vek-wine.XXXXXX)
failed=()
passes=0

say() {
  printf '[windows] %s\n' "$*"
  case "$*" in passed:*) passes=$((passes + 1)) ;; esac
}
shots=$out/wine-screens # the screen at each failed process check
fail() {
  say "FAIL: $*"
  failed+=("$*")
  [ -n "${DISPLAY:-}" ] && mkdir -p "$shots" && import -display "$DISPLAY" -window root "$shots/failure-${#failed[@]}.png" 2>/dev/null || true
}
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

export WINEPREFIX=$out/wine WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8
unset WINEPATH QT_PLUGIN_PATH
xvfb_pid=
cleanup() {
  "$wineserver" -k 2>/dev/null || true # ends what this run started in its own prefix
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

started=$SECONDS
# The virtual screen is there from the start: Wine's desktop process, started with the prefix, keeps
# the display driver it found for every program of the run (the suites run offscreen all the same).
# Xvfb picks a free display itself and names it, so that no other X server on the machine is taken.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { say "Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -1 "$work/display")
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
say "virtual screen $DISPLAY"
say "making the Wine prefix"
rm -rf "$WINEPREFIX"
"$wine" wineboot -i >/dev/null 2>&1
"$wineserver" -w
say "prefix ready in $((SECONDS - started)) s"

# --- the Qt Test suites ---------------------------------------------------------------------------
# The test programs run from build-win/tests/, beside the DLLs and plugins they load (with the
# offscreen platform, which a workstation does not need).
tests=$out/tests
rm -rf "$tests" "$shots"
mkdir -p "$tests"
cp -r "$out/bin/." "$tests/"
rm -f "$tests/P_vekclient.exe" "$tests/p_vekupd.exe" "$tests/FIND.AVI"
cp "$qt/plugins/platforms/"*.dll "$tests/platforms/"
cp "$qt/bin/Qt6Test.dll" "$tests/"
cp "$tree/tests/"*.exe "$tree/bin/vek_mkdb.exe" "$tests/"

# Suites that cannot run here, and why.
declare -A notRun=(
  [tst_xsession]="starts its own X servers and X11 clients: X11 only"
  [tst_plant]="network namespaces and X servers of the host"
  [tst_registry]="the registry file stand-in is not built for Windows"
  [tst_updater]="POSIX file-size limits, /proc and X11 process tests; the updater's process checks follow"
  [tst_login]="each case sets up its own registry file; on Windows the registry is the live one, shared by the cases (the login's registry values are a process check below)"
  [tst_startup]="starts the build tree's programs by their POSIX names and reads their Unix exit signals; the start-up's process checks follow"
  [tst_upgradeprompt]="starts the client of the build tree by its POSIX name"
  [tst_updaterkeys]="sets up the updater's address in its test world's registry file; on Windows the registry is the live one, which other programs of the run write"
  [tst_odbc]="the SQLite ODBC driver is the host's (unixODBC) and opens host paths, not a test world's Windows paths; ODBC through Wine is a process check below"
)
# Test functions left out of a suite that runs, and why.
declare -A leftOut=(
  [tst_mainwindow]="showRequestFromAnotherProgram" # the show request travels over a Unix socket
  [tst_sendpage]="datagramsToEachWorkstation"       # binds 127.0.0.2, an address Windows does not have
  # The loopback buffer fills under 20,000 datagrams faster than Wine's socket layer drains it, so the
  # flood's last datagram, sent once, may be lost before the client sees it.
  # The same holds for the bursts and floods of show datagrams whose last one must arrive.
  [tst_receiving]="floodOfRandomBytes burstKeepsTheNewestInOrder floodLeavesTheEventLoopResponsive"
  # handoverWithoutUpdater expects the updater's path with '/' in the box; craftedHeaders feeds the ELF
  # reader, which Windows builds do not have (their version comes from the VERSIONINFO resource).
  [tst_version]="handoverWithoutUpdater craftedHeaders"
)
suites=()
[ "${1:-}" = --no-suites ] && say "the Qt Test suites are left out (--no-suites)" || for exe in "$tests"/tst_*.exe; do
  name=$(basename "$exe" .exe)
  [ -n "${notRun[$name]:-}" ] && continue
  suites+=("$name")
done
((${#suites[@]})) && for name in "${!notRun[@]}"; do say "not run under Wine: $name (${notRun[$name]})"; done
for name in "${suites[@]+"${suites[@]}"}"; do
  t0=$SECONDS
  # Wine hands the host's QT_* variables to Windows programs only in their WINEQT_* form. Programs
  # the suites start from the build tree find the DLLs and plugins of build-win/tests/.
  suite() {
    (cd "$tests" && WINEQT_QPA_PLATFORM=offscreen WINEQT_LOGGING_RULES='qt.qpa.*=false' \
      WINEPATH="$(winpath "$tests")" WINEQT_PLUGIN_PATH="$(winpath "$tests")" timeout 600 "$wine" "$name.exe" "$@")
  }
  functions=()
  if [ -n "${leftOut[$name]:-}" ]; then
    say "left out of $name: ${leftOut[$name]}"
    mapfile -t functions < <(suite -functions 2>/dev/null | tr -d '\r' | sed -n 's/()$//p' | grep -vxF -f <(tr ' ' '\n' <<<"${leftOut[$name]}"))
  fi
  if suite -o "$(winpath "$work/$name.log"),txt" "${functions[@]+"${functions[@]}"}" >"$work/$name.out" 2>&1; then
    say "passed: $name ($((SECONDS - t0)) s)"
  else
    fail "$name ($((SECONDS - t0)) s)"
    grep -E '^(FAIL!|   Loc:|QFATAL|Totals)' "$work/$name.log" 2>/dev/null | head -20 || tail -20 "$work/$name.log" "$work/$name.out"
  fi
done

# --- process checks with the real programs --------------------------------------------------------

station=$work/station # the workstation's folder: a copy of build-win/bin with the programs' test builds,
cp -r "$out/bin" "$station" # whose message boxes go to the log named below and are answered at once
cp "$tree/tests/bin/P_vekclient.exe" "$tree/tests/bin/p_vekupd.exe" "$station/"
db=$work/db
(cd "$tests" && "$wine" vek_mkdb.exe --demo "$(winpath "$db")" >/dev/null) || fail "vek_mkdb --demo"
port=$((23000 + RANDOM % 2000))
cat >"$work/vekora.ini" <<INI
[databases]
vek=sqlite:db/vek.sqlite
ServiceCenter=sqlite:db/ServiceCenter.sqlite
hr=sqlite:db/hr.sqlite
equip=sqlite:db/equip.sqlite
[plant]
server=sqlite:$(winpath "$db/vek.sqlite")
[updater]
odbc=DRIVER={SQLite3};Database={ip}
[network]
port=$port
INI
boxes=$work/boxes.log
# The message boxes of both programs are answered by their first button and written to one file.
export VEKORA_CONFIG=$(winpath "$work/vekora.ini") VEKORA_MESSAGE_LOG=$(winpath "$boxes")
: >"$boxes"

# Runs a program of the workstation's folder in the background, from the working folder.
start() {
  (cd "$work" && exec "$wine" "$station/$1" >>"$work/programs.log" 2>&1) &
  disown
}
# Clicks the updater's "升级(&Y)": in the bottom bar, 44 pixels high, at x 212..287.
clickUpgrade() {
  local HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$1" | grep '^HEIGHT=')"
  xdotool mousemove --window "$1" 250 $((HEIGHT - 44 + 23)) click 1
}
window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
waitWindow() { # <title regex> <seconds>
  local w
  for _ in $(seq $(($2 * 5))); do w=$(window "$1"); [ -n "$w" ] && { echo "$w"; return 0; }; sleep 0.2; done
  return 1
}
waitBox() { # <text> <seconds>
  for _ in $(seq $(($2 * 5))); do grep -qF "$1" "$boxes" && return 0; sleep 0.2; done
  return 1
}
regValue() { "$wine" reg query 'HKLM\software\VEK' /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n { print $3 }'; }
probe() { (cd "$tests" && "$wine" vek_winprobe.exe "$@" | tr -d '\r'); }

# The file version from the version resource.
v=$(probe getfilever "$(winpath "$out/bin/P_vekclient.exe")")
[ "$v" = 2.1.2.7 ] && say "passed: getfilever P_vekclient.exe = $v" || fail "getfilever gave '$v', not 2.1.2.7"

# The datagram reader's rules with code page 936: 1024 bytes, a character cut at the limit dropped.
hex=$(printf 'show|c|h|%s' "$(head -c 1013 /dev/zero | tr '\0' x)" | xxd -p | tr -d '\n')b0a1b0a1
want=$(printf 'show|c|h|%s啊' "$(head -c 1013 /dev/zero | tr '\0' x)" | xxd -p | tr -d '\n')
[ "$(probe gbk "$hex")" = "$want" ] && say "passed: GBK datagram cut at 1024 bytes" || fail "GBK datagram text at the limit"
# Bytes that are not GBK become U+FFFD, as on Linux: "show|" 0xFF "A", and a lone lead byte at the end.
got="$(probe gbk 73686f777cff41) $(probe gbk 73686f777cb0)"
[ "$got" = "73686f777cefbfbd41 73686f777cefbfbd" ] && say "passed: bytes that are not GBK become U+FFFD" || fail "GBK replacement: $got"

# One client per desktop: the second is refused with the box and exit code 0.
start P_vekclient.exe
login=$(waitWindow '^登陆$' 60) || fail "the first client's login dialog did not appear"
set +e
(cd "$work" && timeout 60 "$wine" "$station/P_vekclient.exe" >>"$work/programs.log" 2>&1)
rc=$?
set -e
if [ $rc -eq 0 ] && grep -qF $'提示\t48\t程序已经运行，请在托盘中打开！' "$boxes"; then
  say "passed: a second client is refused (exit code 0)"
else
  fail "second client: exit code $rc, boxes: $(cat "$boxes")"
fi

# A login with "记住密码" writes sfzddl, yhm, kl and ip into the registry, and the Run value.
if [ -n "$login" ]; then
  xdotool mousemove --window "$login" 212 181 click 1 # 记住密码
  xdotool mousemove --window "$login" 280 97 click 1  # 用户名
  xdotool type --delay 30 KPTA2; xdotool key Return
  xdotool type --delay 30 8888; xdotool key Return
  for _ in $(seq 100); do [ -n "$(regValue ip)" ] && break; sleep 0.2; done
  got="$(regValue sfzddl) $(regValue yhm) $(regValue kl) $(regValue ip)"
  want="0x1 KPTA2 8888 sqlite:$(winpath "$db/vek.sqlite")"
  [ "$got" = "$want" ] && say "passed: login written to the registry ($got)" || fail "registry after login: '$got', not '$want'"
  run=$("$wine" reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run' /v Vekora 2>/dev/null | tr -d '\r' | awk '$1 == "Vekora" { $1 = ""; $2 = ""; sub(/^ +/, ""); print }')
  [ "$run" = "$(winpath "$station/P_vekclient.exe")" ] && say "passed: Run value Vekora = $run" || fail "Run value Vekora: '$run'"

  # A notice datagram in GBK pops up with its caption.
  sleep 2
  printf 'show|测试通知|消息|正文' | iconv -t GBK | socat - "UDP:127.0.0.1:$port"
  waitWindow '^测试通知$' 20 >/dev/null && say "passed: a GBK datagram pops up" || fail "no pop-up for a GBK datagram"
fi
"$wine" taskkill /f /im P_vekclient.exe >/dev/null 2>&1 || true
"$wineserver" -w 2>/dev/null || true

# The upgrade: the database announces 2.1.2.8 and stores a client that says so; the login at the old
# client hands over to p_vekupd.exe, which writes the stored client over P_vekclient.exe and starts it.
newer=$work/P_vekclient-2.1.2.8.exe
python3 - "$station/P_vekclient.exe" "$newer" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], 'rb').read())
at = data.find(struct.pack('<I', 0xFEEF04BD))  # VS_FIXEDFILEINFO
assert at > 0, "no version resource"
ms, ls = struct.unpack_from('<II', data, at + 8)
assert (ms, ls) == ((2 << 16) | 1, (2 << 16) | 7), (hex(ms), hex(ls))
struct.pack_into('<II', data, at + 8, ms, (2 << 16) | 8)
open(sys.argv[2], 'wb').write(data)
PY
sqlite3 "$db/vek.sqlite" "update tbl_sys set kl='2.1.2.8' where yhm='softvercheck'; delete from tbl_soft;
  insert into tbl_soft (yhts, diff, soft) values ('发现新版本 2.1.2.8', '', readfile('$newer'));"
: >"$boxes"
start P_vekclient.exe
if login=$(waitWindow '^登陆$' 60); then
  # The remembered login fills both boxes: Enter twice logs in.
  xdotool mousemove --window "$login" 280 97 click 1
  xdotool key Return; xdotool key Return
  if updater=$(waitWindow '^软件升级$' 60); then
    # The old client ends after the hand-over; Windows replaces no program file that is running.
    for _ in $(seq 150); do pgrep -f "$station/P_vekclient.exe" >/dev/null || break; sleep 0.2; done
    pgrep -f "$station/P_vekclient.exe" >/dev/null && fail "the old client still runs after the hand-over"
    sleep 1
    clickUpgrade "$updater"
    if waitBox '升级成功!' 60 && cmp -s "$newer" "$station/P_vekclient.exe"; then
      v=$(probe getfilever "$(winpath "$station/P_vekclient.exe")")
      [ "$v" = 2.1.2.8 ] && say "passed: the updater wrote the stored client ($v)" || fail "version after the upgrade: '$v'"
      waitWindow '^登陆$' 60 >/dev/null && say "passed: the new client started" || fail "the new client did not start"
    else
      fail "the upgrade: boxes: $(cat "$boxes")"
    fi
  else
    fail "the updater did not come up; boxes: $(cat "$boxes")"
  fi
else
  fail "the client did not start for the upgrade"
fi
"$wine" taskkill /f /im P_vekclient.exe >/dev/null 2>&1 || true
"$wine" taskkill /f /im p_vekupd.exe >/dev/null 2>&1 || true
"$wineserver" -w 2>/dev/null || true

# ODBC through Wine's odbc32 to the host's unixODBC and its SQLite driver: the updater connects with
# its template ({SQLite3}, the database's host path as the address) and upgrades once more.
cp "$tree/tests/bin/P_vekclient.exe" "$station/P_vekclient.exe"
"$wine" reg add 'HKLM\software\VEK' /v ip /t REG_SZ /d "$db/vek.sqlite" /f >/dev/null
: >"$boxes"
start p_vekupd.exe
if updater=$(waitWindow '^软件升级$' 60); then
  sleep 1
  if grep -qF '连接服务器IP地址错误' "$boxes"; then
    fail "ODBC under Wine: the updater could not connect through {SQLite3}"
  else
    clickUpgrade "$updater"
    waitBox '升级成功!' 60 && cmp -s "$newer" "$station/P_vekclient.exe" &&
      say "passed: the updater read the stored client through Wine's ODBC" || fail "upgrade through ODBC: $(cat "$boxes")"
  fi
else
  fail "the updater did not come up for ODBC"
fi
"$wine" taskkill /f /im P_vekclient.exe >/dev/null 2>&1 || true
"$wine" taskkill /f /im p_vekupd.exe >/dev/null 2>&1 || true
"$wineserver" -w 2>/dev/null || true

# The end of the session: WM_QUERYENDSESSION is answered yes, and at WM_ENDSESSION the teardown runs
# before the answer (wineboot --end-session sends both to every top-level window).
flag=$work/session
(cd "$tests" && exec "$wine" vek_winprobe.exe sessionend "$(winpath "$flag")" >/dev/null 2>&1) &
disown
for _ in $(seq 150); do [ "$(cat "$flag" 2>/dev/null)" = ready ] && break; sleep 0.2; done
"$wine" wineboot --end-session >/dev/null 2>&1 || true
for _ in $(seq 100); do [ "$(cat "$flag" 2>/dev/null)" = ended ] && break; sleep 0.2; done
[ "$(cat "$flag" 2>/dev/null)" = ended ] && say "passed: the session's end runs the teardown" || fail "session end: '$(cat "$flag" 2>/dev/null)'"

say "Windows checks took $((SECONDS - started)) s"
((${#failed[@]})) && say "failed: ${failed[*]}"
echo "windows: $passes passed, ${#failed[@]} failed"
((${#failed[@]} == 0))
