#pragma once
#include <string>

namespace vekctl {

struct ProgramOptions {
    std::string action;  // check, compile, download, run, generate
    std::string file;    // the motor program (generate: the file to write)
    std::string output;  // compile: the compiled file; empty: FILE with ".smx"
    std::string home;    // install folder of the simulated gantry
    int motor = 0;       // generate: the motor of the SMP
    std::string port;    // download, run: a serial chain instead of the simulated gantry
};

// Motor programs from the shell:
//   check     scans FILE and prints every error and warning as
//             "FILE:line:column: code message" on standard error (the way
//             compilers print them, so that editors jump to it);
//   compile   the same, and writes the compiled file for a clean program;
//   download  builds FILE (prog_2.smp is for motor 2) on the simulated
//             gantry of the install's database, downloads it over the
//             simulated chain, reads it back and compares;
//             with a port: compiles FILE and downloads it over that serial
//             chain (a real one, or `vekctl emulate`) instead;
//   run       download, then start the program;
//   generate  writes motor MOTOR's SMP from the install's templates and
//             checks that it compiles.
// Returns an Exit code.
int runProgram(const ProgramOptions& options);

// The compiled file's name for `file`: a three-letter extension replaced by
// "smx" (prog_2.smp: prog_2.smx), otherwise ".smx" appended.
std::string compiledName(const std::string& file);

}  // namespace vekctl
