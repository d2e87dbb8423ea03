"""Runs a user program against the simulated gantry: what `vekctl run` calls.

    python3 -m vek [--home DIR] [--real-time] [--sound] [--port PATH] SCRIPT.py [ARGS...]

The install folder DIR (default: the library's own folder) holds the database
data/vek.db; the program finds the gantry loaded, simulated and connected
(with --port, connected to the motor chain on that serial port, in wall-clock
time), and reaches it through vek.Server(). The level-5 texts of the commands are
printed as they come. Exit codes: 0 done, 1 usage, 3 the database could not
be loaded, 4 the chain could not be opened, 9 the program failed
with a numbered error (printed as "error N: text"), 13 it failed otherwise,
130 it was interrupted with Ctrl-C.
"""
import os
import runpy
import sys
import traceback

import vek

USAGE = "usage: python3 -m vek [--home DIR] [--real-time] [--sound] [--port PATH] SCRIPT.py [ARGS...]"


def parse(argv):
    options = {"home": None, "realTime": False, "sound": False, "port": None}
    i = 0
    while i < len(argv) and argv[i].startswith("--"):
        arg = argv[i]
        if arg in ("--home", "--port") and i + 1 < len(argv):
            options[arg[2:]] = argv[i + 1]
            i += 1
        elif arg == "--real-time":
            options["realTime"] = True
        elif arg == "--sound":
            options["sound"] = True
        else:
            return None, None
        i += 1
    if i >= len(argv):
        return None, None
    return options, argv[i:]


def show(message, level):
    if level == vek.LogLevel.DISPLAYONLY:
        if message:
            print(message, flush=True)
    elif level in (vek.LogLevel.WARNING, vek.LogLevel.Error):
        print("warning: " + message, flush=True)


def where(error):
    """The last line of the user program in the traceback, if any."""
    frames = [f for f in traceback.extract_tb(error.__traceback__) if f.filename == sys.argv[0]]
    return " (%s line %d)" % (os.path.basename(frames[-1].filename), frames[-1].lineno) if frames else ""


def prepare(options):
    if options["home"]:
        vek.setInstallFolder(options["home"])
    if not options["realTime"] and not options["port"]:  # a real line runs in wall-clock time
        vek.useVirtualTime()
    server = vek.Server()
    server.logger.messagedLogged.connect(show)
    slides = server.getLinearSlides()
    slides.isSimulation = not options["port"]
    slides.isSimulationMute = not options["sound"]
    try:
        slides.databaseRelatedInit("vek.db")
    except vek.Error as e:
        print("vekctl run: cannot load the database (error %d: %s)" % (e.number, e.description), file=sys.stderr)
        return 3
    port = options["port"] or "SIM"
    try:
        slides.openConnection(9600, port)
    except vek.Error as e:
        chain = "the chain on " + port if options["port"] else "the simulated chain"
        print("vekctl run: cannot open %s (error %d: %s)" % (chain, e.number, e.description), file=sys.stderr)
        return 4
    server.commands.advancedCommandsEvent.connect(
        lambda command, args: print("request to the host: " + command + (" " + args if args else ""), flush=True))
    return 0


def main(argv):
    options, program = parse(argv)
    if options is None:
        print(USAGE, file=sys.stderr)
        return 1
    if not os.path.isfile(program[0]):
        print("vekctl run: no program file %s" % program[0], file=sys.stderr)
        return 1
    code = prepare(options)
    if code:
        return code
    sys.argv = program
    try:
        runpy.run_path(program[0], run_name="__main__")
    except vek.Interrupted as e:
        print("interrupted: error %d: %s" % (e.number, e.description), file=sys.stderr)
        return 130
    except vek.Error as e:
        print("error %d: %s%s" % (e.number, e.description, where(e)), file=sys.stderr)
        return 9
    except SystemExit as e:
        return e.code if isinstance(e.code, int) else (0 if e.code is None else 1)
    except KeyboardInterrupt:
        print("interrupted", file=sys.stderr)
        return 130
    except Exception:  # the program's own failure: shown as Python shows it
        traceback.print_exc()
        return 13
    return 0


if __name__ == "__main__":
    code = main(sys.argv[1:])
    sys.stdout.flush()
    vek.shutDown()
    sys.exit(code)
