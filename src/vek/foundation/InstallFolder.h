#pragma once
#include <string>
#include <string_view>

namespace vek {

// Names of the install folder's fixed subfolders.
namespace InstallSubfolder {
inline constexpr const char* utils = "utils";
inline constexpr const char* data = "data";
inline constexpr const char* images = "images";
inline constexpr const char* programs = "programs";
inline constexpr const char* logs = "logs";
inline constexpr const char* docs = "docs";
}  // namespace InstallSubfolder

// The folder holding libvek.so, unless the host chose another one with
// setInstallFolder (an empty path returns to the library's own folder).
std::string installFolder();
void setInstallFolder(const std::string& path);
// installFolder() + "/" + name.
std::string installSubfolder(std::string_view name);

// Path helpers: both "/" and "\" separate folders.
std::string joinPath(std::string_view folder, std::string_view name);
std::string toNativePath(std::string_view path);

}  // namespace vek
