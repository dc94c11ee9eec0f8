#!/usr/bin/env bash
# Prepares Wine for a Windows build folder and keeps one Wine server running for its tests.
# Sourced:
#   source scripts/wine-env.sh
#   wine_env_start BUILD     prefix BUILD/wine-prefix (made once), Korean locale, server up
#   ...                      ctest in BUILD
#   wine_env_stop            stops that server by its pid
# Without a lasting server every program start costs seconds for the server's start-up.

wine_env_start() {
  local build
  build=$(cd "$1" && pwd)
  # The operators' Windows is Korean: code page 949 is the ANSI code page under this locale.
  if ! locale -a 2>/dev/null | grep -qix 'ko_KR.utf8'; then
    localedef -i ko_KR -f UTF-8 ko_KR.UTF-8
  fi
  export LANG=ko_KR.UTF-8
  export WINEPREFIX="$build/wine-prefix"
  export WINEDEBUG=-all
  # No Mono or Gecko installer prompts: nothing here needs them.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win64
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-env: making the Wine prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    # Unmanaged windows: destroying a managed one waits about 2 s for the window manager.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w
  fi
  wineserver -f -p >/dev/null 2>&1 &
  WINE_ENV_SERVER=$!
  # Programs started before the server listens would start a server of their own.
  local tries=0
  until wine_env_listening || ((tries++ > 100)); do sleep 0.1; done
  # Wine's background programs start with the session's first program; here, so that they
  # hold none of the test runner's descriptors.
  wineboot >/dev/null 2>&1 </dev/null
}

# The server's socket lies in server-DEV-INODE (of the prefix, in hex) under a folder of
# /tmp whose name Wine chooses.
wine_env_listening() {
  local dir
  dir=$(printf 'server-%s-%x' "$(stat -c %D "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
  compgen -G "/tmp/*wine*/$dir/socket" >/dev/null
}

# Ends the prefix's Wine programs with the server (on a plain SIGTERM the server goes but
# Wine's device services stay behind), then makes sure of the server by its pid.
wine_env_stop() {
  if [ -n "${WINE_ENV_SERVER:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
    kill "$WINE_ENV_SERVER" 2>/dev/null || true
    wait "$WINE_ENV_SERVER" 2>/dev/null || true
    WINE_ENV_SERVER=""
  fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  echo "wine-env.sh is sourced: source scripts/wine-env.sh; wine_env_start BUILD" >&2
  exit 2
fi
