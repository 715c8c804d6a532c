#!/bin/sh
# Builds the Debian package in a bare Debian 12 root and installs it in another, as a distribution's
# builder and a player's machine would see it:
#
#   scripts/bare_root_check.sh [--work-dir DIR] [--mirror URL] [--keep] [--deb FILE] [COMMIT]
#
# 1. debootstrap makes a minimal bookworm root (once; later runs copy it). In a copy of it, a
#    clean clone of COMMIT (HEAD unless named) gets only what debian/control's Build-Depends
#    name (apt-get build-dep), then dpkg-buildpackage -us -uc builds it, tests included; lintian
#    --pedantic on the .dsc, the .changes and the .deb must show no error and no warning.
# 2. In a second copy, apt install takes the .deb with its dependencies; quibblix --version must
#    name the changelog's version; the headless driver draws the main menu and a game's first
#    seconds (with the fonts the package depends on) into DIR/menu.png and DIR/game.png; and the
#    game, started under xvfb-run, must still be running after five seconds and end on SIGTERM.
#    --deb FILE leaves out the build and checks the installation of that package.
#
# Run as root; it installs debootstrap if it is missing. The roots go to build-bare-root/ unless
# told otherwise and are removed at the end unless --keep is given (the base root stays, for the
# next run). /proc, /dev and /sys are mounted in a root only while it is used. Slow: a whole
# package build without ccache; heavy steps run with nice.
set -eu
cd "$(dirname "$0")/.."

work=build-bare-root
mirror=http://deb.debian.org/debian
keep=no
given_deb=""
commit=HEAD
while [ $# -gt 0 ]; do
  case $1 in
    --work-dir) [ $# -ge 2 ] || { echo "bare_root_check.sh: --work-dir needs a directory" >&2; exit 2; }
      work=$2; shift ;;
    --mirror) [ $# -ge 2 ] || { echo "bare_root_check.sh: --mirror needs a URL" >&2; exit 2; }
      mirror=$2; shift ;;
    --keep) keep=yes ;;
    --deb) [ $# -ge 2 ] || { echo "bare_root_check.sh: --deb needs a file" >&2; exit 2; }
      given_deb=$(realpath "$2"); shift ;;
    -*) echo "usage: scripts/bare_root_check.sh [--work-dir DIR] [--mirror URL] [--keep] [--deb FILE] [COMMIT]" >&2
      exit 2 ;;
    *) commit=$1 ;;
  esac
  shift
done
if [ "$(id -u)" -ne 0 ]; then
  echo "bare_root_check.sh: debootstrap and chroot need root" >&2
  exit 1
fi
commit=$(git rev-parse --verify "$commit^{commit}")
version=$(git show "$commit:debian/changelog" | dpkg-parsechangelog -l - -S Version)
arch=$(dpkg --print-architecture)
repo=$(pwd -P)
mkdir -p "$work"
work=$(cd "$work" && pwd -P)
base=$work/base
log=$work/log
mkdir -p "$log"

say() { echo "bare_root_check.sh: $*"; }
now() { date +%s; }

# The roots in use, for the trap: every mount in them goes when the script ends, however it ends.
mounted=""
unmount_all() {
  for r in $mounted; do
    for m in tmp sys dev proc; do
      if mountpoint -q "$r/$m"; then umount -R "$r/$m" || umount -R -l "$r/$m" || true; fi
    done
  done
  mounted=""
}
trap 'unmount_all' EXIT
trap 'exit 130' INT TERM HUP

enter() {  # enter ROOT: mounts what programs in the root need
  mount -t proc proc "$1/proc"
  mount --rbind /dev "$1/dev"
  mount --make-rslave "$1/dev"
  mount -t sysfs sysfs "$1/sys"
  mount -t tmpfs tmpfs "$1/tmp"
  mounted="$mounted $1"
}
in_root() {  # in_root ROOT COMMAND: runs a shell command in the root, as root, in a clean environment
  r=$1
  shift
  nice -n 10 chroot "$r" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb DEBIAN_FRONTEND=noninteractive \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin:/usr/games /bin/sh -euc "$*"
}
fresh_root() {  # fresh_root DIR: a copy of the base root
  rm -rf "$1"
  cp -a "$base" "$1"
}

if [ ! -x "$base/usr/bin/apt-get" ]; then
  command -v debootstrap >/dev/null 2>&1 || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap
  say "debootstrap --variant=minbase bookworm $base"
  rm -rf "$base"
  nice -n 10 debootstrap --variant=minbase bookworm "$base" "$mirror" >"$log/debootstrap.log" 2>&1 ||
    { echo "bare_root_check.sh: debootstrap failed, see $log/debootstrap.log" >&2; exit 1; }
  cat >"$base/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb ${mirror%/debian}/debian-security bookworm-security main
EOF
fi
cp /etc/resolv.conf "$base/etc/resolv.conf"

deb=quibblix_${version}_$arch.deb
if [ -n "$given_deb" ]; then
  [ -f "$given_deb" ] || { echo "bare_root_check.sh: no $given_deb" >&2; exit 1; }
  deb=$(basename "$given_deb")
  version=$(dpkg-deb --field "$given_deb" Version)
  cp "$given_deb" "$work/$deb"
  deps_time=- build_time=-
else
  # 1. The build.
  builder=$work/builder
  fresh_root "$builder"
  git clone --quiet --no-hardlinks "$repo" "$builder/root/src/quibblix"
  git -C "$builder/root/src/quibblix" checkout --quiet --detach "$commit"
  enter "$builder"
  start=$(now)
  say "installing the build dependencies of $commit in $builder"
  in_root "$builder" 'cd /root/src/quibblix && apt-get update -qq && apt-get build-dep -y -qq ./' \
    >"$log/build-dep.log" 2>&1 || { echo "bare_root_check.sh: apt-get build-dep failed, see $log/build-dep.log" >&2; exit 1; }
  deps_time=$(($(now) - start))
  start=$(now)
  say "dpkg-buildpackage -us -uc (from $(date -u +%T))"
  in_root "$builder" 'cd /root/src/quibblix && dpkg-buildpackage -us -uc -j2' >"$log/build.log" 2>&1 ||
    { echo "bare_root_check.sh: dpkg-buildpackage failed, see $log/build.log" >&2; exit 1; }
  build_time=$(($(now) - start))
  if [ ! -f "$builder/root/src/$deb" ]; then
    echo "bare_root_check.sh: the build made no $deb" >&2
    exit 1
  fi
  grep -q "100% tests passed" "$log/build.log" ||
    { echo "bare_root_check.sh: the build ran no tests, see $log/build.log" >&2; exit 1; }
  in_root "$builder" 'apt-get install -y -qq --no-install-recommends lintian' >"$log/lintian-install.log" 2>&1
  in_root "$builder" "cd /root/src && lintian --pedantic --tag-display-limit 0 \
    quibblix_$version.dsc quibblix_${version}_$arch.changes $deb" >"$log/lintian.log" 2>&1 || true
  if grep -q '^[EW]: ' "$log/lintian.log"; then
    echo "bare_root_check.sh: lintian --pedantic:" >&2
    grep '^[EW]: ' "$log/lintian.log" >&2
    exit 1
  fi
  cp "$builder/root/src/$deb" "$work/"
  unmount_all
  [ "$keep" = yes ] || rm -rf "$builder"
fi

# 2. The installation on a player's machine.
player=$work/player
fresh_root "$player"
cp "$work/$deb" "$player/root/"
enter "$player"
before=$(du -skx "$player" | cut -f1)
start=$(now)
say "apt install ./$deb in $player"
in_root "$player" "cd /root && apt-get update -qq && apt-get install -y ./$deb && apt-get clean" \
  >"$log/install.log" 2>&1 || { echo "bare_root_check.sh: apt install failed, see $log/install.log" >&2; exit 1; }
install_time=$(($(now) - start))
after=$(du -skx "$player" | cut -f1)
said=$(in_root "$player" 'quibblix --version') || true
if [ "$said" != "Quibblix $version" ]; then
  echo "bare_root_check.sh: quibblix --version said '$said', expected 'Quibblix $version'" >&2
  exit 1
fi
in_root "$player" "cd /tmp && printf 'shot frmMenu menu.png\nclick frmMenu.cmdPlay\nwait 3000\nshot frmGame game.png\n' |
  quibblix --headless --records-dir /tmp >/dev/null" >"$log/shot.log" 2>&1 ||
  { echo "bare_root_check.sh: the headless driver failed, see $log/shot.log" >&2; exit 1; }
cp "$player/tmp/menu.png" "$player/tmp/game.png" "$work/"
# The windowed game needs an X server, which is no dependency of the package: xvfb-run is added
# only for this.
in_root "$player" 'apt-get install -y -qq --no-install-recommends xvfb xauth' >"$log/xvfb-install.log" 2>&1
# shellcheck disable=SC2016
in_root "$player" 'cd /tmp && HOME=/tmp xvfb-run -a -s "-screen 0 1280x1024x24" sh -c "
  /usr/games/quibblix & game=\$!; sleep 5
  kill -0 \$game || { echo the game did not stay up; exit 1; }
  kill -TERM \$game; wait \$game"' >"$log/window.log" 2>&1 ||
  { echo "bare_root_check.sh: the game did not start under xvfb-run, see $log/window.log" >&2; exit 1; }
unmount_all
[ "$keep" = yes ] || rm -rf "$player"

size=$(stat -c %s "$work/$deb")
say "$deb: $size bytes; Installed-Size $(dpkg-deb --field "$work/$deb" Installed-Size) KiB"
say "the bare root grew by $((after - before)) KiB with the package and its dependencies"
say "build dependencies ${deps_time}s, dpkg-buildpackage ${build_time}s (tests included), apt install ${install_time}s"
[ -n "$given_deb" ] || say "lintian --pedantic: no error, no warning"
say "quibblix --version: $said; pictures in $work"
