#!/usr/bin/env bash
# Unpacks the Debian packages of a build (make package) into a temporary
# root, as dpkg lays them out, and checks what a machine would get: the
# desktop entry and metainfo validate, the desktop entry's Exec and Icon
# resolve, every program answers --help from there, every program has a
# manual page, the game's pictures lie where an installed program looks for
# them, and the game server's unit verifies and keeps its sandbox.
# Exits 77 (skipped) when the build has no packages.
set -euo pipefail
build=${1:-build}
shopt -s nullglob
packages=("$build"/packages/*.deb)
if ((${#packages[@]} == 0)); then
  echo "check-packages: no packages in $build/packages (make package makes them)"
  exit 77
fi
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
for package in "${packages[@]}"; do
  dpkg-deb -x "$package" "$root"
done

fail() {
  echo "check-packages: $*" >&2
  exit 1
}

desktop=$root/usr/share/applications/app.vantry.Vantry.desktop
metainfo=$root/usr/share/metainfo/app.vantry.Vantry.metainfo.xml
desktop-file-validate "$desktop"
report=$(appstreamcli validate --no-net "$metainfo") || fail "the metainfo does not validate: $report"
grep -qE '^[EW]: ' <<<"$report" && fail "the metainfo has warnings: $report"

exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[[ -x $root/usr/bin/$exec ]] || fail "the desktop entry runs $exec, which is not in /usr/bin"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for picture in scalable/apps/$icon.svg 48x48/apps/$icon.png 256x256/apps/$icon.png; do
  [[ -f $root/usr/share/icons/hicolor/$picture ]] || fail "no icon $picture"
done
for picture in img/coin.png img/ms@2x.png img/princess@3x.png loading.png marker.png; do
  [[ -f $root/usr/share/vantry/resources/$picture ]] || fail "no picture $picture beside the programs"
done

for program in vantry vantry-map vantry-json vantry-tileserver vantry-server; do
  "$root/usr/bin/$program" --help | grep -q "^usage: $program" || fail "$program --help says no usage"
  [[ -f $root/usr/share/man/man1/$program.1.gz ]] || fail "no manual page for $program"
done

# systemd-analyze reads the unit's dependencies (sysinit.target, ...) inside
# the root as well, so the machine's own units go there too.
mkdir -p "$root/lib/systemd/system"
cp -rn /lib/systemd/system/. "$root/lib/systemd/system/"
MANPATH=$root/usr/share/man systemd-analyze verify --root="$root" /lib/systemd/system/vantry-server.service
# An exposure of 2.0 or more (of 10) means the sandbox lost something.
systemd-analyze security --offline=true --root="$root" --threshold=20 vantry-server.service | tail -1
echo "check-packages: ${#packages[@]} packages install what they should"
