#pragma once
#include <memory>
#include <string>
#include <vector>

#include "vek/foundation/Collection.h"
#include "vek/foundation/Convert.h"

namespace vek {

// File helpers shared by every part of vek (and offered to hosts through
// Utils). Paths accept "/" and "\" as separators.

// Deletes the matching regular files (wildcards allowed); error 53 when the
// pattern cannot be read at all.
void deleteFile(const std::string& fileName);
// Writes `buffer` and CR LF, truncating or appending; failures are quiet.
void writeFile(const std::string& fileName, const std::string& buffer, bool append = false);
// Text up to and including the last separator (empty without one).
std::string directoryOfFileFromPath(const std::string& filePath);
// The file name without its folder and extension.
std::string nameOfFileFromPath(const std::string& filePath);
// The last three characters of the path, whatever they are.
std::string getExtension(const std::string& filePath);
// When the file was last written; error 53 when it cannot be read.
DateTime getFileCreationTime(const std::string& filePath);
// The file's lines without their line ends, dropping blank lines when asked
// and lines whose trimmed text starts with `commentChar` when one is given.
// A file that cannot be read gives no lines.
std::vector<std::string> readLines(const std::string& filePath, const std::string& commentChar = "",
                                   bool skipBlankLine = false);
// The same lines, each followed by CR LF.
std::string ReadFile(const std::string& filePath, const std::string& commentChar = "", bool skipBlankLine = false);
// The same lines as a collection.
std::shared_ptr<Collection<std::string>> fileToCollection(const std::string& filePath,
                                                          const std::string& commentChar = "",
                                                          bool skipBlankLine = false);
// Error 11 when `fromFile` does not exist, 75 when the rename fails.
void renameFile(const std::string& fromFile, const std::string& toFile);
// Copies the bytes; false (and no target change beyond a partial write) when
// either side cannot be opened or the copy fails.
bool copyBinaryFile(const std::string& fromFile, const std::string& toFile);
// Copies the bytes into a file `toFile` that must not exist yet (an earlier
// copy is never overwritten); a copy that fails leaves no file behind.
bool copyToNewFile(const std::string& fromFile, const std::string& toFile);
// Whether anything (file, folder, device) exists at the path.
bool pathExists(const std::string& path);
bool isFilePresent(const std::string& filePath);
bool isDirPresent(const std::string& dirPath);
// Sorted names of the regular files of `dirPath` ending in "." + ext (a
// three-letter extension, compared exactly).
std::shared_ptr<Collection<std::string>> getFiles(const std::string& dirPath, const std::string& ext);

}  // namespace vek
