#!/usr/bin/env bash
# Installs the Debian 12 packages the build, tests, benchmarks and fuzzers need,
# but only those that are missing, so a second run costs nothing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang libclang-rt-14-dev
  libsdl2-dev zlib1g-dev libminizip-dev libmikmod-dev libpng-dev libdeflate-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libpixman-1-dev libphysfs-dev
  python3 zip
  libjpeg62-turbo-dev libjpeg-turbo-progs mate-backgrounds desktop-file-utils appstream imagemagick
  libfreetype-dev xfonts-base fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "setup: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
