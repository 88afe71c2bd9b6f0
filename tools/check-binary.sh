#!/usr/bin/env bash
# Checks a built Uninstall.exe: machine type, Authenticode signature by the
# publisher, the administrator manifest, the Chinese version block and the
# embedded setup project archive.
#
#   tools/check-binary.sh x64|x86 FILE CERT.pem
set -euo pipefail
arch=$1 file=$2 cert=$3
fail() { echo "check-binary: $file: $*" >&2; exit 1; }

[ -f "$file" ] || fail "missing"
kind=$(file -b "$file")
case "$arch" in
  x86) [[ "$kind" == "PE32 executable (GUI) Intel 80386"* ]] || fail "not a 32-bit GUI program: $kind" ;;
  x64) [[ "$kind" == "PE32+ executable (GUI) x86-64"* ]] || fail "not a 64-bit GUI program: $kind" ;;
  *) fail "unknown architecture $arch" ;;
esac

out=$(osslsigncode verify -in "$file" -CAfile "$cert" 2>&1) || fail "signature does not verify: $out"
echo "$out" | grep -q 'Signature verification: ok' || fail "signature does not verify: $out"
# The signer's subject names the publisher; osslsigncode prints non-ASCII
# bytes escaped as \xHH.
publisher='成都青岚科技有限公司'
escaped=$(printf '%s' "$publisher" | od -An -v -tx1 | tr -d ' \n' | sed 's/\(..\)/\\x\1/g' | tr 'a-f' 'A-F')
if ! echo "$out" | grep -q -F -e "Subject: /CN=$publisher" -e "Subject: /CN=$escaped"; then
  fail "not signed in the publisher's name: $(echo "$out" | grep -i subject | head -n 3)"
fi

grep -aq 'level="requireAdministrator"' "$file" || fail "no administrator manifest"
company=$(printf '成都青岚科技有限公司' | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 | tr -d ' \n')
hex=$(od -An -v -tx1 "$file" | tr -d ' \n')
setupconfig=$(printf 'SETUPCONFIG' | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 | tr -d ' \n')
[[ "$hex" == *"$company"* ]] || fail "the version block lost its Chinese text"
[[ "$hex" == *"$setupconfig"* ]] || fail "no SETUPCONFIG resource"
[[ "$hex" == *377abcaf271c* ]] || fail "no embedded 7z archive"
echo "check-binary: $file ($arch) ok"
