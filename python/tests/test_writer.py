import numpy as np
import pytest

import tarn


def make(tmp_path, **changes):
    arguments = dict(path=tmp_path / "w.dat", channels=2, sample_frequency=100.0)
    arguments.update(changes)
    return tarn.Writer(**arguments)


@pytest.mark.parametrize("changes,error", [
    (dict(channels=0), ValueError), (dict(channels=2.0), TypeError), (dict(sample_frequency=0), ValueError),
    (dict(names=["one"]), ValueError), (dict(units=[1, 2]), TypeError), (dict(correction_factors=["a", "b"]), TypeError),
    (dict(rec_info="text"), TypeError), (dict(path="/nonexistent/folder/w.dat"), tarn.Error),
])
def test_bad_setup_is_refused(tmp_path, changes, error):
    with pytest.raises(error):
        make(tmp_path, **changes)


@pytest.mark.parametrize("call,error", [
    (lambda w: w.write(1, [1, 2]), TypeError), (lambda w: w.write(1, np.zeros(4)), TypeError),
    (lambda w: w.write(1, np.zeros(4, np.uint16)), TypeError), (lambda w: w.write(1, np.zeros((2, 2), np.int16)), ValueError),
    (lambda w: w.write(1, np.zeros(3, np.int16)), ValueError), (lambda w: w.write(3, np.zeros(4, np.int16)), ValueError),
    (lambda w: w.write(2, np.zeros(4, np.int16)), TypeError),  # channel 2 started with int32
    (lambda w: w.write_dc(0, {}), TypeError), (lambda w: w.write_dc(0, {70000: 1}), ValueError),
    (lambda w: w.write_dc(-1, {0: 1}), ValueError),
])
def test_bad_writes_are_refused_before_anything_is_written(tmp_path, call, error):
    with make(tmp_path) as writer:
        writer.write(2, np.arange(5, dtype=np.int32))
        with pytest.raises(error):
            call(writer)
    with tarn.open(tmp_path / "w.dat") as recording:
        assert len(recording.channels[0]) == 0 and np.array_equal(recording.samples(2), np.arange(5))


def test_long_big_endian_and_strided_arrays_round_trip_under_shared_names(tmp_path):
    values = np.arange(-20000, 20000, dtype=">i4")[::2]  # several blocks, swapped and strided
    with make(tmp_path, names=["Same", "Same"]) as writer:
        writer.write(1, values, overload=True)
        writer.write(2, values.astype(np.int16))
    with tarn.open(tmp_path / "w.dat") as recording:
        assert np.array_equal(recording.samples(1), values) and np.array_equal(recording.samples(2), values.astype(np.int16))
        assert list(recording.to_pandas(scaled=False).columns) == ["Same (1)", "Same (2)"]
        with pytest.raises(KeyError, match="'Same' names channels 1, 2"):
            recording["Same"]
