#!/bin/sh
# Builds the Debian package dist/quibblix_VERSION_ARCH.deb from debian/ with dpkg-buildpackage,
# first installing what is missing. Install it with: apt install ./dist/quibblix_*.deb
#
#   scripts/package.sh [--no-setup] [--no-check] [--build-dir DIR] [--output DIR]
#
# The source as checked out (committed or not, without what git ignores) is copied into the
# build directory, build-package/ unless told otherwise, and built there, so the checkout stays
# clean. dist/ (or --output) receives the source package (.dsc and .tar.xz), the binary packages,
# the .buildinfo and the .changes. --no-check leaves the tests out of the build; --no-setup
# installs nothing. The path of the package is the last line printed.
#
# With CMAKE_CXX_COMPILER_LAUNCHER=ccache in the environment the compiler goes through ccache,
# with the cache of the account that runs this (debhelper gives the build a home of its own).
set -eu
cd "$(dirname "$0")/.."

setup=yes
check=yes
build="build-package"
output=dist
while [ $# -gt 0 ]; do
  case $1 in
    --no-setup) setup=no ;;
    --no-check) check=no ;;
    --build-dir) [ $# -ge 2 ] || { echo "package.sh: --build-dir needs a directory" >&2; exit 2; }
      build=$2; shift ;;
    --output) [ $# -ge 2 ] || { echo "package.sh: --output needs a directory" >&2; exit 2; }
      output=$2; shift ;;
    *) echo "usage: scripts/package.sh [--no-setup] [--no-check] [--build-dir DIR] [--output DIR]" >&2
      exit 2 ;;
  esac
  shift
done
[ "$setup" = no ] || scripts/setup.sh

version=$(dpkg-parsechangelog --show-field Version)
arch=$(dpkg --print-architecture)
source="$build/quibblix-$version"

# A fresh copy of the source: what an earlier build left in it would be packaged too.
rm -rf "$source"
mkdir -p "$source"
if [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$(pwd -P)" ]; then
  git ls-files --cached --others --exclude-standard |
    while IFS= read -r f; do if [ -e "$f" ]; then printf '%s\n' "$f"; fi; done |
    tar --create --file=- --verbatim-files-from --files-from=- |
    tar --extract --file=- --directory="$source"
else
  tar --create --file=- --exclude='./build*' --exclude=./dist --exclude=./.git . |
    tar --extract --file=- --directory="$source"
fi
rm -f "$build"/quibblix_"$version"* "$build"/quibblix-dbgsym_"$version"*

if [ "$check" = no ]; then
  DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:+$DEB_BUILD_OPTIONS }nocheck"
  DEB_BUILD_PROFILES="${DEB_BUILD_PROFILES:+$DEB_BUILD_PROFILES }nocheck"
  export DEB_BUILD_OPTIONS DEB_BUILD_PROFILES
fi
if [ "${CMAKE_CXX_COMPILER_LAUNCHER:-}" = ccache ] && [ -z "${CCACHE_DIR:-}" ]; then
  CCACHE_DIR=$(ccache --get-config cache_dir)
  export CCACHE_DIR
fi
(cd "$source" && dpkg-buildpackage -us -uc -Jauto)

deb="$build/quibblix_${version}_$arch.deb"
if [ ! -f "$deb" ]; then
  echo "package.sh: dpkg-buildpackage made no $deb" >&2
  exit 1
fi
mkdir -p "$output"
rm -f "$output"/quibblix_"$version"* "$output"/quibblix-dbgsym_"$version"*
cp "$build"/quibblix_"$version"* "$output"/
cp "$build"/quibblix-dbgsym_"$version"* "$output"/ 2>/dev/null || true
echo "$output/$(basename "$deb")"
