#!/usr/bin/env bash
# Installs the built programs into a scratch prefix and checks the files,
# validates the desktop entry, builds the Debian package with cpack, unpacks
# it into a scratch root with dpkg -x and starts the client from there.
# Usage: InstallTest.sh BUILD_DIR SOURCE_DIR GUI(ON|OFF)
set -euo pipefail
build=$1
source=$2
gui=$3
limit=240  # seconds for any one step; a hang fails the test

scratch=$(mktemp -d "${TMPDIR:-/tmp}/skiffline-install-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "-- $*"; }
has() { [ -e "$1" ] || fail "missing $1"; }

step "cmake --install into $scratch/prefix"
timeout $limit cmake --install "$build" --prefix "$scratch/prefix" >"$scratch/install.log" ||
  { cat "$scratch/install.log"; fail "cmake --install"; }
prefix=$scratch/prefix
has "$prefix/bin/skiffline-cli"
[ -x "$prefix/bin/skiffline-cli" ] || fail "skiffline-cli is not executable"
has "$prefix/share/man/man1/skiffline-cli.1.gz"
gzip -t "$prefix/share/man/man1/skiffline-cli.1.gz" || fail "the manual page is not gzip"
zcat "$prefix/share/man/man1/skiffline-cli.1.gz" | grep -q '^\.SH FILES' ||
  fail "the manual page has no FILES section"
if [ "$gui" = ON ]; then
  has "$prefix/bin/skiffline"
  has "$prefix/share/applications/skiffline.desktop"
  step "desktop-file-validate"
  desktop-file-validate "$prefix/share/applications/skiffline.desktop" ||
    fail "the desktop entry is not valid"
  if [ -e "$source/res/skiffline.svg" ]; then
    has "$prefix/share/icons/hicolor/scalable/apps/skiffline.svg"
    for n in 16 32 48 64 128 256; do
      png=$prefix/share/icons/hicolor/${n}x${n}/apps/skiffline.png
      has "$png"
      file -b "$png" | grep -q "PNG image data, $n x $n" || fail "$png is not a $n x $n PNG"
    done
  fi
fi
# Nothing outside the layout above.
unexpected=$(cd "$prefix" && find . -type f | grep -v -E \
  '^\./(bin/skiffline(-cli)?|share/applications/skiffline\.desktop|share/icons/hicolor/[^/]+/apps/skiffline\.(svg|png)|share/man/man1/skiffline-cli\.1\.gz)$' || true)
[ -z "$unexpected" ] || fail "unexpected files installed: $unexpected"

step "cpack -G DEB"
timeout $limit cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/package" \
  >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; fail "cpack"; }
deb=$(ls "$scratch"/package/skiffline_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { cat "$scratch/cpack.log"; fail "no skiffline_*.deb"; }
fields() { dpkg-deb -f "$deb" "$1"; }
[ "$(fields Package)" = skiffline ] || fail "package name $(fields Package)"
[ "$(fields Section)" = net ] || fail "section $(fields Section)"
[ "$(fields Maintainer)" = "Skiffline developers <skiffline@localhost>" ] ||
  fail "maintainer $(fields Maintainer)"
version=$(sed -n 's/^project(Skiffline VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
[ "$(fields Version)" = "$version" ] || fail "version $(fields Version), not $version"
depends=$(fields Depends)
echo "Depends: $depends"
names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//')
# Every library a program links directly comes from a package in Depends
# (GTK 3 comes through wxWidgets' package, which the window links).
programs=("$build/skiffline-cli")
[ "$gui" != ON ] || programs+=("$build/skiffline")
for program in "${programs[@]}"; do
  for lib in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    # awk reads to the end: an early exit would end ldconfig by SIGPIPE,
    # which pipefail turns into a silent failure of the whole test.
    path=$(ldconfig -p | awk -v l="$lib" '$1 == l && !found { print $NF; found = 1 }')
    [ -n "$path" ] || fail "can't find $lib"
    owner=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null || dpkg -S "$path") || fail "no package has $lib"
    pkg=${owner%%:*}
    grep -qxF "$pkg" <<<"$names" || fail "Depends lacks $pkg (for $lib)"
  done
done
required=(libc6 libstdc++6)
[ "$gui" != ON ] || required+=(libwxgtk3.2 libwxbase3.2 libcurl libglib2.0)
for pkg in "${required[@]}"; do
  grep -q "$pkg" <<<"$depends" || fail "Depends lacks $pkg"
done

step "dpkg -x and a start of the unpacked client"
timeout $limit dpkg -x "$deb" "$scratch/root"
root=$scratch/root
has "$root/usr/bin/skiffline-cli"
has "$root/usr/share/man/man1/skiffline-cli.1.gz"
[ "$gui" != ON ] || has "$root/usr/share/applications/skiffline.desktop"
help=$(cd "$scratch" && timeout 30 "$root/usr/bin/skiffline-cli" --help) ||
  fail "skiffline-cli --help exited with $?"
grep -q '^Usage: skiffline-cli' <<<"$help" || fail "no usage text: $help"
echo "install and package: ok"
