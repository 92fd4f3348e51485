#!/usr/bin/env bash
# The Debian packages from the suite's build (build/): built with CPack,
# checked with lintian (no errors), unpacked into a temporary root and
# started from there; with CI=true also installed on this machine, checked
# and removed again.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cmake --build build
(cd build && cpack -G DEB)
main=$(ls build/pxrq60_*_amd64.deb)
sim=$(ls build/pxrq60-sim_*_amd64.deb)
echo "built: $main $sim"

# lintian: every tag is shown, an error fails.
for deb in "$main" "$sim"; do
  lintian --fail-on error --display-info --no-tag-display-limit "$deb"
done

tmp=$(mktemp -d)
cleanup() { rm -rf "$tmp"; }
trap cleanup EXIT
dpkg-deb -x "$main" "$tmp/root"
lib=$tmp/root/usr/lib/pxrq60
for f in pxrq60 sline_32.so pcola_32.so pcolb_32.so pxrq60DE.so pxrq60EN.so; do
  [ -f "$lib/$f" ] || { echo "package lacks $f"; exit 1; }
done
[ "$(readlink "$tmp/root/usr/bin/pxrq60")" = "../lib/pxrq60/pxrq60" ] || { echo "/usr/bin/pxrq60 is no link to the program"; exit 1; }
readelf -d "$lib/pxrq60" | grep -q 'RUNPATH.*\[\$ORIGIN\]' || { echo "program lacks RUNPATH \$ORIGIN"; exit 1; }
help_built=$(ls build/bin/*.qch 2>/dev/null | wc -l)
[ "$(ls "$lib"/*.qch 2>/dev/null | wc -l)" = "$help_built" ] || { echo "help files of the build missing in the package"; exit 1; }

# Started through the link as a user would, without a display for the
# answers and offscreen for the window, with a settings folder of its own.
"$tmp/root/usr/bin/pxrq60" --version
env -u DISPLAY -u QT_QPA_PLATFORM "$tmp/root/usr/bin/pxrq60" --help | grep -q -- --version
bash .ci/startstop.sh "$tmp/root/usr/bin/pxrq60" "$tmp/settings" "$help_built"

[ "${CI:-}" = "true" ] || { echo "packages checked (CI=true would also install them here)"; exit 0; }

if [ -e /var/lib/pxrq60 ]; then
  echo "/var/lib/pxrq60 exists on this machine: install and remove only, no purge"
  had_settings=1
else
  had_settings=0
fi
dpkg -i "$main" "$sim"
[ "$(stat -c '%G %a' /var/lib/pxrq60)" = "dialout 2775" ] || { stat /var/lib/pxrq60; exit 1; }
[ "$(stat -c '%G %a' /var/lib/pxrq60/auswert/temp)" = "dialout 2775" ] || { stat /var/lib/pxrq60/auswert/temp; exit 1; }
/usr/bin/pxrq60 --version
command -v rq60sim >/dev/null
dpkg -r pxrq60 pxrq60-sim
[ -d /var/lib/pxrq60/auswert/temp ] || { echo "remove took the settings directory"; exit 1; }
if [ "$had_settings" = 0 ]; then
  # Purge: an unchanged default settings file goes, export files stay; a
  # changed settings file stays.
  dpkg -i "$main"
  bash .ci/startstop.sh /usr/bin/pxrq60 /var/lib/pxrq60 "$help_built" first-start-only
  echo "export" > /var/lib/pxrq60/auswert/temp/TEMP.1
  dpkg --purge pxrq60
  [ ! -e /var/lib/pxrq60/PXRQ60.INI ] || { echo "purge kept the default settings file"; exit 1; }
  [ ! -e /var/lib/pxrq60/PXRQ60.INI.lock ] || { echo "purge kept the settings file's lock file"; exit 1; }
  [ -f /var/lib/pxrq60/auswert/temp/TEMP.1 ] || { echo "purge took an export file"; exit 1; }
  rm /var/lib/pxrq60/auswert/temp/TEMP.1
  dpkg -i "$main"
  bash .ci/startstop.sh /usr/bin/pxrq60 /var/lib/pxrq60 "$help_built" first-start-only
  sed -i 's/^COM=1/COM=2/' /var/lib/pxrq60/PXRQ60.INI
  dpkg --purge pxrq60
  [ -f /var/lib/pxrq60/PXRQ60.INI ] || { echo "purge took a changed settings file"; exit 1; }
  rm -r /var/lib/pxrq60
fi
echo "packages installed, checked and removed"
