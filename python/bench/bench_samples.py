"""samples() of one whole channel of the read benchmark's 256 MiB recording against
numpy.fromfile of the whole file, best of five interleaved rounds on the page-cached file.

    PYTHONPATH=build/release/python python3 python/bench/bench_samples.py [FOLDER]

The recording (4 channels, 16-bit, 1,024-sample blocks, interleaved; the layout of
tarn_bench_read's) is written to FOLDER (default: the temp folder) when it is not there yet.
Exits 1 when samples() takes more than 0.8 of numpy.fromfile's time.
"""
import os
import sys
import tempfile
import time

import numpy as np

import tarn

CHANNELS, BLOCK_SAMPLES = 4, 1024
# Blocks per channel for at least 256 MiB: file header 20 bytes, block framing 16 bytes.
BLOCKS = -(-(256 << 20) // (CHANNELS * (16 + 2 * BLOCK_SAMPLES)))
FILE_BYTES = 20 + BLOCKS * CHANNELS * (16 + 2 * BLOCK_SAMPLES)
ROUNDS = 5


def best(measure):
    times = []
    for _ in range(ROUNDS):
        start = time.perf_counter()
        result = measure()
        times.append(time.perf_counter() - start)
        del result
    return min(times)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else tempfile.gettempdir()
    path = os.path.join(folder, "tarn-bench-samples.dat")
    if not os.path.exists(path) or os.path.getsize(path) != FILE_BYTES:
        print("writing %s ..." % path)
        tarn._tarn._write_example(path, CHANNELS, BLOCKS, BLOCK_SAMPLES, 0)
    # Pages cached in small pieces read at a fraction of the speed of a file read in whole: the
    # file is dropped from the cache and read afresh, so that numpy.fromfile is not held back.
    fd = os.open(path, os.O_RDONLY)
    os.fsync(fd)
    os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
    os.close(fd)
    raw = np.fromfile(path, dtype=np.uint8)  # fills the page cache
    with tarn.open(path) as recording:
        channel = recording.channels[1]
        expected = (1000 + np.arange(len(channel), dtype=np.int64) * 7).astype(np.int16)
        if not np.array_equal(recording.samples(channel), expected):
            print("samples() does not give the recording's samples")
            return 2
        fromfile = best(lambda: np.fromfile(path, dtype=np.uint8))
        samples = best(lambda: recording.samples(channel))
    mib = len(raw) / (1 << 20)
    print("recording: %s, %d bytes, %d channels, 16-bit, %d-sample blocks" % (path, len(raw), CHANNELS, BLOCK_SAMPLES))
    print("numpy.fromfile, whole file        %8.1f ms  %7.1f MiB/s" % (fromfile * 1e3, mib / fromfile))
    print("Recording.samples, channel 2 of 4 %8.1f ms  (%d samples)" % (samples * 1e3, len(channel)))
    ratio = samples / fromfile
    print("time(samples) / time(numpy.fromfile) %6.2f   (target <= 0.80)" % ratio)
    return 0 if ratio <= 0.8 else 1


if __name__ == "__main__":
    sys.exit(main())
