"""The extension tarn._tarn, built by the project's CMake build (the source tree one folder up)
with the system's CMake, pybind11 and NumPy, and packed with the shared COM layer it loads."""
import os
import pathlib
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent


def project_version():
    """The release's version, from the one place that defines it."""
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(tarn VERSION ([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        staging = pathlib.Path(self.build_temp).resolve() / "staging"
        target = pathlib.Path(self.get_ext_fullpath(ext.name)).resolve()
        # TARN_PYTHON_WHEEL: the extension finds the COM layer beside itself.
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                        "-DTARN_BUILD_TESTS=OFF", "-DTARN_BUILD_BENCH=OFF", "-DTARN_PYTHON_WHEEL=ON",
                        f"-DPython3_EXECUTABLE={sys.executable}", "-DTARN_PYTHON_INSTALL_DIR=."], check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "tarn_python",
                        "--parallel", str(os.cpu_count() or 1)], check=True)
        shutil.rmtree(staging, ignore_errors=True)
        subprocess.run(["cmake", "--install", str(build), "--component", "python", "--prefix", str(staging)],
                       check=True)
        target.parent.mkdir(parents=True, exist_ok=True)
        for built in (staging / "tarn").glob("*.so*"):
            shutil.copy2(built, target if built.name.startswith("_tarn") else target.parent / built.name)


setup(version=project_version(),
      ext_modules=[Extension("tarn._tarn", sources=[])],
      cmdclass={"build_ext": CMakeBuild})
