#!/usr/bin/env python3
"""The viewer's API on the tool tests' two-channel recording (channel 1: 16-bit, factor 0.5, samples
0..11 and 16..19, an overrun gap between; channel 2: 32-bit, factor 0.25), and the overviews of
the long one (160,000 samples per channel in blocks of 8) against its samples.

usage: view_api_test.py TARN RECORDING LONG_RECORDING
"""
import concurrent.futures
import json
import sys
import unittest
import urllib.error
import urllib.request

from served import Served

TARN, RECORDING, LONG = sys.argv[1:4]


def get(url, method='GET'):
    request = urllib.request.Request(url, method=method)
    try:
        with urllib.request.urlopen(request, timeout=10) as answer:
            return answer.status, answer.read()
    except urllib.error.HTTPError as error:
        return error.code, error.read()


class ServedRecording:
    recording = RECORDING

    @classmethod
    def setUpClass(cls):
        cls.served = Served(TARN, cls.recording)
        cls.url = cls.served.__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.served.__exit__()

    def json(self, path, status=200):
        code, body = get(self.url + path)
        self.assertEqual(code, status, body)
        return json.loads(body)


class LongOverview(ServedRecording, unittest.TestCase):
    recording = LONG

    def test_each_pair_is_the_minimum_and_maximum_of_its_samples(self):
        end = self.json('/api/recording')['channels'][0]['last'] + 1
        samples = []
        for first in range(0, end, 65536):
            samples += self.json('/api/samples?channel=1&from=%d&to=%d' % (first, min(end, first + 65536)))['runs'][0]['values']
        self.assertEqual(len(samples), end)
        # 1,600 samples per pixel come from the component's min/max cache, 160 are read and reduced.
        for count in (100, 1000):
            got = self.json('/api/overview?channel=1&from=0&to=%d&count=%d' % (end, count))
            self.assertEqual(len(got['min']), count)
            for start, stop, low, high in zip(got['start'], got['end'], got['min'], got['max']):
                self.assertEqual((low, high), (min(samples[start:stop]), max(samples[start:stop])), (count, start))


class ViewApi(ServedRecording, unittest.TestCase):
    def test_bad_requests_are_refused_naming_the_parameter(self):
        overview = '/api/overview?channel=1&from=0&to=20&count=5'
        cases = [
            ('/api/overview?channel=0&from=0&to=20&count=5', 'channel'),
            ('/api/overview?channel=3&from=0&to=20&count=5', 'channel'),
            ('/api/overview?channel=1&from=-1&to=20&count=5', 'from'),
            ('/api/overview?channel=1&from=1e3&to=20&count=5', 'from'),
            ('/api/overview?channel=1&from=5&to=5&count=5', 'to'),
            ('/api/overview?channel=1&from=0&to=2147483648&count=5', 'to'),
            ('/api/overview?channel=1&from=0&to=20&count=0', 'count'),
            ('/api/overview?channel=1&from=0&to=20&count=10001', 'count'),
            ('/api/overview?channel=1&from=0&to=20', 'count'),
            (overview + '&channel=2', 'channel'),
            (overview + '&path=/etc/passwd', 'path'),
            ('/api/samples?channel=1&from=0&to=65537', 'to'),
            ('/api/recording?x=1', 'x'),
        ]
        for path, parameter in cases:
            with self.subTest(path=path):
                self.assertEqual(self.json(path, 400)['parameter'], parameter)

    def test_only_get_on_known_paths(self):
        for path, method, status in [('/nothing', 'GET', 404), ('/../README.md', 'GET', 404),
                                     ('/api/recording', 'POST', 405), ('/api/recording', 'HEAD', 405),
                                     ('/', 'GET', 200)]:
            with self.subTest(path=path, method=method):
                self.assertEqual(get(self.url + path, method)[0], status)

    def test_recording(self):
        rec = self.json('/api/recording')
        self.assertEqual(rec['sampleFrequency'], 44100.5)
        first, second = rec['channels']
        self.assertEqual((first['name'], first['unit'], first['factor'], first['bits'], first['overrun']),
                         ('Pressure', 'Pa', 0.5, 16, True))
        self.assertEqual((first['first'], first['last'], second['bits'], second['factor']), (0, 19, 32, 0.25))

    def test_samples_are_scaled_in_runs_around_the_gap(self):
        got = self.json('/api/samples?channel=1&from=9&to=100')
        self.assertEqual(got['kind'], 'samples')
        self.assertEqual(got['runs'], [{'from': 9, 'values': [3.5, 4.0, 4.5]},
                                       {'from': 16, 'values': [7.0, 7.5, 8.0, 8.5]}])
        self.assertEqual(got['gaps'], [[12, 16]])
        self.assertEqual(self.json('/api/samples?channel=2&from=0&to=2')['runs'][0]['values'], [16384.25, -0.5])

    def test_overview_pairs_cover_their_pixels(self):
        got = self.json('/api/overview?channel=1&from=0&to=20&count=5')
        self.assertEqual(got['kind'], 'pairs')
        # Pixels of 4 samples; the one inside the gap has no pair.
        self.assertEqual(list(zip(got['start'], got['end'])), [(0, 4), (4, 8), (8, 12), (16, 20)])
        self.assertEqual((got['min'], got['max']), ([-1.0, 1.0, 3.0, 7.0], [0.5, 2.5, 4.5, 8.5]))
        self.assertEqual(got['gaps'], [[12, 16]])
        # Fewer than two samples per pixel: the samples themselves.
        self.assertEqual(self.json('/api/overview?channel=1&from=0&to=20&count=11')['kind'], 'samples')

    def test_many_requests_at_once(self):
        paths = ['/api/overview?channel=%d&from=0&to=2147483647&count=10000' % (1 + i % 2) for i in range(48)]
        with concurrent.futures.ThreadPoolExecutor(16) as pool:
            codes = [code for code, _ in pool.map(lambda p: get(self.url + p), paths)]
        self.assertEqual(codes, [200] * len(paths))
        self.json('/api/recording')


if __name__ == '__main__':
    unittest.main(argv=sys.argv[:1], verbosity=2)
