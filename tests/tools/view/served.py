"""Runs `tarn view` on a free port for the length of a with-block and always stops it.

    with Served(tarn, recording) as url: ...   # url: "http://127.0.0.1:PORT"
"""
import re
import select
import subprocess
import time


class Served:
    def __init__(self, tarn, recording, start_seconds=30):
        self.command = [tarn, 'view', recording, '--port', '0']
        self.start_seconds = start_seconds

    def __enter__(self):
        self.process = subprocess.Popen(self.command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        deadline, seen = time.monotonic() + self.start_seconds, ''
        while time.monotonic() < deadline:
            ready, _, _ = select.select([self.process.stdout], [], [], 0.2)
            line = self.process.stdout.readline() if ready else ''
            seen += line
            found = re.search(r'http://127\.0\.0\.1:(\d+)/', line)
            if found:
                return found.group(0).rstrip('/')
            if self.process.poll() is not None:
                break
        self.__exit__(None, None, None)
        raise RuntimeError('tarn view printed no URL: ' + seen)

    def __exit__(self, *_):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.process.stdout.close()
