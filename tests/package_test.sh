#!/usr/bin/env bash
# Installs nettell from the build folder given: with cmake --install into a
# staging root, and as the Debian package that cpack makes, unpacked into a
# temporary root or, under CI as root, installed on the machine. Each
# installed nettell must answer for localhost as the built one does.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
expected=$("$build/nettell" localhost | od -c)

check_tree() {  # check_tree ROOT PREFIX
  local root=$1 prefix=$2
  for file in bin/nettell share/man/man1/nettell.1 share/bash-completion/completions/nettell; do
    [ -f "$root$prefix/$file" ] || { echo "FAIL: $prefix/$file not installed"; exit 1; }
  done
  [ "$("$root$prefix/bin/nettell" localhost | od -c)" = "$expected" ] ||
    { echo "FAIL: installed nettell answers differently"; exit 1; }
}

DESTDIR="$work/staged" cmake --install "$build" --prefix /usr/local >/dev/null
check_tree "$work/staged" /usr/local
echo "cmake --install: ok"

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null)
deb=$(ls "$work"/package/nettell_*.deb)
for field in Package Version Maintainer Description Depends Section; do
  [ -n "$(dpkg-deb -f "$deb" "$field")" ] || { echo "FAIL: no $field in $deb"; exit 1; }
done
dpkg-deb -f "$deb" Depends | grep -q '^libc6 (>= ' || { echo "FAIL: Depends is not libc6"; exit 1; }
dpkg-deb -x "$deb" "$work/unpacked"
check_tree "$work/unpacked" /usr
echo "package, unpacked: ok"

if [ "${CI:-}" = true ] && [ "$(id -u)" -eq 0 ]; then
  dpkg -i "$deb" >/dev/null
  check_tree "" /usr
  dpkg -r nettell >/dev/null
  echo "package, installed on the machine: ok"
fi
