#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vek {
class Database;
}

namespace vek::fuzz {

// Starts vek once per fuzz process: a fresh install folder with the staged
// data (on /dev/shm when there is one, so that the database writes of a run
// cost no disk), its log going to /dev/null, the manual clock on the event
// loop and a started runtime. The folder is removed when the process ends.
void startVek();

// The file `relative` in the install folder of startVek().
std::string installFile(const std::string& relative);

// Opens vek.db of the install folder, without waiting for the disk on every
// write (the harness's database only lives as long as the run).
std::shared_ptr<Database> openDatabase();

// The input as text lines ("\n" apart, a trailing "\r" dropped), at most
// `maxLines` of them.
std::vector<std::string> lines(const uint8_t* data, std::size_t size, std::size_t maxLines);

// Ends the process the way a sanitizer finding does, naming what broke: a
// harness check that found vek in a state it must never be in.
[[noreturn]] void fail(const char* what);

}  // namespace vek::fuzz
