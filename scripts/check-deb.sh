#!/usr/bin/env bash
# Installs the .deb, then uses the tool, the .REC server the package registered and the Python
# module from the installed paths only (no build folder, no PYTHONPATH, a fresh home), removes the
# package and checks that nothing of it is left.   check-deb.sh PACKAGE.deb   (as root)
set -euo pipefail
deb=$(realpath "$1")
package=$(dpkg-deb -f "$deb" Package)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-deb: $*" >&2; exit 1; }

dpkg -i "$deb" >/dev/null
installed=$(dpkg -L "$package")
cd "$work"
run() { env -i PATH=/usr/bin:/bin HOME="$work" LANG=C.UTF-8 "$@"; }
[ "$(run sh -c 'command -v tarn')" = /usr/bin/tarn ] || fail "tarn is not /usr/bin/tarn"
run tarn demo "$work/demo.dat" >/dev/null
info=$(run tarn info --rec "$work/demo.dat")
grep -q '^channel 1: .Front microphone., unit Pa, aliases Mic.Microphone' <<<"$info" || fail "info --rec: $info"
run /usr/bin/python3 -c '
import sys, tarn
assert tarn.__file__.startswith("/usr/lib/python3/dist-packages/"), tarn.__file__
with tarn.open(sys.argv[1]) as rec:
    assert len(rec.channels) == 4 and rec.sample_frequency == 10000
    assert rec.samples(1).shape == (30000,)
' "$work/demo.dat" || fail "the Python module"
echo "check-deb: $(basename "$deb"): tarn demo, tarn info --rec and the Python module work from the installed paths"

dpkg -r "$package" >/dev/null
# Every file of the package, and every folder of its own (named tarn), must be gone.
left=$(while read -r path; do
         if [ -f "$path" ] || [ -L "$path" ] || { [[ $path == */tarn* ]] && [ -e "$path" ]; }; then echo "$path"; fi
       done <<<"$installed")
[ -z "$left" ] || fail "left after dpkg -r: $left"
[ ! -e /var/lib/tarn ] || fail "the registry store /var/lib/tarn is left after dpkg -r"
dpkg -P "$package" >/dev/null   # the package's record, kept by dpkg -r for its postrm
echo "check-deb: dpkg -r left nothing behind"
