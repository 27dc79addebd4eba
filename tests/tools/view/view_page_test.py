#!/usr/bin/env python3
"""The viewer's page in headless Chromium through Selenium: every lane of the demo recording drawn,
a wheel zoom that narrows the time axis down to single samples (asked of /api/samples), the view
kept in the URL across a reload, a hidden channel; saves a screenshot of the first full drawing.

usage: view_page_test.py TARN DEMO_RECORDING CHROMIUM CHROMEDRIVER SCREENSHOT.png
"""
import sys
import tempfile
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

from served import Served

TARN, RECORDING, CHROMIUM, DRIVER, SCREENSHOT = sys.argv[1:6]

# Per lane: the share of its plot area in the envelope's blue.
LANE_INK = """
const s = window.tarnView, c = document.getElementById('plot'), r = c.width / c.clientWidth;
const g = c.getContext('2d');
return s.lanes.map(l => {
  const d = g.getImageData(Math.round(84 * r), Math.round(l.top * r), Math.round((c.clientWidth - 108) * r),
                           Math.round(l.height * r)).data;
  let blue = 0;
  for (let i = 0; i < d.length; i += 4) if (d[i + 2] > d[i] + 60) blue++;
  return blue / (d.length / 4);
});"""

WHEEL = """
const c = document.getElementById('plot'), b = c.getBoundingClientRect();
c.dispatchEvent(new WheelEvent('wheel', {deltaY: -600, clientX: b.left + b.width / 2, clientY: b.top + 60,
                                         bubbles: true, cancelable: true}));"""


def browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for argument in ('--headless=new', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage',
                     '--window-size=1200,900', '--user-data-dir=' + profile):
        options.add_argument(argument)
    driver = webdriver.Chrome(service=Service(DRIVER), options=options)
    driver.set_page_load_timeout(30)
    driver.set_script_timeout(30)
    return driver


def wait_for(driver, script, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = driver.execute_script(script)
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError('timed out waiting for: ' + script)


class ViewPage(unittest.TestCase):
    def test_page(self):
        with Served(TARN, RECORDING) as url, tempfile.TemporaryDirectory() as profile:
            driver = browser(profile)
            try:
                self.run_page(driver, url)
            finally:
                driver.quit()

    def run_page(self, driver, url):
        driver.get(url + '/')
        wait_for(driver, 'return window.tarnView && window.tarnView.drawn')
        driver.save_screenshot(SCREENSHOT)
        # A lane with a curve a pixel wide across it has about 0.7 % of its area inked.
        ink = driver.execute_script(LANE_INK)
        self.assertEqual(len(ink), 4)
        for lane, share in enumerate(ink, 1):
            self.assertGreater(share, 0.003, 'lane %d is blank' % lane)

        span = driver.execute_script('return window.tarnView.to - window.tarnView.from')
        labels = driver.execute_script('return window.tarnView.axisLabels')
        for _ in range(5):
            driver.execute_script(WHEEL)
        wait_for(driver, 'return window.tarnView.requests.samples > 0 && !window.tarnView.pending.size')
        zoomed = driver.execute_script('return [window.tarnView.from, window.tarnView.to]')
        self.assertLess(zoomed[1] - zoomed[0], span / 100)
        wait_for(driver, 'return String(window.tarnView.axisLabels) != %r' % ','.join(labels))
        self.assertTrue(all(share > 0.003 for share in driver.execute_script(LANE_INK)))

        # The view is in the URL: a reload shows the same range; a hidden channel stays hidden.
        wait_for(driver, 'return location.hash.startsWith("#from=%d")' % round(zoomed[0]))
        driver.execute_script('document.querySelector("input[data-channel=\\"2\\"]").click()')
        wait_for(driver, 'return location.hash.endsWith("&hide=2")')
        driver.get(driver.current_url)
        driver.refresh()
        wait_for(driver, 'return window.tarnView && window.tarnView.drawn')
        reloaded = driver.execute_script('return [window.tarnView.from, window.tarnView.to, window.tarnView.lanes.length]')
        self.assertAlmostEqual(reloaded[0], zoomed[0], delta=1)
        self.assertAlmostEqual(reloaded[1], zoomed[1], delta=1)
        self.assertEqual(reloaded[2], 3)


if __name__ == '__main__':
    unittest.main(argv=sys.argv[:1], verbosity=2)
