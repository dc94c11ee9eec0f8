#!/usr/bin/env bash
# The native reference-service host of the Windows test suites (a CTest fixture): the tests
# under Wine read its control address from CONTROL_FILE and start their services through it.
#   songsvc-host.sh start PROGRAM CONTROL_FILE   starts it; returns once it listens
#   songsvc-host.sh stop CONTROL_FILE            stops it by its pid
set -euo pipefail

case ${1:-} in
start)
  program=$2
  file=$3
  if [ ! -x "$program" ]; then
    echo "songsvc-host.sh: no native $program (build the Linux tree first)" >&2
    exit 1
  fi
  rm -f "$file"
  work="$file.work"
  mkdir -p "$work"
  # Its own session and no inherited output, so CTest does not wait for it.
  setsid "$program" --control-file "$file" --work "$work" >"$work/host.log" 2>&1 </dev/null &
  pid=$!
  echo "$pid" >"$file.pid"
  # The file appears once the host listens (the first start also makes the certificates).
  for ((i = 0; i < 600; i++)); do
    [ -f "$file" ] && exit 0
    if ! kill -0 "$pid" 2>/dev/null; then
      cat "$work/host.log" >&2
      exit 1
    fi
    sleep 0.1
  done
  echo "songsvc-host.sh: the host did not start within 60 s" >&2
  exit 1
  ;;
stop)
  file=$2
  if [ -f "$file.pid" ]; then
    kill "$(cat "$file.pid")" 2>/dev/null || true
    rm -f "$file.pid"
  fi
  ;;
*)
  echo "usage: songsvc-host.sh start PROGRAM CONTROL_FILE | stop CONTROL_FILE" >&2
  exit 2
  ;;
esac
