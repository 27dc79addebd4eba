#!/usr/bin/env bash
# Builds the Python module's wheel from the source tree with the system's CMake, pybind11 and
# NumPy (no package index here: --no-build-isolation), installs it into a fresh virtual environment
# that sees Debian's NumPy, and writes and reads a recording with it.
#   check-wheel.sh [OUTDIR]   (the wheel is left in OUTDIR, build/packages by default)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/packages}")
python=/usr/bin/python3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -f "$out"/tarn-*.whl
"$python" -m pip wheel --quiet --no-build-isolation --no-deps --wheel-dir "$out" ./python
"$python" -m venv --system-site-packages "$work/venv"
"$work/venv/bin/python" -m pip install --quiet --no-index "$out"/tarn-*.whl
cd "$work"
"$work/venv/bin/python" -c '
import sys
import numpy as np
import tarn
assert tarn.__file__.startswith(sys.prefix + "/"), tarn.__file__
with tarn.Writer("wheel.dat", 1, 1000, names=["Mic"], units=["Pa"]) as out:
    out.write(1, np.arange(-50, 50, dtype=np.int16))
with tarn.open("wheel.dat") as rec:
    assert rec.channels[0].name == "Mic" and rec.channels[0].unit == "Pa"
    assert rec.samples(1).tolist() == list(range(-50, 50))
'
echo "check-wheel: $(basename "$out"/tarn-*.whl) installs into a fresh venv and reads a recording"
