#!/usr/bin/env python3
"""tarn view's speed: the server's answer to an overview of 2,000 pixels of channel 1 at 200 random
zoom levels and positions (median and worst), and the page's time from load to its first full
drawing in headless Chromium (median of three loads), on the read benchmark's 256 MiB recording
and on a large one (4 channels, 16-bit, 1,024-sample blocks; 4 GiB by default).

    PYTHONPATH=build/clang/python /usr/bin/python3 bench/view/bench_view.py build/clang/tools/tarn [FOLDER] [--gib N]

The recordings are written once into FOLDER (default: the temp folder) through the Python module's
example writer and kept there. Exits 1 when a target on the large recording is missed.
"""
import argparse
import http.client
import json
import math
import os
import random
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tests', 'tools', 'view'))
from served import Served  # noqa: E402

import tarn._tarn  # noqa: E402

CHANNELS, BLOCK_SAMPLES, PIXELS, VIEWS = 4, 1024, 2000, 200
BLOCK_BYTES = 16 + 2 * BLOCK_SAMPLES


def recording(folder, name, size):
    blocks = -(-size // (CHANNELS * BLOCK_BYTES))
    path = os.path.join(folder, name)
    if not os.path.exists(path) or os.path.getsize(path) != 20 + blocks * CHANNELS * BLOCK_BYTES:
        print('writing %s (%.2f GiB) ...' % (path, size / 2**30), flush=True)
        tarn._tarn._write_example(path, CHANNELS, blocks, BLOCK_SAMPLES)
    return path


def overview_times(url):
    host, port = url.split('//')[1].split(':')
    connection = http.client.HTTPConnection(host, int(port), timeout=30)
    def get(path):
        start = time.perf_counter()
        connection.request('GET', path)
        answer = connection.getresponse()
        body = answer.read()
        if answer.status != 200:
            raise RuntimeError('%s: %d %s' % (path, answer.status, body[:200]))
        return time.perf_counter() - start, body
    channel = json.loads(get('/api/recording')[1])['channels'][0]
    first, end = channel['first'], channel['last'] + 1
    rng = random.Random(20)
    times = []
    for view in range(VIEWS + 5):
        # Spans from two samples per pixel to the whole channel, evenly on a log scale.
        span = int(math.exp(rng.uniform(math.log(2 * PIXELS), math.log(end - first))))
        start = rng.randint(first, end - span)
        seconds, _ = get('/api/overview?channel=1&from=%d&to=%d&count=%d' % (start, start + span, PIXELS))
        if view >= 5:  # the first few warm the connection
            times.append(seconds)
    connection.close()
    return statistics.median(times), max(times), end - first


def first_drawing(url, chromium, driver_path):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    times = []
    with tempfile.TemporaryDirectory() as profile:
        options = webdriver.ChromeOptions()
        options.binary_location = chromium
        for argument in ('--headless=new', '--no-sandbox', '--disable-gpu', '--window-size=1600,1000',
                         '--user-data-dir=' + profile):
            options.add_argument(argument)
        driver = webdriver.Chrome(service=Service(driver_path), options=options)
        try:
            driver.set_page_load_timeout(30)
            for _ in range(3):
                driver.get(url + '/?%d' % len(times))
                deadline = time.monotonic() + 30
                while not driver.execute_script('return window.tarnView && window.tarnView.firstDrawMs'):
                    if time.monotonic() > deadline:
                        raise RuntimeError('the page did not draw within 30 s')
                    time.sleep(0.02)
                times.append(driver.execute_script('return window.tarnView.firstDrawMs') / 1000)
        finally:
            driver.quit()
    return statistics.median(times)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('tarn')
    parser.add_argument('folder', nargs='?', default=tempfile.gettempdir())
    parser.add_argument('--gib', type=float, default=4)
    parser.add_argument('--chromium', default='/usr/bin/chromium')
    parser.add_argument('--chromedriver', default='/usr/bin/chromedriver')
    args = parser.parse_args()
    cases = [('256 MiB', recording(args.folder, 'tarn-bench-samples.dat', 256 << 20)),
             ('%g GiB' % args.gib, recording(args.folder, 'tarn-bench-view-%gg.dat' % args.gib, int(args.gib * 2**30)))]
    met = True
    for label, path in cases:
        with Served(args.tarn, path, start_seconds=600) as url:
            median, worst, samples = overview_times(url)
            drawing = first_drawing(url, args.chromium, args.chromedriver)
        print('%-8s (%d samples per channel): overview of %d pixels, %d views: median %.2f ms, worst %.2f ms; '
              'first full drawing %.0f ms' % (label, samples, PIXELS, VIEWS, median * 1e3, worst * 1e3, drawing * 1e3))
        if label != '256 MiB':
            met = median <= 0.010 and worst <= 0.050 and drawing <= 1.0
            print('targets (large recording): median <= 10 ms, worst <= 50 ms, first drawing <= 1000 ms: %s'
                  % ('met' if met else 'MISSED'))
    return 0 if met else 1


if __name__ == '__main__':
    sys.exit(main())
