"""Ctrl-C during a wait: a SIGINT sent to a user program that waits for a
switch that never comes stops the wait with the stop request; the program
gets vek.Interrupted carrying how the wait ended, and the gantry, stopped,
takes the next command."""
import os
import signal
import textwrap

from conftest import python

PROGRAM = textwrap.dedent("""
    import os, shutil, sys, tempfile
    import vek
    home = tempfile.mkdtemp()
    os.makedirs(os.path.join(home, "data"))
    shutil.copy(os.path.join(vek.installSubfolder("data"), "vek.db"), os.path.join(home, "data"))
    vek.setInstallFolder(home)
    server = vek.Server()
    slides = server.getLinearSlides()
    slides.isSimulation = True
    slides.databaseRelatedInit("vek.db")
    slides.openConnection(9600, "SIM")
    c = server.commands
    c.DoVelocityMove(2, 1, 5, 50)
    # Said from inside the wait, so the signal cannot come before it.
    server.logger.messagedLogged.connect(
        lambda text, level: text.startswith("Waiting for inputSwitch") and print("waiting", flush=True))
    try:
        c.WaitForSwitch(1, "In2", 1)
        print("not interrupted")
    except vek.Interrupted as e:
        print("interrupted", e.number, e.description, e.source, isinstance(e, KeyboardInterrupt))
    print("axis 2 moving:", slides.motors[1].isMoving())
    x = c.CurrentPoint().x
    c.DoRelativeMove(1, 2, 20, 100)
    print("next command:", c.WaitForStop(1, timeOutSeconds=10), round(c.CurrentPoint().x - x, 3))
    shutil.rmtree(home)
""")


def test_ctrl_c_stops_the_wait_and_leaves_the_gantry_usable():
    child = python(PROGRAM, env=dict(os.environ))
    assert child.stdout.readline() == "waiting\n"
    child.send_signal(signal.SIGINT)
    out, err = child.communicate(timeout=60)
    assert child.returncode == 0, err
    assert out.splitlines() == [
        "interrupted 5 Exiting WaitForSwitch command. QDX True",
        "axis 2 moving: False",
        "next command: True 2.0",
    ]
