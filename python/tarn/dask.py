"""Per-channel summaries of many recordings as a dask.dataframe, one partition per file.

    import tarn.dask
    frame = tarn.dask.summarize(sorted(glob.glob("/data/*.dat")))
    frame.groupby("name").rms.mean().compute()      # local scheduler, or a distributed Client

The work is plain functions of a path, so it runs unchanged on dask.distributed workers that can
import tarn and read the files.
"""
import dask
import dask.dataframe as dd
import numpy as np
import pandas as pd

import tarn

COLUMNS = {
    "file": "object", "channel": "int64", "name": "object", "unit": "object", "samples": "int64",
    "min": "float64", "max": "float64", "mean": "float64", "rms": "float64", "overrun": "bool",
}


def _meta():
    return pd.DataFrame({name: pd.Series(dtype=dtype) for name, dtype in COLUMNS.items()})


def _channel_row(recording, channel, scaled):
    values = recording.samples(channel.number, scaled=scaled).astype(np.float64, copy=False)
    empty = len(values) == 0
    stat = lambda f: np.nan if empty else float(f(values))
    return {
        "file": recording.path, "channel": channel.number, "name": channel.name, "unit": channel.unit,
        "samples": len(values), "min": stat(np.min), "max": stat(np.max), "mean": stat(np.mean),
        "rms": stat(lambda v: np.sqrt(np.mean(v * v))), "overrun": channel.overrun,
    }


def summarize_file(path, rec=False, scaled=True):
    """The summary rows of one recording as a pandas DataFrame (the columns of COLUMNS)."""
    with tarn.open(path, rec=rec) as recording:
        rows = [_channel_row(recording, channel, scaled) for channel in recording.channels]
    return pd.DataFrame(rows, columns=list(COLUMNS)).astype(COLUMNS)


def summarize(paths, rec=False, scaled=True):
    """A dask.dataframe with one row per channel of every recording in paths (file, channel,
    name, unit, samples, min, max, mean, rms, overrun), values times the correction factor when
    scaled; each file is one task."""
    parts = [dask.delayed(summarize_file)(str(path), rec, scaled) for path in paths]
    if not parts:
        return dd.from_pandas(_meta(), npartitions=1)
    return dd.from_delayed(parts, meta=_meta())
