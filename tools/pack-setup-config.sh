#!/usr/bin/env bash
# Packs the setup project and the root-directory list into the 7z archive
# that Uninstall.exe carries as its "SETUPCONFIG" resource.
#
#   pack-setup-config.sh 7ZZ OUT_DIR SOURCE...
#
# The sources are UTF-8 text; the archive holds them as UTF-16 LE with a
# byte-order mark and Windows line ends, with a fixed time stamp so that the
# same sources always give the same archive. Writes OUT_DIR/setupconfig.7z.
set -euo pipefail

sevenzip=${1:?usage: pack-setup-config.sh 7ZZ OUT_DIR SOURCE...}
out=${2:?usage: pack-setup-config.sh 7ZZ OUT_DIR SOURCE...}
shift 2
[ $# -gt 0 ] || { echo "pack-setup-config: no sources" >&2; exit 2; }

stage="$out/setupconfig.stage"
rm -rf "$stage"
mkdir -p "$stage"
names=()
for source in "$@"; do
  name=$(basename "$source")
  { printf '\xff\xfe'; sed 's/\r*$/\r/' "$source" | iconv -f UTF-8 -t UTF-16LE; } >"$stage/$name"
  touch -d '2026-01-01 00:00:00 UTC' "$stage/$name"
  names+=("$name")
done

archive="$out/setupconfig.7z"
rm -f "$archive.tmp"
(cd "$stage" && "$sevenzip" a -t7z -mx=9 -bso0 -bsp0 "$archive.tmp" "${names[@]}")
# A 7z archive starts with "7z" BC AF 27 1C.
[ "$(head -c 6 "$archive.tmp" | od -An -tx1 | tr -d ' \n')" = "377abcaf271c" ] \
  || { echo "pack-setup-config: $archive.tmp is not a 7z archive" >&2; exit 1; }
mv "$archive.tmp" "$archive"
