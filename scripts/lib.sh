# shellcheck shell=bash
# Shared by the scripts in this folder; sourced, not run.

repo_root() { cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd; }

# How many compile or test jobs to run at once.
build_jobs() { nproc 2>/dev/null || echo 2; }

# Starts a private Xvfb that picks its own free display, exports DISPLAY and
# the software-rendering variables, and arranges for it to stop on exit.
start_xvfb() {
  XVFB_DIR=$(mktemp -d)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$XVFB_DIR/dpy" >"$XVFB_DIR/log" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 1 100); do
    [ -s "$XVFB_DIR/dpy" ] && break
    sleep 0.1
  done
  if [ ! -s "$XVFB_DIR/dpy" ]; then
    echo "Xvfb did not start:" >&2
    cat "$XVFB_DIR/log" >&2
    return 1
  fi
  DISPLAY=":$(head -n1 "$XVFB_DIR/dpy")"
  export DISPLAY
  export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe
  # No shader disk cache: its writer threads grow with the machine's load,
  # which upsets the tests that count a process's threads, and parallel test
  # processes would share one cache folder.
  export MESA_SHADER_CACHE_DISABLE=true
  trap stop_xvfb EXIT
}

stop_xvfb() {
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
  [ -n "${XVFB_DIR:-}" ] && rm -rf "$XVFB_DIR"
  XVFB_PID=
  return 0
}

# Creates a fresh 64-bit Wine prefix under a temporary folder for the
# Windows leg (DISPLAY must already point at our Xvfb). stop_wine ends its
# server and deletes it; stop_all runs on exit.
start_wine() {
  WINE_DIR=$(mktemp -d)
  export WINEPREFIX="$WINE_DIR/prefix" WINEARCH=win64 WINEDEBUG=-all
  export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d'
  # Output redirected: Wine's background services must not inherit our pipes.
  # The server stays up for the whole run (-p), which needs the prefix folder.
  mkdir -p "$WINEPREFIX"
  wineserver -p >/dev/null 2>&1 </dev/null
  wineboot -i >/dev/null 2>&1 </dev/null
  trap stop_all EXIT
}

stop_wine() {
  if [ -n "${WINE_DIR:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    rm -rf "$WINE_DIR"
    WINE_DIR=
  fi
  return 0
}

stop_all() {
  stop_wine
  stop_xvfb
}
