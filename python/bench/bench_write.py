"""Writer.write of large int16 and int32 arrays against the component's own writer, in one run:
tarn_bench_write's throughput (64 MiB through IQVRecorderFileWriter in 1,024-sample blocks,
best of seven) and Writer.write's, writing as many bytes (4 channels, 2**20-sample arrays,
OpenFile to close) into the temp folder's page cache, best of seven.

    PYTHONPATH=build/release/python python3 python/bench/bench_write.py build/release/bench/tarn_bench_write

Exits 1 when Writer.write of either width is below 0.7 of tarn_bench_write's throughput.
"""
import os
import re
import subprocess
import sys
import tempfile
import time

import numpy as np

import tarn

CHANNELS, ARRAY_SAMPLES, ROUNDS = 4, 1 << 20, 7
TARGET = 0.7


def component_throughput(tool):
    """MiB/s of tarn_bench_write's writer line."""
    printed = subprocess.run([tool], capture_output=True, text=True).stdout
    found = re.search(r"writer interface .*?([0-9.]+) MiB/s", printed)
    if not found:
        sys.exit("%s printed no writer throughput:\n%s" % (tool, printed))
    return float(found.group(1))


def python_throughput(path, dtype):
    """MiB/s of Writer.write: 64 MiB of samples, four channels of 2**20-sample arrays in turn."""
    arrays = (64 << 20) // (CHANNELS * ARRAY_SAMPLES * np.dtype(dtype).itemsize)
    samples = (np.arange(ARRAY_SAMPLES) * 37).astype(dtype)
    times = []
    for _ in range(ROUNDS):
        start = time.perf_counter()
        # A fresh file each round, as tarn_bench_write's (removing it is timed there too).
        if os.path.exists(path):
            os.remove(path)
        with tarn.Writer(path, CHANNELS, 1000) as writer:
            for _ in range(arrays):
                for channel in range(1, CHANNELS + 1):
                    writer.write(channel, samples)
        times.append(time.perf_counter() - start)
    size = os.path.getsize(path)
    os.remove(path)
    return size / (1 << 20) / min(times)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    path = os.path.join(tempfile.gettempdir(), "tarn-bench-write-python.dat")
    component = component_throughput(sys.argv[1])
    print("tarn_bench_write, writer interface    %8.1f MiB/s" % component)
    met = True
    for dtype in (np.int16, np.int32):
        written = python_throughput(path, dtype)
        ratio = written / component
        met = met and ratio >= TARGET
        print("Writer.write, %s arrays           %8.1f MiB/s" % (np.dtype(dtype).name, written))
        print("Writer.write %s / tarn_bench_write  %6.2f   (target >= %.2f)" % (np.dtype(dtype).name, ratio, TARGET))
    return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main())
