"""Builds korvalind._korvalind with the tree's CMake build (python/CMakeLists.txt), so that the
pip package and the CMake build compile the same sources with the same options, and puts the
bundled directory beside it.

CMAKE_ARGS adds options to the configure step (e.g. -DCMAKE_CXX_COMPILER_LAUNCHER=ccache);
CMAKE_BUILD_PARALLEL_LEVEL sets the build's jobs.
"""

import os
import re
import shlex
import shutil
import subprocess
import sys
from pathlib import Path

import pybind11
from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(korvalind VERSION ([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = Path(self.build_temp).resolve() / "cmake"
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(build),
            "-DCMAKE_BUILD_TYPE=Release",
            "-DKORVALIND_BUILD_TESTS=OFF", "-DKORVALIND_BUILD_BENCH=OFF",
            "-DKORVALIND_BUILD_GUI=OFF", "-DKORVALIND_BUILD_PYTHON=ON",
            f"-DPython3_EXECUTABLE={sys.executable}",
            f"-Dpybind11_DIR={pybind11.get_cmake_dir()}",
        ] + shlex.split(os.environ.get("CMAKE_ARGS", ""))
        subprocess.run(configure, check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))
        subprocess.run(
            ["cmake", "--build", str(build), "--target", "korvalind_python", "-j", jobs],
            check=True,
        )
        built = build / "python" / "korvalind"
        extensions = list(built.glob("_korvalind*.so"))
        if len(extensions) != 1:
            raise RuntimeError(f"expected one _korvalind extension in {built}, found {extensions}")
        target = Path(self.get_ext_fullpath(ext.name)).resolve()
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(extensions[0], target)
        shutil.copyfile(built / "Korvalind.dat", target.parent / "Korvalind.dat")


setup(
    version=project_version(),
    ext_modules=[Extension("korvalind._korvalind", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    # Beside the tree's own build folders, not in them.
    options={"build": {"build_base": "build-pip"}},
)
