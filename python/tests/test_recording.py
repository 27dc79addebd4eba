import concurrent.futures
import datetime
import gc
import os
import subprocess
import weakref

import numpy as np
import pytest

import tarn
from conftest import DC, WRITTEN, example


@pytest.fixture(scope="module")
def rec(written):
    with tarn.open(written) as recording:
        yield recording


@pytest.mark.parametrize("number", sorted(WRITTEN))
def test_writer_round_trip_is_lossless(rec, number):
    samples, factor = WRITTEN[number]
    channel = rec.channels[number - 1]
    got = rec.samples(number)
    assert got.dtype == samples.dtype and np.array_equal(got, samples)
    assert (channel.number, len(channel), channel.is_32bit) == (number, len(samples), samples.dtype == np.int32)
    assert channel.correction_factor == factor and not channel.overrun
    scaled = rec.samples(number, 10, 20, scaled=True)
    assert scaled.dtype == np.float64 and np.array_equal(scaled, samples[10:20] * factor)


def test_recording_properties(rec, written):
    assert [(c.name, c.unit, c.aliases) for c in rec.channels] == [("Mic", "Pa", []), ("Strain", "µm/m", []), ("Ramp", "", [])]
    assert rec.sample_frequency == 1000.0 and rec.start is None
    assert rec.rec_info == b"[Recording]\r\n" and "SampleFrequency=1000.0" in rec.description
    assert (rec.parameter(0, "SampleFrequency"), rec.parameter(1, "NoSuchKey")) == ("1000.0", None)
    assert (rec.first_sample, rec.last_sample) == (0, 2000)
    assert [(b.sample, b.values) for b in rec.dc_blocks()] == DC
    assert [b.sample for b in rec.dc_blocks(1, 1000)] == [500]


@pytest.mark.parametrize("key", [slice(1000, 2000), slice(None, 10), slice(-5, None), slice(None, None, 3),
                                 slice(None, None, -1), slice(5, 2), slice(2990, 5000), 17, -1])
def test_channel_indexing_is_numpy_indexing(rec, key):
    assert np.array_equal(rec.channels[0][key], WRITTEN[1][0][key])


def test_samples_own_the_component_buffer_and_free_it_once(rec):
    gc.collect()
    freed = tarn._tarn._freed_arrays()
    arrays = [rec.samples(1, 0, 100) for _ in range(5)]
    view = arrays[0][10:20]
    assert all(not a.flags.owndata and a.base is not None for a in arrays)
    del arrays
    gc.collect()
    assert tarn._tarn._freed_arrays() == freed + 4  # the view keeps the first block
    assert np.array_equal(view, WRITTEN[1][0][10:20])
    del view
    assert tarn._tarn._freed_arrays() == freed + 5


@pytest.mark.parametrize("number,count,start,stop", [(1, 10, 0, 0), (2, 7, 100, 1500), (3, 50, 0, 0), (1, 500, 0, 300)])
def test_overview_pairs_are_min_max(rec, number, count, start, stop):
    low, high = rec.overview(number, count, start, stop)
    samples = WRITTEN[number][0][start:stop or None]
    assert len(low) == len(high) and np.all(low <= high)
    assert (low.min(), high.max()) == (samples.min(), samples.max())
    if len(samples) < 2 * count:  # the raw samples themselves
        assert np.array_equal(low, samples) and np.array_equal(high, samples)


@pytest.mark.parametrize("mode", ["interleaved", "channels"])
@pytest.mark.parametrize("channels,gap", [(None, 0), ([3, 1], 0), ([3, 1, 2], 0), ([2], 0), ([3, 1, 2], 2)])
@pytest.mark.parametrize("chunk", [None, 100, 1000, 2**31 - 1])
def test_blocks_deliver_every_sample_in_order(tmp_path, mode, channels, gap, chunk):
    path, expected = example(tmp_path / "blocks.dat", gap_channel=gap)
    with tarn.open(path) as recording:
        items = list(recording.blocks(mode, channels, chunk))
    columns = np.stack([expected[c - 1] for c in (channels or [1, 2, 3])], axis=1)
    # Each table holds its own stretch, a column per chosen channel; the gap's stretch is dropped.
    assert all(np.array_equal(table, columns[start:start + len(table)]) for start, table in items)
    assert [start for start, _ in items][0] == 0 and sum(len(t) for _, t in items) == len(columns) - (256 if gap else 0)
    if chunk:
        assert len(items[0][1]) == min(chunk, 512 if gap else 1024) and all(len(t) <= chunk for _, t in items)


def test_to_pandas_is_indexed_by_time(rec):
    frame = rec.to_pandas(channels=[1, 3])
    assert list(frame.columns) == ["Mic", "Ramp"] and len(frame) == 2000
    assert frame.index[1] == pytest.approx(0.001)
    assert np.array_equal(frame["Mic"].to_numpy(), WRITTEN[1][0][:2000] * 0.5)
    assert rec.to_pandas(scaled=False)["Strain"].dtype == np.int32


def test_overrun_and_a_recording_without_setup(tmp_path):
    path, expected = example(tmp_path / "gap.dat", channels=2, gap_channel=2)
    with tarn.open(path) as recording:
        assert [c.overrun for c in recording.channels] == [False, True]
        assert [c.name for c in recording.channels] == ["", ""] and recording.sample_frequency is None
        assert np.array_equal(recording.samples(1), expected[0])
        assert np.array_equal(recording.samples(2), expected[1][:512])  # up to the gap


def test_rec_file_names_aliases_and_start(demo, capfd, monkeypatch):
    # A bare file name: the component is handed the absolute path and finds the .REC beside it.
    monkeypatch.chdir(os.path.dirname(demo))
    with tarn.open(os.path.basename(demo), rec=True, progress=True) as recording:
        assert [c.name for c in recording.channels][:2] == ["Front microphone", "Accelerometer X"]
        assert recording.channels[0].aliases == ["Mic", "Microphone"]
        assert recording["Microphone"] is recording.channels["Mic"] is recording.channels[0]
        assert recording.start == datetime.datetime(2024, 5, 17, 14, 30, 0, 125000)
        times = recording["Accelerometer X"].time(10000, 10002, absolute=True)
        assert list(times) == [np.datetime64("2024-05-17T14:30:01.125"), np.datetime64("2024-05-17T14:30:01.125100")]
        assert recording.samples(3).dtype == np.int32 and recording.channels[2].is_32bit
    assert "100%" in capfd.readouterr().err


def test_lookup_by_name_and_time_axis(rec):
    assert rec["Strain"] is rec.channels["Strain"] is rec.channels[1] and rec[3] is rec.channels[2]
    assert list(rec) == rec.channels
    assert np.array_equal(rec.samples("Ramp", 0, 5), WRITTEN[3][0][:5])
    assert np.array_equal(rec.channels["Mic"].time(10, 13), [0.010, 0.011, 0.012])
    assert len(rec["Ramp"].time()) == len(rec["Ramp"])
    with pytest.raises(KeyError, match="1 'Mic'; 2 'Strain'; 3 'Ramp'"):
        rec["Microphone"]
    with pytest.raises(ValueError, match="start is not known"):
        rec["Mic"].time(absolute=True)


def test_version_is_the_tools(written):
    tool = os.environ.get("TARN_TOOL")
    if not tool:
        pytest.skip("TARN_TOOL names the tool")
    answer = subprocess.run([tool, "--version"], capture_output=True, text=True)
    if answer.returncode != 0:
        pytest.skip("this tool has no --version")
    printed = answer.stdout
    assert tarn.__version__ and tarn.__version__ in printed


def test_dropping_a_recording_frees_it_at_once(written):
    def open_files():
        fds = "/proc/self/fd"
        return sum(os.path.realpath(os.path.join(fds, fd)) == written for fd in os.listdir(fds))

    before = open_files()
    gc.disable()  # nothing but reference counting frees it
    try:
        recording = tarn.open(written)
        gone = weakref.ref(recording)
        channel = recording.channels[1]
        assert open_files() > before
        del recording
        assert gone() is None and np.array_equal(channel[:5], WRITTEN[2][0][:5])  # a channel kept on still reads
        del channel
        assert open_files() == before
    finally:
        gc.enable()


@pytest.mark.parametrize("bound", [6, 64, 4098])
@pytest.mark.parametrize("number,start,stop", [(1, 0, None), (2, 0, None), (3, 17, 1999)])
def test_ranges_longer_than_one_result_come_in_pieces(rec, monkeypatch, bound, number, start, stop):
    monkeypatch.setattr(tarn, "RESULT_BOUND", bound)
    expected = WRITTEN[number][0][start:stop]
    assert np.array_equal(rec.samples(number, start, stop), expected)
    pieces = list(rec.iter_samples(number, 700, start, stop))
    assert [len(p) for p in pieces[:-1]] == [700] * (len(pieces) - 1) and np.array_equal(np.concatenate(pieces), expected)
    with pytest.raises(ValueError, match="RESULT_BOUND"):
        rec.overview(number, bound)


def test_pieces_end_at_a_gap(tmp_path, monkeypatch):
    path, expected = example(tmp_path / "gap.dat", channels=2, gap_channel=2)
    monkeypatch.setattr(tarn, "RESULT_BOUND", 100)
    with tarn.open(path) as recording:
        assert np.array_equal(recording.samples(2), expected[1][:512])
        assert np.array_equal(recording._reader.samples(2, 0, 1024, False, 49), expected[1][:512])


def test_threads_share_a_recording(rec):
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        results = list(pool.map(lambda k: rec.samples(1, k * 100, k * 100 + 700), range(20)))
    assert all(np.array_equal(r, WRITTEN[1][0][k * 100:k * 100 + 700]) for k, r in enumerate(results))


BAD_CALLS = [
    (lambda r: r.samples(0), ValueError), (lambda r: r.samples(4), ValueError), (lambda r: r.samples(1.0), TypeError),
    (lambda r: r.samples(1, -1), ValueError), (lambda r: r.samples(1, 5, 2), ValueError),
    (lambda r: r.samples(1, 0, 2**31), ValueError), (lambda r: r.overview(1, 0), ValueError),
    (lambda r: r.overview(1, 2.5), TypeError), (lambda r: next(r.blocks("rows")), ValueError),
    (lambda r: next(r.blocks(channels=[1, 1])), ValueError), (lambda r: r.parameter(0, 5), TypeError),
    (lambda r: r.dc_blocks(-1), ValueError), (lambda r: r.channels[0][3000], IndexError),
    (lambda r: next(r.iter_samples(1, 0)), ValueError), (lambda r: next(r.blocks(chunk=2.0)), TypeError),
    (lambda r: r.samples("Nope"), KeyError), (lambda r: r.channels[0].time(5, 2), ValueError),
]


@pytest.mark.parametrize("call,error", BAD_CALLS)
def test_bad_arguments_raise(rec, call, error):
    with pytest.raises(error):
        call(rec)


@pytest.mark.parametrize("content", [b"", b"not a recording at all", None])
def test_what_is_no_recording_is_a_tarn_error(tmp_path, content):
    path = tmp_path / "x.dat"
    if content is not None:
        path.write_bytes(content)
    with pytest.raises(tarn.Error) as raised:
        tarn.open(path)
    assert raised.value.hresult & 0x80000000 and str(path) in str(raised.value)


def test_a_closed_recording_answers_with_errors(written):
    recording = tarn.open(written)
    recording.close()
    with pytest.raises(tarn.Error):
        recording.samples(1, 0, 10)
