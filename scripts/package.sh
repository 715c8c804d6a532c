#!/bin/sh
# Builds the Debian package dist/quibblix_VERSION_ARCH.deb, first installing what is missing.
# A Release build for /usr with Debian's hardening flags, the program in /usr/games, made into a
# package by CPack (packaging/packaging.cmake). Install it with: apt install ./dist/quibblix_*.deb
#
#   scripts/package.sh [--no-setup] [--build-dir DIR] [--output DIR]
#
# --no-setup installs nothing; the build goes to build-package/ and the package to dist/ unless
# told otherwise. The path of the package is the last line printed.
set -eu
cd "$(dirname "$0")/.."

setup=yes
build="build-package"
output=dist
while [ $# -gt 0 ]; do
  case $1 in
    --no-setup) setup=no ;;
    --build-dir) [ $# -ge 2 ] || { echo "package.sh: --build-dir needs a directory" >&2; exit 2; }
      build=$2; shift ;;
    --output) [ $# -ge 2 ] || { echo "package.sh: --output needs a directory" >&2; exit 2; }
      output=$2; shift ;;
    *) echo "usage: scripts/package.sh [--no-setup] [--build-dir DIR] [--output DIR]" >&2
      exit 2 ;;
  esac
  shift
done
[ "$setup" = no ] || scripts/setup.sh

# Debian's compiler and linker flags with every hardening feature; CMake takes no CPPFLAGS, so the
# preprocessor's (_FORTIFY_SOURCE) go with the compiler's.
DEB_BUILD_MAINT_OPTIONS=hardening=+all
export DEB_BUILD_MAINT_OPTIONS
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS) -Wl,--as-needed"
cmake --preset package -B "$build" -DCMAKE_CXX_FLAGS="$cxxflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build"

# A package left from an earlier version would be mistaken for this one.
rm -f "$build"/quibblix_*.deb
(cd "$build" && cpack -G DEB)
set -- "$build"/quibblix_*.deb
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "package.sh: cpack made no single package" >&2
  exit 1
fi
mkdir -p "$output"
cp "$1" "$output"/
echo "$output/$(basename "$1")"
