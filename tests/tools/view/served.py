"""Runs `tarn view` on a free port for the length of a with-block and always stops it.

    with Served(tarn, recording) as url: ...   # url: "http://127.0.0.1:PORT"
"""
import queue
import re
import subprocess
import threading
import time


class Served:
    def __init__(self, tarn, recording, start_seconds=60):
        self.command = [tarn, 'view', recording, '--port', '0']
        self.start_seconds = start_seconds

    def __enter__(self):
        self.process = subprocess.Popen(self.command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        # Lines come through a thread, so that waiting for them can be bounded in time.
        lines = queue.Queue()
        threading.Thread(target=lambda: [lines.put(line) for line in self.process.stdout], daemon=True).start()
        seen, deadline = '', time.monotonic() + self.start_seconds
        try:
            while True:
                line = lines.get(timeout=max(0.0, deadline - time.monotonic()))
                seen += line
                found = re.search(r'http://127\.0\.0\.1:(\d+)/', line)
                if found:
                    return found.group(0).rstrip('/')
        except queue.Empty:
            pass
        self.__exit__(None, None, None)
        raise RuntimeError('tarn view printed no URL: ' + seen)

    def __exit__(self, *_):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
