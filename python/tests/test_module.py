"""The module as a user program sees it: numbered errors and their fields,
argument checks, properties, collections, Python event handlers, docstrings,
and importing it from the build tree in a fresh interpreter."""
import os

import pytest

import vek
from conftest import python


def raised(call):
    with pytest.raises(vek.Error) as e:
        call()
    return e.value.number, e.value.description, e.value.source


def test_numbered_errors_keep_number_text_and_source(gantry):
    c = gantry.commands
    assert issubclass(vek.Error, RuntimeError)
    assert raised(lambda: c.DoPositionMove(9, 1, 1, 1)) == (11, "Motor Index 9 is invalid.", "QDX")
    assert raised(lambda: vek.Node().axis(9)) == (9, "Subscript out of range", "")
    assert raised(lambda: c.DoLine(None, 1, 1))[0] == 11
    error = vek.Error(5, "text", "src")
    assert (str(error), error.number, error.source) == ("text", 5, "src")


@pytest.mark.parametrize("call, message", [
    (lambda c: c.DoLine("P1", 1, 1), "DoLine(): argument 'toPoint' must be Point or None, not str"),
    (lambda c: c.DoPositionMove(1, "far", 1, 1), "DoPositionMove(): argument 'absolutePosition' must be float, not str"),
    (lambda c: c.DoPositionMove(70000, 1, 1, 1), "DoPositionMove(): argument 'motorIndex' is out of range"),
    (lambda c: c.DoPositionMove(1, 1, 1), "DoPositionMove(): missing argument 'acceleration'"),
    (lambda c: c.SaveValue("k", "v", nope=True), "SaveValue(): no argument is named 'nope'"),
    (lambda c: setattr(vek.Point(), "x", "1"), "x =: argument 'x' must be float, not str"),
])
def test_wrong_types_name_the_argument(gantry, call, message):
    with pytest.raises(TypeError) as e:
        call(gantry.commands)
    assert str(e.value).startswith(message)


def test_ints_pass_where_floats_are_taken(gantry):
    c = gantry.commands
    c.Calibrate()
    c.DoPositionMove(1, 12, 20, 100)  # ints for the doubles: converted, not refused
    assert c.WaitForStop(1, timeOutSeconds=30)
    assert c.CurrentPoint().x == 12


def test_properties_and_collections(gantry):
    slides = gantry.getLinearSlides()
    assert gantry.Commands is gantry.commands and gantry.getLinearSlides() is slides
    motors = slides.motors
    assert len(motors) == 3 and motors.count == 3
    assert [m.name for m in motors] == ["MotorX", "MotorY", "MotorZ"]
    assert motors[-1] is motors[2] is motors.item(3) is motors["3"]
    with pytest.raises(IndexError):
        motors[3]
    with pytest.raises(KeyError):
        motors["9"]
    assert raised(lambda: motors.item(0))[0] == 9
    assert raised(lambda: motors.item("9"))[0] == 5
    assert "2" in motors and "9" not in motors and motors.get("9") is None

    point = vek.Point(1, 2, 3, "P")
    point.x4 = 4.5
    assert (point.x, point.y, point.z, point.x4, point.name) == (1, 2, 3, 4.5, "P")
    path = vek.NodePath()
    for i, n in enumerate([vek.Node(0, 0), vek.Node(100, 0), vek.Node(100, 100)]):
        path.addNode(n, str(i + 1))
    assert len(path.nodes) == 3 and path.nodes.keys() == ["1", "2", "3"]
    assert [n.axis(1) for n in path.nodes] == [0, 100, 100] and path.getMaxY() == 100
    assert raised(lambda: path.addNode(vek.Node(), "2"))[0] == 457
    dataset = gantry.dataSets.GLOBAL_DATASET()
    assert dataset is gantry.dataSets.dataSets[0] and dataset.name
    assert gantry.configuration.unit == vek.Units.mm
    slides.isSimulationMute = True
    assert slides.isSimulationMute is True


def test_python_handlers_and_their_failures(gantry):
    c = gantry.commands
    seen = []
    connection = c.advancedCommandsEvent.connect(lambda command, args: seen.append((command, args)))
    logged = gantry.logger.messagedLogged.connect(lambda message, level: seen.append((message, level)))
    c.StopProgram("cell.py")
    assert seen[0][0] == "QDX_PROGRAM_STOP" and seen[0][1].endswith("cell.py")
    c.LogMessage("hello", 1)
    assert ("hello", 1) in seen
    logged.disconnect()
    connection.disconnect()

    def broken(command, args):
        1 / 0

    failing = c.advancedCommandsEvent.connect(broken)
    with pytest.raises(vek.Error) as e:
        c.StopProgram("cell.py")
    assert e.value.number == vek.HANDLER_FAILED
    assert e.value.description == "A Python event handler failed -> ZeroDivisionError: division by zero"
    assert isinstance(e.value.__cause__, ZeroDivisionError)
    failing.disconnect()
    # vek was not left half-way: the program-stop flag of the first call is
    # as StopProgram leaves it, and the next command works.
    c.StopProgram("cell.py")
    c.SaveValue("after", "1")
    assert c.GetValue("after") == "1"


def test_timers_run_while_vek_waits(gantry):
    ticks = []
    timer = vek.startTimer(0.5, lambda: ticks.append(vek.now()))
    start = vek.now()
    vek.wait(2.0)
    vek.stopTimer(timer)
    assert [round(t - start, 3) for t in ticks] == [0.5, 1.0, 1.5, 2.0]


def test_docstrings_come_from_the_headers():
    assert vek.Commands.__doc__.startswith("The scripting surface that user programs call")
    assert "from where they stand to `toPoint`" in vek.Commands.DoLine.__doc__
    assert "Waits until motor `motorIndex`" in vek.Commands.WaitForStop.__doc__
    assert vek.LogLevel.DISPLAYONLY == 5 and vek.ErrorCodes.INVALID_ARGUMENTS == 11


def test_imports_from_the_build_tree_in_a_fresh_interpreter():
    child = python("import vek, vek._vek as m; print(vek.__file__); print(m.__file__); print(vek.Server.__name__)",
                   env=dict(os.environ))
    out, err = child.communicate(timeout=60)
    assert child.returncode == 0, err
    package, extension, name = out.splitlines()
    build = os.path.abspath(os.environ["PYTHONPATH"].split(os.pathsep)[0])
    assert package.startswith(build) and extension.startswith(build) and name == "Server"


def test_the_server_hands_out_the_peripherals_and_motor_programs(gantry, tmp_path):
    server = vek.Server()
    assert server.hmi is server.Hmi and server.vision is not None and server.external is not None
    server.hmi.WriteRegister(3, -5)
    assert server.hmi.ReadRegister(3) == -5
    with pytest.raises(vek.Error):
        server.hmi.ReadBinary(9999)
    with pytest.raises(vek.Error):  # the staged database configures no outputs
        server.ioData.setOutputState(1, True)
    assert server.singleMotorProgram.getMotorIndexFromFilePath("prog_2.smp") == 2
    table = tmp_path / "points.txt"
    table.write_text("x,y,z\n1,2,3\n4,5,6\n")
    assert len(server.dataImporter.extract(str(table))) == 2
    assert not server.excel.ReadFile(str(tmp_path / "none.xls"))
    assert server.programData.isValidProgramName("prog_2") and not server.programData.isValidProgramName("2 prog")
    assert not server.serial.isOpen
    assert server.ethernet.getProvisioningProtocol() == "HELLO F2812?"
