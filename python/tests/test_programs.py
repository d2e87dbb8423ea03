"""vekctl run: the three examples as they stand, and how a failing program ends."""
import fnmatch
import os
import signal
import subprocess

import pytest

from conftest import SOURCE, VEKCTL, vekctl

EXAMPLES = os.path.join(SOURCE, "examples")


@pytest.fixture(scope="module")
def home(tmp_path_factory):
    return tmp_path_factory.mktemp("home")


@pytest.mark.parametrize("example, args, last", [
    ("pick_and_place.py", ["2"], "picked and placed 2 parts in * s, gripper at (80, 50, 0)"),
    ("contour.py", [], "drew Contour 2 times; X 20..80 mm, Y 20..60 mm; ended at (20, 20, 5)"),
    ("helix.py", [], "drew 2 turns of a helix around (50, 40) turned 30 degrees; started at (15, 0, 2), "
                     "ended at (62.99, 47.5, 12); the start in world values is (62.990, 47.500)"),
])
def test_examples_run_as_they_stand(home, example, args, last):
    for run in (1, 2):  # a second run finds what the first one stored
        done = vekctl(home, os.path.join(EXAMPLES, example), *args)
        assert done.returncode == 0, done.stdout + done.stderr
        lines = done.stdout.splitlines()
        assert fnmatch.fnmatchcase(lines[-1], last), lines[-1]
        assert "Homing motors done." in lines  # the level-5 texts reach the terminal


def test_pick_and_place_waits_for_each_part(home):
    done = vekctl(home, os.path.join(EXAMPLES, "pick_and_place.py"), "3")
    lines = done.stdout.splitlines()
    assert [l for l in lines if l.startswith("placed part")] == ["placed part %d of 3" % i for i in (1, 2, 3)]
    assert lines.count("Waiting for inputSwitch In1 on MotorX to have status = 1") == 3


@pytest.mark.parametrize("program, code, message", [
    ("import vek\nvek.Server().commands.DoPositionMove(7, 1, 1, 1)\n", 9,
     "error 11: Motor Index 7 is invalid. (program.py line 2)"),
    ("import vek\nvek.Server().commands.LogMessage('x', 99)\n", 9, "error 11: "),
    ("raise ValueError('own failure')\n", 13, "ValueError: own failure"),
    ("import sys\nsys.exit(4)\n", 4, ""),
])
def test_a_failing_program_ends_with_its_error(home, tmp_path, program, code, message):
    script = tmp_path / "program.py"
    script.write_text(program)
    done = vekctl(home, str(script))
    assert done.returncode == code, done.stdout + done.stderr
    assert message in done.stderr


def test_usage_errors(home, tmp_path):
    assert vekctl(home).returncode == 1
    missing = vekctl(home, str(tmp_path / "none.py"))
    assert missing.returncode == 1 and "no program file" in missing.stderr


def test_ctrl_c_ends_a_program_with_the_stop(home, tmp_path):
    script = tmp_path / "waits.py"
    script.write_text(
        "import vek\n"
        "server = vek.Server()\n"
        "server.logger.messagedLogged.connect(\n"
        "    lambda text, level: text.startswith('Waiting for') and print('waiting', flush=True))\n"
        "server.commands.WaitForSwitch(1, 'In2', 1)\n")
    child = subprocess.Popen([VEKCTL, "run", "--home", str(home), "--real-time", str(script)],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    for line in child.stdout:
        if line == "waiting\n":
            break
    child.send_signal(signal.SIGINT)  # vekctl has become the program's Python
    out, err = child.communicate(timeout=60)
    assert child.returncode == 130
    assert err == "interrupted: error 5: Exiting WaitForSwitch command.\n"


def test_a_program_drives_the_chain_on_a_serial_port(home, tmp_path):
    """The same program over the real serial stack, against the chain emulator
    behind a pseudo-terminal; a port that is not there ends with exit 4."""
    emulator = subprocess.Popen([VEKCTL, "emulate", "--motors", "3", "--speed", "50"],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        port = emulator.stdout.readline().strip()
        script = tmp_path / "move.py"
        script.write_text(
            "import vek\n"
            "c = vek.Server().commands\n"
            "c.DoPositionMove(2, 12, 20, 20)\n"
            "c.WaitForStop(2)\n"
            "print('motors', len(vek.Server().getLinearSlides().motors), 'Y at', round(c.CurrentPoint().y))\n")
        done = vekctl(home, "--port", port, str(script))
        assert done.returncode == 0, done.stdout + done.stderr
        assert done.stdout.splitlines()[-1] == "motors 3 Y at 12"
    finally:
        emulator.terminate()
        emulator.wait(timeout=30)
    gone = vekctl(home, "--port", str(tmp_path / "no-such-port"), str(script))
    assert gone.returncode == 4 and "cannot open the chain on" in gone.stderr
