"""Recordings of the portable data recorder as NumPy arrays, through the tarn component.

    import tarn
    with tarn.open("run.dat") as rec:
        mic = rec.channels[0]
        print(mic.name, mic.unit, len(mic))
        pa = rec.samples(1, scaled=True)       # float64, in the channel's unit
"""
import collections
import datetime
import math
import os

import numpy as np

from tarn._tarn import Error
from tarn import _tarn

__all__ = ["open", "Recording", "Channel", "Channels", "DCBlock", "Writer", "Error", "RESULT_BOUND", "__version__"]
__version__ = _tarn.__version__

_LONG_MAX = 2**31 - 1
# The most one component call hands out, in bytes: a longer range of samples is read in pieces.
# A lower value (the tests set one) makes the pieces smaller; a higher one than the component's
# own bound makes its calls fail.
RESULT_BOUND = 2**31
# The bytes of one piece when a range is longer than one result.
_PIECE_BYTES = 8 << 20

DCBlock = collections.namedtuple("DCBlock", "channel index sample values")
DCBlock.__doc__ = "A DC block: its DC channel and index, its sample number and {key: value}."


def open(path, rec=False, progress=False):
    """Opens and scans a recording; rec: names, units, aliases, date and time from the .REC
    file beside it; progress: a progress bar on stderr while the scan runs."""
    return Recording(path, rec=rec, progress=progress)


def _channel_number(channel, count):
    number = channel.number if isinstance(channel, Channel) else channel
    if isinstance(number, bool) or not isinstance(number, (int, np.integer)):
        raise TypeError("a channel is a number from 1 or a Channel, not %r" % (channel,))
    if not 1 <= number <= count:
        raise ValueError("channel %d is not one of 1..%d" % (number, count))
    return int(number)


def _integer(value, name, low=0, high=_LONG_MAX):
    if isinstance(value, bool) or not isinstance(value, (int, np.integer)):
        raise TypeError("%s must be an integer, not %r" % (name, value))
    if not low <= value <= high:
        raise ValueError("%s must be in %d..%d, not %d" % (name, low, high, value))
    return int(value)


def _date_time(date, time):
    """'17/MAY/2024' and '14:30:00:125' as a datetime; None when either is unknown."""
    try:
        day = datetime.datetime.strptime(date, "%d/%b/%Y")
        hour, minute, second, milli = (int(part) for part in time.split(":"))
        return day.replace(hour=hour, minute=minute, second=second, microsecond=milli * 1000)
    except (TypeError, ValueError, AttributeError):
        return None


class Channel:
    """One channel of a recording. Indexing and slicing give its samples, counted from its first
    sample: channel[1000:2000] is Recording.samples(number, 1000, 2000). A channel holds the
    component object, not the Recording: dropping the last reference to a Recording frees its
    component, index and open file at once, while a channel kept on still reads."""

    def __init__(self, reader, number, sample_frequency, start):
        self._reader = reader
        self.number = number
        self.sample_frequency = sample_frequency
        self._start = start
        text = lambda key: reader.parameter(number, key)
        self.name = text("SignalName") or text("OrgSignalName") or ""
        self.unit = text("Unit") or ""
        self.aliases = [alias for alias in (text("SignalAliases") or "").split("\t") if alias]
        self.correction_factor = reader.correction_factor(number)
        self.is_32bit = reader.is_32bit(number)
        self._width = 4 if self.is_32bit else 2
        self.overrun = text("OverrunLatched") == "Yes"
        first, last = reader.sample_range()
        self.first_sample = 0
        self.last_sample = reader.channel_end(number, max(0, last - first))

    def __len__(self):
        return self.last_sample - self.first_sample

    def __getitem__(self, key):
        if isinstance(key, slice):
            start, stop, step = key.indices(len(self))
            if step < 0:
                return self[:][key]
            return self._samples(start, max(start, stop))[::step]
        if isinstance(key, (int, np.integer)) and not isinstance(key, bool):
            index = key + len(self) if key < 0 else key
            if not 0 <= index < len(self):
                raise IndexError("sample %d is not in channel %d" % (key, self.number))
            return self._samples(index, index + 1)[0]
        raise TypeError("a channel is indexed by an integer or a slice")

    def _range(self, start, stop):
        """[start, stop) checked, stop None: the channel's end; nothing lies beyond the end."""
        start = _integer(start, "start")
        stop = self.last_sample if stop is None else _integer(stop, "stop")
        if stop < start:
            raise ValueError("stop %d lies before start %d" % (stop, start))
        return start, max(start, min(stop, self.last_sample))

    def _samples(self, start, stop=None, scaled=False):
        start, stop = self._range(start, stop)
        # Each component call hands out at most RESULT_BOUND bytes, one slot more than asked for.
        piece = max(1, RESULT_BOUND // self._width - 1)
        if stop - start > piece:
            # Pieces of a few MiB come from memory the allocator reuses, still in the cache.
            piece = min(piece, _PIECE_BYTES // self._width)
        try:
            values = self._reader.samples(self.number, start, stop, self.is_32bit, piece)
        except MemoryError as error:
            raise MemoryError("samples %d..%d of channel %d need %.1f GiB, more than can be allocated: read them "
                              "with Recording.iter_samples(channel, chunk)"
                              % (start, stop, self.number, (stop - start) * self._width / 2**30)) from error
        if not scaled:
            return values
        return values * (self.correction_factor or 1.0)

    def time(self, start=0, stop=None, absolute=False):
        """The times of samples [start, stop) (as samples() counts them): float64 seconds from the
        channel's first sample, from "SampleFrequency"; absolute: datetime64[us] from
        Recording.start. ValueError when the recording does not give what is needed."""
        start, stop = self._range(start, stop)
        if not self.sample_frequency:
            raise ValueError("the recording gives no SampleFrequency: channel %d has no time axis" % self.number)
        seconds = np.arange(start, stop, dtype=np.float64) / self.sample_frequency
        if not absolute:
            return seconds
        if self._start is None:
            raise ValueError("the recording's start is not known (its date and time come from the .REC file: "
                             "tarn.open(path, rec=True))")
        return np.datetime64(self._start, "us") + np.round(seconds * 1e6).astype("timedelta64[us]")

    def __repr__(self):
        return "<Channel %d %r [%s], %d samples>" % (self.number, self.name, self.unit, len(self))


class Channels(list):
    """A recording's channels in order (channels[0] is channel 1); a str looks a channel up by its
    signal name or one of its aliases."""

    def __getitem__(self, key):
        if isinstance(key, str):
            return self.find(key)
        return list.__getitem__(self, key)

    def find(self, name):
        """The one channel whose name or alias is name; KeyError when none or several are."""
        matches = [c for c in self if name == c.name or name in c.aliases]
        if len(matches) == 1:
            return matches[0]
        if matches:
            numbers = ", ".join(str(c.number) for c in matches)
            raise KeyError("%r names channels %s: ask for one by its number" % (name, numbers))
        known = "; ".join("%d %s" % (c.number, ", ".join(repr(n) for n in [c.name] + c.aliases if n) or "(no name)")
                          for c in self)
        raise KeyError("no channel is named %r; the channels: %s" % (name, known))


class Recording:
    """A recording opened and scanned through the component; a context manager that closes it.
    rec[key] is a channel by its name, alias or number (from 1)."""

    def __init__(self, path, rec=False, progress=False):
        self.path = str(path)
        self._rec = bool(rec)
        # The component looks for the .REC file beside the path it is given: a bare file name
        # has no folder to look in.
        self._absolute = os.path.abspath(self.path)
        self._reader = _tarn.Reader(self._absolute, self._rec, bool(progress))
        self.sample_frequency = self._reader.sample_frequency()
        self.start = _date_time(self.parameter(0, "Date"), self.parameter(0, "Time"))
        count = self._reader.channel_count()
        self.channels = Channels(Channel(self._reader, number, self.sample_frequency, self.start)
                                 for number in range(1, count + 1))
        # [first, last): the samples every channel has, in the recording's numbering.
        self.first_sample, self.last_sample = self._reader.sample_range()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __getitem__(self, key):
        return self._channel(key)

    def __iter__(self):
        # Without it, iterating would index from 0, which is no channel number.
        return iter(self.channels)

    def close(self):
        self._reader.close()

    @property
    def description(self):
        """The setup text as stored, or None."""
        return self._reader.description()

    @property
    def rec_info(self):
        """The REC info embedded in the recording as bytes, or None."""
        return self._reader.rec_info()

    def parameter(self, section, key):
        """A setup value as text (section 0: the recorder, 1..N: the channels); None when absent."""
        if not isinstance(key, str):
            raise TypeError("a parameter's name is a str")
        return self._reader.parameter(int(section), key)

    def dc_blocks(self, start=0, stop=None):
        """The DC blocks whose sample numbers lie in [start, stop)."""
        start = _integer(start, "start")
        stop = _LONG_MAX if stop is None else _integer(stop, "stop")
        return [DCBlock(channel, index, sample, dict(values))
                for channel, index, sample, values in self._reader.dc_blocks(start, stop)]

    def _channel(self, channel):
        if isinstance(channel, str):
            return self.channels.find(channel)
        return self.channels[_channel_number(channel, len(self.channels)) - 1]

    def samples(self, channel, start=0, stop=None, *, scaled=False):
        """Samples [start, stop) of a channel (a number, name or alias; stop None: to its end), as
        far as it has them: int16, or int32 for a 32-bit channel; scaled: float64 times the
        correction factor (a channel without one keeps its stored values). A range of up to
        RESULT_BOUND bytes is the component's own buffer; a longer one is read in pieces into one
        array (MemoryError when it cannot be allocated: iter_samples reads it piece by piece)."""
        return self._channel(channel)._samples(start, stop, scaled)

    def iter_samples(self, channel, chunk=1 << 24, start=0, stop=None, *, scaled=False):
        """Samples [start, stop) of a channel as samples() gives them, in arrays of chunk samples
        (the last one shorter): for channels longer than memory holds."""
        chosen, chunk = self._channel(channel), _integer(chunk, "chunk", 1)
        start, stop = chosen._range(start, stop)
        for first in range(start, stop, chunk):
            yield chosen._samples(first, min(stop, first + chunk), scaled)

    def overview(self, channel, count, start=0, stop=0):
        """(min, max) arrays of count pairs over [start, stop) (0, 0: the whole channel), from the
        component's compressed retrieval; fewer samples than pairs: the samples in both."""
        chosen = self._channel(channel)
        count = _integer(count, "count", 1, _LONG_MAX // 2)
        start, stop = _integer(start, "start"), _integer(stop, "stop")
        # More pairs than samples give the samples themselves: no larger buffer is asked for.
        count = min(int(count), max(1, len(chosen)))
        if 2 * count * chosen._width > RESULT_BOUND:
            raise ValueError("%d pairs of channel %d are %.1f GiB, more than the component hands out in one call "
                             "(tarn.RESULT_BOUND, %d bytes): ask for fewer"
                             % (count, chosen.number, 2 * count * chosen._width / 2**30, RESULT_BOUND))
        values = self._reader.overview(chosen.number, 2 * int(count), start, stop, chosen.is_32bit)
        if len(values) != 2 * count:
            return values, values
        # Pairs come (min, max) from the scan's cache and (max, min) when reduced from the samples.
        pairs = values.reshape(-1, 2)
        return pairs.min(axis=1), pairs.max(axis=1)

    def blocks(self, mode="interleaved", channels=None, chunk=None):
        """Sequential reading from the first block: (first sample number, int32 array of samples x
        channels) per block; mode "interleaved" or "channels" is the layout the component delivers,
        channels a selection (numbers from 1, names or aliases; one column each in that order);
        chunk: tables of up to chunk samples made of consecutive blocks, each a stretch without a
        gap (None: each block as the component delivers it)."""
        if mode not in ("interleaved", "channels"):
            raise ValueError("mode is 'interleaved' or 'channels', not %r" % (mode,))
        chosen = [] if channels is None else [self._channel(c).number for c in channels]
        if len(set(chosen)) != len(chosen):
            raise ValueError("a channel is chosen twice")
        # No table is longer than the longest chosen channel: room for more would go unused.
        longest = max((len(self._channel(c)) for c in chosen or range(1, len(self.channels) + 1)), default=0)
        rows = 0 if chunk is None else min(_integer(chunk, "chunk", 1), max(1, longest))
        # The component delivers a selection in ascending channel order.
        ascending = sorted(chosen)
        order = [ascending.index(c) for c in chosen]
        stream = _tarn.BlockStream(self._absolute, mode == "channels", ascending)
        while True:
            block = stream.next(rows)
            if block is None:
                return
            start, table = block
            yield start, (table if order == sorted(order) else table[:, order])

    def to_pandas(self, channels=None, scaled=True):
        """A DataFrame of the channels (default all), one column each named after the channel (its
        number added when two share a name), indexed by time in seconds from the channels' first
        samples, as long as the shortest."""
        import pandas as pd

        chosen = self.channels if channels is None else [self._channel(c) for c in channels]
        rows = min((len(c) for c in chosen), default=0)
        names = [c.name or "channel %d" % c.number for c in chosen]
        # Channels of the same name keep a column each.
        names = [n if names.count(n) == 1 else "%s (%d)" % (n, c.number) for n, c in zip(names, chosen)]
        columns = {n: self.samples(c, 0, rows, scaled=scaled) for n, c in zip(names, chosen)}
        frequency = self.sample_frequency or 1.0
        index = pd.Index(np.arange(rows) / frequency, name="time")
        return pd.DataFrame(columns, index=index)

    def __repr__(self):
        return "<Recording %r, %d channels>" % (self.path, len(self.channels))


class Writer:
    """Writes a recording through the component: write(channel, int16 or int32 array),
    write_dc(sample, {key: value}); a context manager that closes the file."""

    def __init__(self, path, channels, sample_frequency, names=None, units=None,
                 correction_factors=None, rec_info=None):
        if isinstance(channels, bool) or not isinstance(channels, (int, np.integer)):
            raise TypeError("channels is a count")
        if not 1 <= channels <= 65536:
            raise ValueError("channels must be in 1..65536")
        frequency = float(sample_frequency)
        if not (math.isfinite(frequency) and frequency > 0):
            raise ValueError("sample_frequency must be a positive number")
        names = self._per_channel(names, channels, "names", str, "")
        units = self._per_channel(units, channels, "units", str, "")
        factors = self._per_channel(correction_factors, channels, "correction_factors", (int, float, type(None)), None)
        if rec_info is not None and not isinstance(rec_info, (bytes, bytearray)):
            raise TypeError("rec_info is bytes")
        if rec_info is None:
            rec_info = self._set_up_text(frequency, names, units)
        setups = [_tarn.ChannelSetup(n, u, "" if f is None else repr(float(f))) for n, u, f in zip(names, units, factors)]
        self._widths = [None] * channels
        self._writer = _tarn.Writer(str(path), repr(frequency), setups, bytes(rec_info))

    @staticmethod
    def _set_up_text(frequency, names, units):
        """The component writes no recording without REC info: a recorder's set-up text made
        from the arguments stands in for one."""
        lines = ["; written by tarn", "[Recording]", "Channels=%d" % len(names), "SampleFrequency=%r" % frequency]
        for number, (name, unit) in enumerate(zip(names, units), 1):
            lines += ["[Channel %d]" % number, "Name=" + name, "Unit=" + unit]
        return ("\r\n".join(lines) + "\r\n").encode("cp1252", "replace")

    @staticmethod
    def _per_channel(values, count, what, kind, default):
        if values is None:
            return [default] * count
        values = list(values)
        if len(values) != count:
            raise ValueError("%s needs one entry per channel (%d), not %d" % (what, count, len(values)))
        if not all(isinstance(v, kind) and not isinstance(v, bool) for v in values):
            raise TypeError("%s holds the wrong type" % what)
        return values

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def write(self, channel, samples, overload=False):
        """Appends samples (1-D int16 or int32; a channel keeps the width it started with; an
        even count for int16) to the channel (from 1)."""
        number = _channel_number(channel, len(self._widths))
        if not isinstance(samples, np.ndarray):
            raise TypeError("samples are a NumPy array")
        if samples.dtype.kind != "i" or samples.dtype.itemsize not in (2, 4):
            raise TypeError("samples are int16 or int32, not %s" % samples.dtype)
        if samples.ndim != 1:
            raise ValueError("samples are one-dimensional, not of shape %s" % (samples.shape,))
        if samples.dtype.itemsize == 2 and len(samples) % 2:
            raise ValueError("16-bit blocks hold an even number of samples, not %d" % len(samples))
        width = samples.dtype.itemsize
        if self._widths[number - 1] not in (None, width):
            raise TypeError("channel %d was written with %d-bit samples" % (number, 8 * self._widths[number - 1]))
        if len(samples) == 0:
            return
        self._widths[number - 1] = width
        little = np.ascontiguousarray(samples, dtype="<i%d" % width)
        self._writer.write(number, little, bool(overload))

    def write_dc(self, sample, values):
        """A DC block at the recorder's sample number with {key: int32 value} (at most 255 keys).
        The writer places the first DC block at sample 0 and later ones relative to it."""
        if not isinstance(values, dict) or not values:
            raise TypeError("values are a non-empty dict of key: value")
        if len(values) > 255 or not all(0 <= int(k) <= 0xFFFF and -2**31 <= int(v) < 2**31 for k, v in values.items()):
            raise ValueError("at most 255 keys of 0..65535 with 32-bit values")
        if not 0 <= sample < 2**32:
            raise ValueError("sample must be in 0..2**32-1")
        self._writer.write_dc(int(sample), [(int(k), int(v)) for k, v in values.items()])

    def close(self):
        self._writer.close()
