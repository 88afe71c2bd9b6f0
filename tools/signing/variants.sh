#!/usr/bin/env bash
# Makes differently-signed copies of a PE file for the signature tests.
#
#   tools/signing/variants.sh FILE OUTDIR CERTDIR
#
# With FILE named NAME.EXT, OUTDIR receives:
#   NAME.unsigned.EXT   no signature
#   NAME.publisher.EXT  signed with the self-signed publisher certificate
#   NAME.other.EXT      signed by a certificate in another company's name
#   NAME.expired.EXT    publisher name, certificate expired (issued by the test CA)
#   NAME.testca.EXT     publisher name, issued by the test CA
#   NAME.tampered.EXT   signed with the publisher certificate, then one byte changed
#   testca.cer          the test CA (DER), for tests that trust it
# CERTDIR is the folder tools/signing/certs.sh made.
set -euo pipefail
file=$1 out=$2 certs=$3
here=$(cd "$(dirname "$0")" && pwd)

mkdir -p "$out"
base=$(basename "$file")
name=${base%.*}
ext=${base##*.}

unsigned="$out/$name.unsigned.$ext"
if ! osslsigncode remove-signature -in "$file" -out "$unsigned.tmp" >/dev/null 2>&1; then
  cp -f "$file" "$unsigned.tmp"
fi
mv -f "$unsigned.tmp" "$unsigned"

variant() { # suffix cert key
  cp -f "$unsigned" "$out/$name.$1.$ext"
  bash "$here/sign.sh" "$out/$name.$1.$ext" "$2" "$3"
}
variant publisher "$certs/publisher.pem" "$certs/publisher.key"
variant other "$certs/other.pem" "$certs/other.key"
variant expired "$certs/expired.pem" "$certs/expired.key"
variant testca "$certs/testca-leaf.pem" "$certs/testca-leaf.key"

# Tampered: one byte of the DOS stub's message changes after signing; the
# stub lies inside the signed digest, so the digest no longer matches.
tampered="$out/$name.tampered.$ext"
variant tampered "$certs/publisher.pem" "$certs/publisher.key"
offset=$(grep -obUa 'This program cannot' "$tampered" | head -n 1 | cut -d: -f1)
if [ -z "$offset" ]; then
  echo "variants: no DOS stub in $file" >&2
  exit 1
fi
printf 't' | dd of="$tampered" bs=1 seek="$offset" conv=notrunc status=none

cp -f "$certs/testca.cer" "$out/testca.cer"
