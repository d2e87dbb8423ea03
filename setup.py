"""pip install . : the Python module vek, built by vek's own CMake build.

Debian's setuptools drives CMake (Debian has no scikit-build); nothing is
downloaded. The wheel's package vek holds the extension, libvek and the data
folder beside it, so the package folder is a working install folder.
"""
import glob
import os
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = os.path.dirname(os.path.abspath(__file__))


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = os.path.join(os.path.abspath(self.build_temp), "cmake")
        subprocess.check_call(["cmake", "-S", HERE, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
                               "-DVEK_BUILD_TESTS=OFF", "-DVEK_BUILD_BENCH=OFF", "-DVEK_BUILD_TOOLS=OFF",
                               "-DVEK_BUILD_PYTHON=ON", "-DPython3_EXECUTABLE=" + sys.executable])
        subprocess.check_call(["cmake", "--build", build, "--target", "vek_python", "-j2"])
        package = os.path.join(os.path.abspath(self.build_lib), "vek")
        os.makedirs(package, exist_ok=True)
        for built in glob.glob(os.path.join(build, "python", "vek", "*")):
            if os.path.isfile(built):
                shutil.copy2(built, package)
        # The file the extension is linked against (its soname), once.
        for library in glob.glob(os.path.join(build, "stage", "libvek.so.[0-9]")):
            shutil.copy2(library, package, follow_symlinks=True)
        shutil.copytree(os.path.join(build, "stage", "data"), os.path.join(package, "data"), dirs_exist_ok=True)


setup(
    name="vek",
    version="0.1.0",
    description="Drive a gantry of servo slides (and its simulation) from Python user programs",
    packages=["vek"],
    package_dir={"vek": "python/vek"},
    ext_modules=[Extension("vek._vek", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    zip_safe=False,
)
