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
        times[name] = min(timeit.repeat(call, number=runs, repeat=5)) / runs * 1e9
    vek.shutDown()
    shutil.rmtree(home)
    return times


def cpp_times(binary):
    out = subprocess.run([binary, "--benchmark_filter=BM_(GetValue|CurrentPoint)$", "--benchmark_format=json",
                          "--benchmark_repetitions=3", "--benchmark_report_aggregates_only=true"],
                         capture_output=True, text=True, check=True).stdout
    result = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "min" or (b.get("aggregate_name") == "mean" and b["run_name"] not in result):
            result[b["run_name"].replace("BM_", "")] = b["real_time"]
    return result


def main():
    python = python_times()
    cpp = cpp_times(sys.argv[1] if len(sys.argv) > 1 else "build/default/bin/vek_bench_commands")
    print("%-14s %12s %12s %12s" % ("call", "C++ ns", "Python ns", "overhead ns"))
    for name in python:
        print("%-14s %12.0f %12.0f %12.0f" % (name, cpp[name], python[name], python[name] - cpp[name]))


if __name__ == "__main__":
    main()
