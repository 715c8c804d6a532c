#!/bin/sh
# Checks that the Debian package is reproducible: builds one commit twice with dpkg-buildpackage,
# each time from a fresh copy of the commit in a directory of its own (different paths, one
# build after the other), with SOURCE_DATE_EPOCH taken from that commit's debian/changelog and a
# different time zone, locale and umask, and compares the two .deb files byte for byte.
#
#   scripts/reproducible.sh [--no-setup] [--work-dir DIR] [COMMIT]
#
# COMMIT is HEAD unless named; the builds go to build-reproducible/ unless told otherwise. The
# tests are left out of both builds (they change nothing in the package). Exits 0 when the
# packages are identical, 1 when they differ, naming the files inside that do.
set -eu
cd "$(dirname "$0")/.."

setup=yes
work=build-reproducible
commit=HEAD
while [ $# -gt 0 ]; do
  case $1 in
    --no-setup) setup=no ;;
    --work-dir) [ $# -ge 2 ] || { echo "reproducible.sh: --work-dir needs a directory" >&2; exit 2; }
      work=$2; shift ;;
    -*) echo "usage: scripts/reproducible.sh [--no-setup] [--work-dir DIR] [COMMIT]" >&2; exit 2 ;;
    *) commit=$1 ;;
  esac
  shift
done
[ "$setup" = no ] || scripts/setup.sh

commit=$(git rev-parse --verify "$commit^{commit}")
mkdir -p "$work"
work=$(cd "$work" && pwd -P)
arch=$(dpkg --print-architecture)
SOURCE_DATE_EPOCH=$(git show "$commit:debian/changelog" | dpkg-parsechangelog -l - -S Timestamp)
version=$(git show "$commit:debian/changelog" | dpkg-parsechangelog -l - -S Version)
export SOURCE_DATE_EPOCH
DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:+$DEB_BUILD_OPTIONS }nocheck"
DEB_BUILD_PROFILES="${DEB_BUILD_PROFILES:+$DEB_BUILD_PROFILES }nocheck"
export DEB_BUILD_OPTIONS DEB_BUILD_PROFILES
if [ "${CMAKE_CXX_COMPILER_LAUNCHER:-}" = ccache ] && [ -z "${CCACHE_DIR:-}" ]; then
  CCACHE_DIR=$(ccache --get-config cache_dir)
  export CCACHE_DIR
fi

# build DIR TZ LOCALE UMASK: a fresh copy of the commit in DIR/quibblix, built there.
build() {
  rm -rf "$1"
  mkdir -p "$1/quibblix"
  git archive --format=tar "$commit" | tar --extract --file=- --directory="$1/quibblix"
  echo "reproducible.sh: building $commit in $1 (TZ=$2 LC_ALL=$3 umask $4) from $(date -u +%T)"
  (cd "$1/quibblix" && umask "$4" && TZ=$2 LC_ALL=$3 dpkg-buildpackage -us -uc -Jauto) \
    >"$1.log" 2>&1 || { echo "reproducible.sh: the build failed, see $1.log" >&2; exit 1; }
}
first=$work/first
second=$work/second/a/longer/path
build "$first" UTC C.UTF-8 022
build "$second" Pacific/Kiritimati C 002

deb=quibblix_${version}_$arch.deb
if cmp -s "$first/$deb" "$second/$deb"; then
  sum=$(sha256sum "$first/$deb" | cut -d' ' -f1)
  echo "reproducible.sh: both builds gave the same $deb (sha256 $sum)"
  exit 0
fi
echo "reproducible.sh: the two builds of $deb differ:" >&2
for dir in "$first" "$second"; do
  mkdir -p "$dir.unpacked"
  dpkg-deb --raw-extract "$dir/$deb" "$dir.unpacked"
done
diff -r "$first.unpacked" "$second.unpacked" >&2 || true
dpkg-deb --contents "$first/$deb" >"$first.contents"
dpkg-deb --contents "$second/$deb" >"$second.contents"
diff "$first.contents" "$second.contents" >&2 || true
exit 1
