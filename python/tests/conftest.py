"""The simulated gantry for the module's tests: a fresh install folder with
the staged database, virtual time, three simulated axes."""
import os
import shutil
import subprocess
import sys

import pytest

import vek

VEKCTL = os.environ.get("VEKCTL", "vekctl")
SOURCE = os.environ.get("VEK_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))


@pytest.fixture(scope="module")
def gantry(tmp_path_factory):
    home = tmp_path_factory.mktemp("home")
    os.makedirs(home / "data")
    shutil.copy(os.path.join(vek.installSubfolder("data"), "vek.db"), home / "data" / "vek.db")
    vek.setInstallFolder(str(home))
    vek.useVirtualTime()
    server = vek.Server()
    slides = server.getLinearSlides()
    slides.isSimulation = True
    slides.databaseRelatedInit("vek.db")
    slides.openConnection(9600, "SIM")
    yield server
    vek.shutDown()


def vekctl(home, *args, **kwargs):
    """Runs `vekctl run --home HOME ARGS...`; the completed process."""
    return subprocess.run([VEKCTL, "run", "--home", str(home), *args], capture_output=True, text=True,
                          timeout=120, **kwargs)


def python(code, **kwargs):
    """Runs `code` in a fresh interpreter (the one running the tests)."""
    return subprocess.Popen([sys.executable, "-c", code], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            text=True, **kwargs)
