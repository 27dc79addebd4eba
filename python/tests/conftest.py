import os
import subprocess

import numpy as np
import pytest

import tarn

RNG = np.random.default_rng(7)
# What the written recording holds: channel -> (samples, correction factor).
WRITTEN = {
    1: (RNG.integers(-32768, 32767, 3000, dtype=np.int16), 0.5),
    2: (RNG.integers(-2**31, 2**31 - 1, 2001, dtype=np.int32), 0.001),
    3: (np.arange(-1000, 1000, dtype=np.int16), 2.0),
}
DC = [(0, {0: 12000, 7: -5}), (500, {0: 11990, 7: -6})]


@pytest.fixture(scope="session")
def written(tmp_path_factory):
    path = tmp_path_factory.mktemp("w") / "written.dat"
    with tarn.Writer(path, 3, 1000, names=["Mic", "Strain", "Ramp"], units=["Pa", "µm/m", ""],
                     correction_factors=[f for _, f in WRITTEN.values()], rec_info=b"[Recording]\r\n") as writer:
        for number, (samples, _) in WRITTEN.items():
            # Refused before anything reaches the file: the round trip shows none of it.
            with pytest.raises((TypeError, ValueError)):
                writer.write(number, samples[:3] if samples.dtype == np.int16 else samples.astype(np.int16))
            writer.write(number, samples[:1000])
            writer.write(number, samples[1000:])
        for sample, values in DC:
            writer.write_dc(sample + 7000000, values)
    return str(path)


def example(path, channels=3, blocks=4, block_samples=256, gap_channel=0):
    """A recording straight from the block layout: channel c (from 0), sample s is c*1000 + 7s."""
    tarn._tarn._write_example(str(path), channels, blocks, block_samples, gap_channel)
    samples = np.arange(blocks * block_samples, dtype=np.int64) * 7
    return str(path), [(c * 1000 + samples).astype(np.int16) for c in range(channels)]


@pytest.fixture
def demo(tmp_path, monkeypatch):
    """The tool's demo recording with its .REC file, the .REC server registered in a store of its own."""
    tool, server = os.environ.get("TARN_TOOL"), os.environ.get("TARN_RECIMPORT")
    if not tool or not server:
        pytest.skip("TARN_TOOL and TARN_RECIMPORT name the tool and the .REC server")
    monkeypatch.setenv("TARN_REGISTRY", str(tmp_path / "registry"))
    path = str(tmp_path / "demo.dat")
    for command in ([tool, "regsvr", server], [tool, "demo", path]):
        subprocess.run(command, check=True, capture_output=True)
    return path
