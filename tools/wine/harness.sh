#!/usr/bin/env bash
# The Wine test harness: a private prefix per build tree, an Xvfb display and
# a persistent wineserver, and the wrapper that runs Windows programs there.
#
#   harness.sh prefix BUILD          make the prefix (once; reused afterwards)
#   harness.sh start BUILD           start Xvfb and the wineserver, detached
#   harness.sh stop BUILD            stop them
#   harness.sh env BUILD             print the environment as shell exports
#   harness.sh run BUILD EXE [ARGS]  copy EXE's folder into the prefix and run EXE
#   harness.sh wine BUILD ARGS       run wine with the harness environment
#
# The prefix never reaches the Linux file system: its Z: drive is removed and
# the profile folders that Wine links to $HOME are replaced by real folders.
set -euo pipefail
shopt -s inherit_errexit

cmd=${1:?usage: harness.sh prefix|start|stop|env|run|wine BUILD ...}
build=$(cd "${2:?usage: harness.sh $cmd BUILD ...}" && pwd)
shift 2

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root="$build/wine"
session="$root/session"
export WINEPREFIX="$root/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The stamp changes whenever this script does, so a changed recipe makes a
# fresh prefix.
stamp="$WINEPREFIX/.vorud-ready-$(cksum <"${BASH_SOURCE[0]}" | cut -d' ' -f1)"

mkdir -p "$session"

alive() { [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null; }

display_of_session() {
  local pid
  pid=$(cat "$session/xvfb.pid" 2>/dev/null || true)
  if alive "$pid" && [ -f "$session/display" ]; then
    cat "$session/display"
  fi
}

# ------------------------------------------------------------------- prefix
registry_file() {
  # Multi-string value data as regedit's hex(7) form.
  local link
  link=$( { printf 'wqy-microhei.ttc,WenQuanYi Micro Hei\0\0'; } | iconv -f UTF-8 -t UTF-16LE \
          | od -An -v -tx1 | tr -s ' \n' ' ' | sed 's/^ //; s/ $//; s/ /,/g')
  cat <<EOF
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]
"微软雅黑"="WenQuanYi Micro Hei"
"Microsoft YaHei"="WenQuanYi Micro Hei"
"Microsoft YaHei UI"="WenQuanYi Micro Hei"
"宋体"="WenQuanYi Micro Hei"
"SimSun"="WenQuanYi Micro Hei"
"新細明體"="WenQuanYi Micro Hei"
"PMingLiU"="WenQuanYi Micro Hei"

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]
"Tahoma"=hex(7):$link
"Microsoft Sans Serif"=hex(7):$link
"MS Shell Dlg"=hex(7):$link
"MS Shell Dlg 2"=hex(7):$link
EOF
}

# A failed step of making the prefix: said, and after the third try the end,
# with the tail of Wine's log.
prefix_failed() {
  echo "harness: $1" >&2
  if [ "$2" -ge 3 ]; then
    tail -n 30 "$root/wineboot.log" >&2 || true
    exit 1
  fi
  sleep 1
}

make_prefix() {
  [ -f "$stamp" ] && return 0
  exec 8>"$root/.prefix.lock"
  flock 8
  if [ -f "$stamp" ]; then
    exec 8>&-
    return 0
  fi

  echo "harness: making the Wine prefix in $WINEPREFIX" >&2
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  : >"$root/wineboot.log"
  local try
  for try in 1 2 3; do
    wine wineboot -i </dev/null >>"$root/wineboot.log" 2>&1 7>&- 8>&- || true
    wineserver -w || true
    [ -f "$WINEPREFIX/system.reg" ] && [ -d "$WINEPREFIX/drive_c/windows" ] && break
    prefix_failed "wineboot did not make the prefix (try $try)" "$try"
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
  done

  # No drive but C: — in particular no Z: onto the Linux root.
  local d
  for d in "$WINEPREFIX"/dosdevices/?:; do
    [ "$(basename "$d")" = "c:" ] && continue
    rm -f "$d"
  done
  # Real folders instead of every link into the Linux file system.
  local link
  while IFS= read -r -d '' link; do
    case "$(readlink -f "$link" 2>/dev/null || true)" in
      "$WINEPREFIX"/*) ;;
      *) rm -f "$link"; mkdir -p "$link" ;;
    esac
  done < <(find "$WINEPREFIX/drive_c" -type l -print0)
  if find "$WINEPREFIX/drive_c" -type l | grep -q .; then
    echo "harness: links remain in the prefix:" >&2
    find "$WINEPREFIX/drive_c" -type l >&2
  fi

  # Fonts: Wine's own and a CJK face the UI's Chinese fonts map to.
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp -f /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  cp -f /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true

  { printf '\xff\xfe'; registry_file | sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE; } \
    >"$WINEPREFIX/drive_c/vorud-harness.reg"
  for try in 1 2 3; do
    local code=0
    wine regedit /S 'C:\vorud-harness.reg' </dev/null >>"$root/wineboot.log" 2>&1 7>&- 8>&- || code=$?
    wineserver -w || true
    [ "$code" = 0 ] && break
    prefix_failed "regedit returned $code (try $try)" "$try"
  done
  rm -f "$WINEPREFIX/drive_c/vorud-harness.reg"

  rm -f "$WINEPREFIX"/.vorud-ready-*
  touch "$stamp"
  exec 8>&-
}

# ------------------------------------------------------------------ session
start_session() {
  exec 7>"$root/.session.lock"
  flock 7
  local display
  display=$(display_of_session)
  if [ -z "$display" ]; then
    local n
    for n in $(seq 90 190); do
      [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
    done
    display=":$n"
    setsid bash -c 'Xvfb "$1" -screen 0 1280x1024x24 -nolisten tcp -ac </dev/null >/dev/null 2>&1 & echo $! >"$2"' \
      _ "$display" "$session/xvfb.pid" </dev/null >/dev/null 2>&1 7>&- 8>&-
    local i
    for i in $(seq 1 100); do
      [ -e "/tmp/.X11-unix/X${display#:}" ] && break
      sleep 0.1
    done
    if [ ! -e "/tmp/.X11-unix/X${display#:}" ]; then
      echo "harness: Xvfb did not start on $display" >&2
      exit 1
    fi
    echo "$display" >"$session/display"
  fi
  export DISPLAY="$display"
  make_prefix
  # A persistent wineserver and Wine's own background processes, started
  # detached so that nothing inherits the caller's pipes.
  setsid wineserver -p </dev/null >/dev/null 2>&1 7>&- 8>&- || true
  setsid wine wineboot </dev/null >/dev/null 2>&1 7>&- 8>&- || true
  exec 7>&-
}

stop_session() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  local pid
  pid=$(cat "$session/xvfb.pid" 2>/dev/null || true)
  if alive "$pid"; then
    kill "$pid" 2>/dev/null || true
  fi
  rm -f "$session/xvfb.pid" "$session/display"
}

# The prefix's wineserver listens on a socket in a folder named after the
# prefix folder's device and inode (under /tmp/.wine-UID or /tmp/wine-XXXXXX).
wineserver_running() {
  local dev ino
  read -r dev ino < <(stat -c '%d %i' "$WINEPREFIX" 2>/dev/null) || return 1
  find /tmp -maxdepth 3 -type s -path "*/server-$(printf '%x' "$dev")-$(printf '%x' "$ino")/socket" \
    2>/dev/null | grep -q .
}

ensure_session() {
  local display
  display=$(display_of_session)
  if [ -z "$display" ] || [ ! -f "$stamp" ] || ! wineserver_running; then
    start_session >&2
    display=$(display_of_session)
  fi
  export DISPLAY="$display"
}

# ---------------------------------------------------------------------- run
run_program() {
  local exe=${1:?harness.sh run BUILD EXE [ARGS]}
  shift
  exe=$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")
  ensure_session
  # The program runs from a copy of its folder inside the prefix, so it sees
  # only Windows paths on C:.
  local stage="$WINEPREFIX/drive_c/vorud/$(basename "$(dirname "$exe")")"
  (
    flock 6
    mkdir -p "$stage"
    cp -u -p -r "$(dirname "$exe")/." "$stage/"
  ) 6>"$root/.stage.lock"
  cd "$stage"
  exec wine "C:\\vorud\\$(basename "$(dirname "$exe")")\\$(basename "$exe")" "$@"
}

case "$cmd" in
  prefix) export DISPLAY=${DISPLAY:-$(display_of_session)}; make_prefix ;;
  start) start_session ;;
  stop) stop_session ;;
  env)
    ensure_session
    for v in WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES DISPLAY; do
      printf 'export %s=%q\n' "$v" "${!v}"
    done ;;
  run) run_program "$@" ;;
  wine) ensure_session; cd "$WINEPREFIX/drive_c"; exec wine "$@" ;;
  *) echo "harness: unknown command $cmd" >&2; exit 2 ;;
esac
