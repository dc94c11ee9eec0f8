#!/usr/bin/env bash
# Xvfb on a free display, for the demo, the end-to-end tests and the screenshot scripts.
# Sourced:
#   source scripts/lib/xvfb.sh
#   xvfb_start DIR    starts it (its messages in DIR/xvfb.err), exports DISPLAY and sets
#                     XVFB_PID; returns 1, with Xvfb's messages, when it did not start
#   ...               the caller stops it by XVFB_PID (kill -TERM "$XVFB_PID")

xvfb_start() {
  local dir=$1 number=""
  command -v Xvfb >/dev/null || { echo "Xvfb is not installed" >&2; return 1; }
  mkdir -p "$dir"
  # Xvfb chooses the number and writes it to the descriptor given, once it accepts clients;
  # reading it through a pipe waits for exactly that (or for Xvfb's end).
  rm -f "$dir/xvfb.fifo"
  mkfifo "$dir/xvfb.fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/xvfb.fifo" 2>"$dir/xvfb.err" &
  XVFB_PID=$!
  read -r -t 30 number <"$dir/xvfb.fifo" || true
  rm -f "$dir/xvfb.fifo"
  if [[ ! $number =~ ^[0-9]+$ ]]; then
    echo "Xvfb did not start:" >&2
    cat "$dir/xvfb.err" >&2
    kill -TERM "$XVFB_PID" 2>/dev/null || true
    return 1
  fi
  DISPLAY=":$number"
  export DISPLAY
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  echo "xvfb.sh is sourced: source scripts/lib/xvfb.sh; xvfb_start DIR" >&2
  exit 2
fi
