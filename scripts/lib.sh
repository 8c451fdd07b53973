# Shared by the scripts in this folder; sourced, not run.

repo_root() { cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd; }

jobs() { nproc 2>/dev/null || echo 2; }

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
  export DISPLAY=":$(head -n1 "$XVFB_DIR/dpy")"
  export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe
  trap stop_xvfb EXIT
}

stop_xvfb() {
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
  [ -n "${XVFB_DIR:-}" ] && rm -rf "$XVFB_DIR"
  XVFB_PID=
  return 0
}
