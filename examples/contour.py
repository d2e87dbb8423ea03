"""A contour with rounded corners, stored as a path.

A 60 x 40 mm rectangle at Z = 5 mm is stored as the path "Contour" of the
Global dataset on the first run (later runs find it there), then drawn
twice with corners rounded to a 6 mm radius.

    vekctl run examples/contour.py
"""
import vek

CORNERS = [(20, 20), (80, 20), (80, 60), (20, 60), (20, 20)]  # mm
Z = 5.0

server = vek.Server()
commands = server.commands
slides = server.getLinearSlides()
dataset = server.dataSets.GLOBAL_DATASET()

stored = dataset.getPathByName("Contour")
if stored is None:
    contour = vek.Path()
    contour.name = "Contour"
    for x, y in CORNERS:
        contour.addPoint(vek.Point(x, y, Z))
    stored = dataset.storePath(contour.nodePath)
    if stored is None:
        raise SystemExit("the contour could not be stored")
    print("stored the path Contour with %d corners" % len(stored.nodes))
path = slides.getPathFromNodePath(stored)

drawn = []
commands.pathEvent.connect(drawn.append)
commands.Calibrate()
for lap in (1, 2):
    commands.DoPath(path, 40, 200, 6)
here = commands.CurrentPoint()
print("drew %s %d times; X %g..%g mm, Y %g..%g mm; ended at (%g, %g, %g)"
      % (path.name, len(drawn), commands.MinOfPath(path, 1), commands.MaxOfPath(path, 1),
         commands.MinOfPath(path, 2), commands.MaxOfPath(path, 2), here.x, here.y, here.z))
