#!/usr/bin/env bash
# Unpacks a Windows zip into a fresh folder and, under the Wine of the build of its width, registers
# both servers with its register.cmd, writes the demo with its tarn.exe and reads the names of the
# .REC file through the registered recimport.dll; then unregister.cmd takes them out again.
#   check-zip.sh ZIP BUILD-FOLDER   (the folder's wine-run.sh and prefix are used)
set -euo pipefail
zip=$(realpath "$1")
run=$(realpath "$2")/wine-run.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-zip: $*" >&2; exit 1; }
windows() { printf 'Z:%s' "$1" | tr / '\\'; }

unzip -q "$zip" -d "$work"
dir=$(echo "$work"/tarn-*)
"$run" --setup
"$run" cmd /c "$(windows "$dir/register.cmd")" | grep -q registered || fail "register.cmd failed"
"$run" "$dir/tarn.exe" demo "$(windows "$work/demo.dat")" >/dev/null
info=$("$run" "$dir/tarn.exe" info --rec "$(windows "$work/demo.dat")")
grep -q 'channel 1: .Front microphone., unit Pa, aliases Mic.Microphone' <<<"$info" || fail "info --rec: $info"
"$run" cmd /c "$(windows "$dir/unregister.cmd")" | grep -q unregistered || fail "unregister.cmd failed"
info=$("$run" "$dir/tarn.exe" info --rec "$(windows "$work/demo.dat")" 2>&1 || true)
! grep -q 'Front microphone' <<<"$info" || fail "recimport.dll still registered after unregister.cmd"
"$run" --stop
echo "check-zip: $(basename "$zip"): register.cmd, tarn.exe info --rec through recimport.dll, unregister.cmd"
