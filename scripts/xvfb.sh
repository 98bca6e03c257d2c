# Sourced by the scripts that need a virtual display.
# xvfb_start WxH [Xvfb options...]: starts Xvfb on a free display, sets
# XVFB_PID and exports DISPLAY. Xvfb's output goes to $XVFB_LOG (default:
# discarded). Returns 1 when the server has not come up within 20 s.
xvfb_start() {
  local size="$1" fifo num=""
  XVFB_PID=""
  shift
  fifo="$(mktemp -u "${TMPDIR:-/tmp}/mg-xvfb.XXXXXX")"
  mkfifo "$fifo" || return 1
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp "$@" 3>"$fifo" >"${XVFB_LOG:-/dev/null}" 2>&1 &
  XVFB_PID=$!
  read -r -t 20 num <"$fifo" || true
  rm -f "$fifo"
  [ -n "$num" ] || return 1
  export DISPLAY=":$num"
}
