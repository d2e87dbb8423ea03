"""vek for user programs in Python.

The gantry's objects as vek's C++ library has them: ``Server`` hands out the
process-wide ``Commands``, ``DevCommands``, ``Configuration``, ``DataSets``,
``Coordinates``, ``Measurement`` and the façade ``LinearSlides``; ``Point``,
``Node``, ``Path`` and ``NodePath`` carry positions and paths; the enums
(``LogLevel``, ``ErrorCodes``, ``Units``, ...) are IntEnums.

    import vek
    commands = vek.Server().commands
    commands.Calibrate()
    commands.DoLine(vek.Point(10, 20, 0), 50, 20)

Failures are ``vek.Error`` (a RuntimeError) with ``number``, ``description``
and ``source``. vek's waits pump vek's own event loop; Ctrl-C during one makes
the stop request and raises ``vek.Interrupted`` (a KeyboardInterrupt).
``python3 -m vek`` runs a user program against the simulated gantry (what
``vekctl run`` does).
"""
from ._vek import *  # noqa: F401,F403
from ._vek import __doc__ as _reference  # noqa: F401
