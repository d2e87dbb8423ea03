#!/usr/bin/env python3
"""What a call from Python costs on top of the same call from C++.

Times Commands.GetValue (a command that reaches no motor) and
Commands.CurrentPoint (three simulated motors read) from Python, runs the
C++ benchmark vek_bench_commands for the same two calls, and prints both
with the difference, the binding's overhead per call. Goal: under 1 µs.

    PYTHONPATH=build/default/python /usr/bin/python3 bench/python_calls.py build/default/bin/vek_bench_commands
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import timeit

import vek


def python_times():
    home = tempfile.mkdtemp()
    os.makedirs(os.path.join(home, "data"))
    shutil.copy(os.path.join(vek.installSubfolder("data"), "vek.db"), os.path.join(home, "data"))
    vek.setInstallFolder(home)
    vek.useVirtualTime()
    server = vek.Server()
    slides = server.getLinearSlides()
    slides.isSimulation = True
    slides.isSimulationMute = True
    slides.databaseRelatedInit("vek.db")
    slides.openConnection(9600, "SIM")
    commands = server.commands
    commands.SaveValue("bench", "1")
    calls = {"GetValue": lambda: commands.GetValue("bench"), "CurrentPoint": commands.CurrentPoint}
    times = {}
    for name, call in calls.items():
        runs = 20000
        # CPU time, as the C++ side compares: the machine is shared.
        timer = timeit.Timer(call, timer=time.process_time)
        times[name] = min(timer.repeat(number=runs, repeat=5)) / runs * 1e9
    vek.shutDown()
    shutil.rmtree(home)
    return times


def cpp_times(binary):
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        subprocess.run([binary, "--benchmark_filter=BM_(GetValue|CurrentPoint)$", "--benchmark_repetitions=5",
                        "--benchmark_out=" + out.name, "--benchmark_out_format=json"],
                       capture_output=True, text=True, check=True)
        runs = json.load(open(out.name))["benchmarks"]
    result = {}
    for b in runs:
        if b.get("run_type") == "iteration":
            name = b["run_name"].replace("BM_", "")
            result[name] = min(result.get(name, float("inf")), b["cpu_time"])
    return result


def main():
    python = python_times()
    cpp = cpp_times(sys.argv[1] if len(sys.argv) > 1 else "build/default/bin/vek_bench_commands")
    print("CPU time per call, best of 5 (goal: overhead under 1000 ns)")
    print("%-14s %12s %12s %12s" % ("call", "C++ ns", "Python ns", "overhead ns"))
    for name in python:
        print("%-14s %12.0f %12.0f %12.0f" % (name, cpp[name], python[name], python[name] - cpp[name]))


if __name__ == "__main__":
    main()
