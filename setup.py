"""Builds the zemko Python module with the project's own CMake build, so that the module uses
the same compiled library and flags as the console: pip install --no-build-isolation ."""

import pathlib
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext


class CMakeBuild(build_ext):
    def build_extension(self, ext: Extension) -> None:
        source = pathlib.Path(__file__).parent.resolve()
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        configure = [
            "cmake", "-S", str(source), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
            "-DZEMKO_PYTHON=ON", "-DZEMKO_TESTS=OFF", f"-DPython3_EXECUTABLE={sys.executable}",
        ]
        try:
            # The pybind11 of the build's environment (an isolated build installs it from the
            # requirements of pyproject.toml), used when the system has none.
            import pybind11
            configure.append(f"-DZEMKO_PYBIND11_DIR={pybind11.get_cmake_dir()}")
        except ImportError:
            pass
        subprocess.check_call(configure)
        subprocess.check_call(["cmake", "--build", str(build), "--target", "_zemko", "-j", "2"])
        built = next(build.glob("_zemko*.so"))
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(built, target)


setup(
    name="zemko",
    version="1.0",
    description="A solver for the two-machine flow shop with the total completion time objective",
    packages=["zemko"],
    package_dir={"": "python"},
    package_data={"zemko": ["py.typed", "_zemko.pyi"]},
    ext_modules=[Extension("zemko._zemko", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    python_requires=">=3.9",
)
