import numpy as np
import pandas as pd
import pytest

import tarn.dask
from conftest import example

FILES = 24


@pytest.fixture(scope="module")
def recordings(tmp_path_factory):
    folder = tmp_path_factory.mktemp("many")
    made = []
    for k in range(FILES):
        channels, blocks = 1 + k % 3, 3 + k % 2
        gap = channels if k % 5 == 0 else 0  # the last channel loses its middle block
        path, data = example(folder / ("r%02d.dat" % k), channels, blocks, 64, gap)
        if gap:
            data[-1] = data[-1][:blocks // 2 * 64]  # read up to the gap
        made.append((path, data, gap))
    return made


def expected_rows(recordings):
    rows = []
    for path, channels, gap in recordings:
        for number, samples in enumerate(channels, 1):
            v = samples.astype(np.float64)
            rows.append((path, number, len(v), v.min(), v.max(), v.mean(), np.sqrt(np.mean(v * v)), number == gap))
    return rows


def check(frame, recordings):
    columns = ["file", "channel", "samples", "min", "max", "mean", "rms", "overrun"]
    expected = pd.DataFrame(expected_rows(recordings), columns=columns)
    got = frame.sort_values(["file", "channel"]).reset_index(drop=True)[columns]
    pd.testing.assert_frame_equal(got, expected, check_dtype=False)


def test_summary_on_the_local_scheduler(recordings):
    frame = tarn.dask.summarize([r[0] for r in recordings])
    assert frame.npartitions == FILES and list(frame.columns) == list(tarn.dask.COLUMNS)
    check(frame.compute(scheduler="threads"), recordings)


def test_summary_on_a_distributed_cluster(recordings):
    distributed = pytest.importorskip("distributed")
    with distributed.LocalCluster(n_workers=2, processes=True, threads_per_worker=1, dashboard_address=None) as cluster:
        with distributed.Client(cluster):
            check(tarn.dask.summarize([r[0] for r in recordings[:6]]).compute(), recordings[:6])
