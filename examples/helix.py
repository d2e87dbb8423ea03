"""A helix in a rotated user coordinate system.

The user system is turned 30 degrees about Z and moved to (50, 40, 0) mm;
the helix is written in it: two turns of radius 15 mm around its origin,
climbing 5 mm per turn from Z = 2 mm. The transformation places its points
on the machine, which then draws it.

    vekctl run examples/helix.py [TURNS]
"""
import math
import sys

import vek

TURNS = int(sys.argv[1]) if len(sys.argv) > 1 else 2
RADIUS, RISE, Z = 15.0, 5.0, 2.0   # mm
ANGLE, ORIGIN = 30.0, (50.0, 40.0)

server = vek.Server()
commands = server.commands
measurement = server.measurement
slide = server.configuration.motorsData[2].SlideData  # axis 3 climbs


def counts(mm):
    """mm along axis 3 in motor counts, as the arc's construction nodes keep them."""
    return round(measurement.getPosition(vek.Units.mm, vek.Units.smu, mm, slide.pitch, slide.motorType))


helix = vek.Path()
helix.name = "Helix"
helix.pathType = vek.PathConstants.ARC_PATH
helix.addPoint(vek.Point(0, 0, Z), "center")
helix.addPoint(vek.Point(RADIUS, 0, Z), "start")
helix.addPoint(vek.Point(RADIUS, 0, Z), "end")
helix.addPoint(vek.Point(0, RADIUS, Z), "direction")
helix.nodePath.getNodeByName("pitch").setAxis(1, counts(RISE))
helix.nodePath.getNodeByName("rotations").setAxis(1, TURNS)

commands.Calibrate()
commands.RotateAxis(ANGLE, 3)
commands.ShiftAxis(ORIGIN[0], ORIGIN[1], 0, True)
commands.ApplyTransformationToPath(helix)
start = commands.BeginningPathPoint(helix)
commands.DoPath(helix, 20, 100)
commands.CurrentCoordinateSystem("WORLD")
here = commands.CurrentPoint()
expected = (ORIGIN[0] + RADIUS * math.cos(math.radians(ANGLE)), ORIGIN[1] + RADIUS * math.sin(math.radians(ANGLE)))
print("drew %d turns of a helix around (%g, %g) turned %g degrees; started at (%g, %g, %g), "
      "ended at (%g, %g, %g); the start in world values is (%.3f, %.3f)"
      % (TURNS, ORIGIN[0], ORIGIN[1], ANGLE, start.x, start.y, start.z, here.x, here.y, here.z, *expected))
commands.Reset()
