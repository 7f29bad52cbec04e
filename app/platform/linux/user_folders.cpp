#include "platform/linux/user_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace marble {

namespace {

bool Absolute(const char* path) { return path != nullptr && path[0] == '/'; }

/// mkdir -p for one path with mode 0700; an existing folder is fine.
bool MakeFolders(const std::string& path) {
    for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string part = path.substr(0, end);
        struct stat info {};
        if (stat(part.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode)) return false;
        } else if (errno != ENOENT || (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)) {
            return false;
        }
        if (end == std::string::npos) return true;
    }
}

}  // namespace

bool FolderWritable(const std::string& folder) {
    struct stat info {};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & 0222) != 0 &&
           access(folder.c_str(), W_OK) == 0;
}

std::string UserConfigFolder() {
    // A relative value is invalid by the XDG base directory rules and is ignored.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); Absolute(config)) return config;
    const char* home = std::getenv("HOME");
    if (!Absolute(home)) {
        const passwd* entry = getpwuid(getuid());
        home = entry != nullptr ? entry->pw_dir : nullptr;
    }
    if (!Absolute(home)) return {};
    std::string folder = home;
    if (folder.back() != '/') folder += '/';
    return folder + ".config";
}

bool InstalledByPackage(const std::string& executablePath) {
#ifdef MARBLE_INSTALLED_BINDIR
    // Both sides resolved, so a merged /bin -> /usr/bin or a linked prefix still compares equal.
    const auto canonical = [](const std::string& path) {
        char* resolved = realpath(path.c_str(), nullptr);
        if (resolved == nullptr) return std::string();
        std::string result(resolved);
        std::free(resolved);
        return result;
    };
    const size_t slash = executablePath.rfind('/');
    if (slash == std::string::npos) return false;
    const std::string folder = canonical(executablePath.substr(0, std::max<size_t>(slash, 1)));
    return !folder.empty() && folder == canonical(MARBLE_INSTALLED_BINDIR);
#else
    (void)executablePath;
    return false;
#endif
}

bool CreateFoldersFor(const std::string& root, const std::string& fileName) {
    if (!Absolute(root.c_str())) return false;
    std::string prefix = root;
    while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
    if (prefix != "/") prefix += '/';
    const size_t slash = fileName.rfind('/');
    if (fileName.compare(0, prefix.size(), prefix) != 0 || slash == std::string::npos || slash + 1 < prefix.size()) {
        return true;
    }
    return MakeFolders(fileName.substr(0, slash));
}

}  // namespace marble
