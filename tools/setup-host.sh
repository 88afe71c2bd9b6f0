#!/usr/bin/env bash
# Installs the host packages the build and the Wine test harness need.
# Idempotent: only packages that are missing are installed.
set -euo pipefail

packages=(
  wine wine64 fonts-wine fonts-wqy-microhei
  xvfb xauth xdotool imagemagick
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  gcc-mingw-w64-x86-64-posix gcc-mingw-w64-i686-posix
  cmake ninja-build osslsigncode dpkg-dev googletest
  nodejs npm openssl perl make flock file procps
)

missing=()
for p in "${packages[@]}"; do
  case "$p" in
    # npm ships inside the nodejs package on some machines; flock lives in util-linux
    npm) command -v npm >/dev/null 2>&1 && continue ;;
    nodejs) command -v node >/dev/null 2>&1 && continue ;;
    flock) command -v flock >/dev/null 2>&1 && continue; p=util-linux ;;
  esac
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
