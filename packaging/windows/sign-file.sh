#!/usr/bin/env bash
# Signs one Windows program in place with osslsigncode (Authenticode, SHA-256). Called by
# scripts/build-windows.sh for orvik.exe and by makensis for the uninstaller and the setup.
#   ORVIK_SIGN_PFX=cert.pfx [ORVIK_SIGN_PASS_FILE=file] [ORVIK_SIGN_TIMESTAMP=url] \
#     bash packaging/windows/sign-file.sh FILE.exe
set -euo pipefail
file=${1:?usage: sign-file.sh FILE}
: "${ORVIK_SIGN_PFX:?sign-file.sh: ORVIK_SIGN_PFX names the certificate (.pfx)}"
args=(sign -pkcs12 "$ORVIK_SIGN_PFX" -h sha256 -n Orvik)
# The password is read from a file, never given on a command line that others can see.
[ -n "${ORVIK_SIGN_PASS_FILE:-}" ] && args+=(-readpass "$ORVIK_SIGN_PASS_FILE")
[ -n "${ORVIK_SIGN_TIMESTAMP:-}" ] && args+=(-t "$ORVIK_SIGN_TIMESTAMP")
rm -f "$file.signed"
if ! osslsigncode "${args[@]}" -in "$file" -out "$file.signed" >"$file.sign.log" 2>&1; then
  cat "$file.sign.log" >&2
  rm -f "$file.signed" "$file.sign.log"
  echo "sign-file.sh: could not sign $file" >&2
  exit 1
fi
rm -f "$file.sign.log"
mv -f "$file.signed" "$file"
