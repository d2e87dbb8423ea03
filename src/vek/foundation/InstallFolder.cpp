#include "vek/foundation/InstallFolder.h"

#include <dlfcn.h>

#include <filesystem>

namespace vek {

namespace {
std::string& overrideFolder() {
    static std::string folder;
    return folder;
}

std::string libraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&libraryFolder), &info) != 0 && info.dli_fname) {
        std::error_code ec;
        auto p = std::filesystem::weakly_canonical(info.dli_fname, ec);
        if (ec) p = info.dli_fname;
        return p.parent_path().string();
    }
    return std::filesystem::current_path().string();
}
}  // namespace

std::string installFolder() {
    if (!overrideFolder().empty()) return overrideFolder();
    static const std::string folder = libraryFolder();
    return folder;
}

void setInstallFolder(const std::string& path) {
    std::string p = toNativePath(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    overrideFolder() = p;
}

std::string installSubfolder(std::string_view name) {
    return joinPath(installFolder(), name);
}

std::string toNativePath(std::string_view path) {
    std::string p(path);
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string f = toNativePath(folder);
    std::string n = toNativePath(name);
    while (!n.empty() && n.front() == '/') n.erase(0, 1);
    if (f.empty()) return n;
    if (f.back() != '/') f += '/';
    return f + n;
}

}  // namespace vek
