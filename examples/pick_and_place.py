"""Pick and place with I/O waits.

The gripper (axis 3) waits above the pick station until a part is there,
picks it, carries it to the place station and sets it down, part after part.

The part sensor and the gripper are the motors' own inputs and outputs, read
and set through Commands (WaitForSwitch, SetSwitch): vek does not drive
external I/O blocks yet, and a sensor wired to input 1 of motor 1 is waited
for the same way. In the simulation, input 1 of motor 1 ("In1", the part
sensor) follows output 1 of motor 2 ("Out1"), which the feeder below
switches on when it brings a part; output 2 of motor 2 ("Out2") is the
gripper.

    vekctl run examples/pick_and_place.py [PARTS]
"""
import sys

import vek

PARTS = int(sys.argv[1]) if len(sys.argv) > 1 else 3
PICK = (20.0, 10.0)        # mm
PLACE = (80.0, 50.0)
SAFE_Z, WORK_Z = 0.0, 15.0
SPEED, ACCELERATION = 50.0, 200.0

server = vek.Server()
commands = server.commands
slides = server.getLinearSlides()

# The simulated part sensor: input 1 of motor 1 follows output 1 of motor 2.
configuration = server.configuration
if configuration.getSimulationData(1) is None:
    sensor = vek.SimulationData()
    sensor.key = 1
    sensor.setSimulatedInputs(1, "2Y1")
    sensor.save()
    configuration.loadSimulationData()
feeder_line = slides.motors[1]  # motor 2 (index 1 of the sequence)


def feeder():
    """Brings the next part once the gripper has taken the last one."""
    part_present = feeder_line.getOutputState(1) == 1
    gripper_closed = feeder_line.getOutputState(2) == 1
    if part_present and gripper_closed:
        feeder_line.setOutputState(1, 0)
    elif not part_present and not gripper_closed:
        feeder_line.setOutputState(1, 1)


timer = vek.startTimer(1.5, feeder)
commands.Calibrate()
commands.StartTimer("cycle")
for part in range(1, PARTS + 1):
    commands.DoLine(vek.Point(PICK[0], PICK[1], SAFE_Z), SPEED, ACCELERATION)
    if not commands.WaitForSwitch(1, "In1", 1, 30):
        raise SystemExit("no part came within 30 s")
    commands.DoPositionMove(3, WORK_Z, SPEED, ACCELERATION)
    commands.WaitForStop(3)
    commands.SetSwitch(2, "Out2", 1)
    commands.WaitForSwitch(1, "In1", 0, 10)
    commands.DoPositionMove(3, SAFE_Z, SPEED, ACCELERATION)
    commands.WaitForStop(3)
    commands.DoLine(vek.Point(PLACE[0], PLACE[1], SAFE_Z), SPEED, ACCELERATION)
    commands.DoPositionMove(3, WORK_Z, SPEED, ACCELERATION)
    commands.WaitForStop(3)
    commands.SetSwitch(2, "Out2", 0)
    commands.DoPositionMove(3, SAFE_Z, SPEED, ACCELERATION)
    commands.WaitForStop(3)
    print("placed part %d of %d" % (part, PARTS), flush=True)
vek.stopTimer(timer)
here = commands.CurrentPoint()
print("picked and placed %d parts in %.1f s, gripper at (%g, %g, %g)"
      % (PARTS, commands.ElapsedTimer("cycle"), here.x, here.y, here.z))
