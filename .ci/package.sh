#!/usr/bin/env bash
# The Debian packages from the suite's build (build/): built with CPack,
# checked with lintian (no errors), their binaries with hardening-check,
# their desktop entry and AppStream data with the validators, unpacked into
# a temporary root and started from there; with CI=true also installed on
# this machine, checked and removed again.
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
dpkg-deb -x "$sim" "$tmp/sim"
binaries=("$lib/pxrq60" "$lib"/*.so "$tmp/sim/usr/bin/rq60sim")

# Every binary: RUNPATH exactly $ORIGIN, relro and now (the build tree's
# test also checks the stack protector in the debug information), and
# hardening-check as Debian reads a package: stack protector, fortified
# functions, relro, now. Control-flow protection is not among Debian's
# default flags. Two answers are no fault: the language tables have no
# function with a buffer, so no canary to find; "only unprotected functions
# found" means no call whose buffer size the compiler knows.
bash tests/app/elfcheck.sh "${binaries[@]}"
for f in "${binaries[@]}"; do
  opts=(--nocfprotection)
  case "$(basename "$f")" in pxrq60??.so) opts+=(--nostackprotector) ;; esac
  if ! out=$(hardening-check "${opts[@]}" "$f"); then
    if echo "$out" | grep -E ': no[,!]' | grep -v -e '(ignored)' -e 'only unprotected functions found' |
      grep -q .; then
      echo "$out"
      exit 1
    fi
  fi
done
echo "hardening: ${#binaries[@]} binaries"

# Desktop entry and AppStream data as the desktop and the software centres
# read them; the icon in the theme's sizes beside the SVG; the README.
desktop-file-validate "$tmp/root/usr/share/applications/org.example.pxrq60.desktop"
appstreamcli validate --no-net "$tmp/root/usr/share/metainfo/org.example.pxrq60.metainfo.xml"
for size in 16 22 24 32 48 64 128 256; do
  [ -f "$tmp/root/usr/share/icons/hicolor/${size}x${size}/apps/pxrq60.png" ] || { echo "no ${size}x${size} icon"; exit 1; }
done
[ -f "$tmp/root/usr/share/icons/hicolor/scalable/apps/pxrq60.svg" ] || { echo "no SVG icon"; exit 1; }
zcat "$tmp/root/usr/share/doc/pxrq60/README.md.gz" | grep -q '^# PXRQ60' || { echo "no README in /usr/share/doc/pxrq60"; exit 1; }
help_built=$(ls build/bin/*.qch 2>/dev/null | wc -l)
[ "$(ls "$lib"/*.qch 2>/dev/null | wc -l)" = "$help_built" ] || { echo "help files of the build missing in the package"; exit 1; }

# Started through the link as a user would, without a display for the
# answers and offscreen for the window, with a settings folder of its own.
"$tmp/root/usr/bin/pxrq60" --version
env -u DISPLAY -u QT_QPA_PLATFORM "$tmp/root/usr/bin/pxrq60" --help | grep -q -- --help-all
env -u DISPLAY -u QT_QPA_PLATFORM "$tmp/root/usr/bin/pxrq60" --help-all | grep -q -- -platform
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
  echo "COM1=/dev/ttyUSB0" > /var/lib/pxrq60/sline_32.conf
  dpkg --purge pxrq60
  [ ! -e /var/lib/pxrq60/PXRQ60.INI ] || { echo "purge kept the default settings file"; exit 1; }
  [ ! -e /var/lib/pxrq60/PXRQ60.INI.lock ] || { echo "purge kept the settings file's lock file"; exit 1; }
  [ -f /var/lib/pxrq60/auswert/temp/TEMP.1 ] || { echo "purge took an export file"; exit 1; }
  [ -f /var/lib/pxrq60/sline_32.conf ] || { echo "purge took the port assignments"; exit 1; }
  rm /var/lib/pxrq60/auswert/temp/TEMP.1 /var/lib/pxrq60/sline_32.conf
  dpkg -i "$main"
  bash .ci/startstop.sh /usr/bin/pxrq60 /var/lib/pxrq60 "$help_built" first-start-only
  sed -i 's/^COM=1/COM=2/' /var/lib/pxrq60/PXRQ60.INI
  dpkg --purge pxrq60
  [ -f /var/lib/pxrq60/PXRQ60.INI ] || { echo "purge took a changed settings file"; exit 1; }
  rm -r /var/lib/pxrq60
fi
echo "packages installed, checked and removed"
