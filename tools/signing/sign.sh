#!/usr/bin/env bash
# Authenticode-signs a PE file in place (SHA-256 file digest, no time stamp:
# no time-stamp server is reachable from the build machines).
#
#   tools/signing/sign.sh FILE CERT.pem KEY.pem
set -euo pipefail
file=$1 cert=$2 key=$3
tmp="$file.signing.$$"
trap 'rm -f "$tmp" "$tmp.u"' EXIT

# A file that carries a signature already is re-signed from scratch.
if osslsigncode remove-signature -in "$file" -out "$tmp.u" >/dev/null 2>&1; then
  src="$tmp.u"
else
  src="$file"
fi
osslsigncode sign -certs "$cert" -key "$key" -h sha256 -in "$src" -out "$tmp" >/dev/null
mv -f "$tmp" "$file"
