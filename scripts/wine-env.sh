# Sourced by the run and test scripts: a Wine prefix of our own, a display, and a persistent
# wineserver, so Wine's background services do not hold on to the callers' output pipes.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# Wine names Unix files in the locale's character set: without UTF-8 only ASCII names can be made.
export LC_ALL=C.UTF-8

started_xvfb=""
start_display() {
  if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    local number
    for number in $(seq 90 120); do
      [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] || break
    done
    Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    started_xvfb=$!
    export DISPLAY=":$number"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  fi
}

start_wine() {
  mkdir -p "$WINEPREFIX"
  wineserver -p600 </dev/null >/dev/null 2>&1 || true
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

stop_wine_and_display() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  if [ -n "$started_xvfb" ]; then kill "$started_xvfb" 2>/dev/null || true; fi
}
