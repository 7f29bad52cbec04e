#include "platform/linux/profile_file.h"

#include "platform/linux/profile_text.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

namespace marble {

namespace {

// ==== Reading ===================================================================================

enum class ReadStatus { Read, NoFile, Failed };

/// The last file read. A run reads a dozen keys in a row: while the file stays as it was, they
/// cost one read and then one pass over the text each. The buffer is kept too, so a large
/// file costs its page faults once.
struct CachedFile {
    bool valid = false;
    std::string path;
    struct stat identity {};
    timespec readAt{};
    std::string text;
};

std::mutex g_fileLock;
CachedFile& Cache() {
    static CachedFile cache;
    return cache;
}

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

/// Whether the cached text is still the file's. File times tick coarsely (a few milliseconds),
/// so a change made within a second before the file was read might leave them as they were: the
/// cache is trusted only for a file that had not changed for a second when it was read.
bool CacheHolds(const CachedFile& cache, const char* fileName) {
    struct stat now {};
    if (!cache.valid || cache.path != fileName || stat(fileName, &now) != 0) return false;
    const struct stat& then = cache.identity;
    return now.st_dev == then.st_dev && now.st_ino == then.st_ino && now.st_size == then.st_size &&
           SameTime(now.st_mtim, then.st_mtim) && SameTime(now.st_ctim, then.st_ctim) &&
           then.st_ctim.tv_sec + 1 < cache.readAt.tv_sec;
}

/// Room left after a file's text, so that an edit of a line or two needs no new allocation.
constexpr size_t kEditRoom = 4096;

/// Reads a regular file (following symbolic links) into the cache. Anything else (a FIFO, a
/// device, a folder) is no file and is never opened, so it cannot block; the non-blocking open
/// and second look guard against a swap between the two looks. At most the size the file had
/// when opened is read, so a file that grows while it is read cannot grow the buffer.
ReadStatus ReadRegularFile(const char* fileName, CachedFile& cache) {
    if (CacheHolds(cache, fileName)) return ReadStatus::Read;
    cache.valid = false;
    std::string& text = cache.text;
    const auto none = [&](ReadStatus status) {
        text.clear();
        return status;
    };
    struct stat info {};
    if (stat(fileName, &info) != 0) return none(errno == ENOENT || errno == ENOTDIR ? ReadStatus::NoFile : ReadStatus::Failed);
    if (!S_ISREG(info.st_mode)) return none(ReadStatus::NoFile);
    const int fd = open(fileName, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return none(errno == ENOENT ? ReadStatus::NoFile : ReadStatus::Failed);
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return none(ReadStatus::NoFile);
    }
    const size_t size = size_t(info.st_size);
    text.reserve(size + kEditRoom);
    text.resize(size);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = read(fd, text.data() + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return none(ReadStatus::Failed);
        }
        if (n == 0) break;
        done += size_t(n);
    }
    close(fd);
    text.resize(done);
    cache.valid = true;
    cache.path = fileName;
    cache.identity = info;
    clock_gettime(CLOCK_REALTIME, &cache.readAt);
    return ReadStatus::Read;
}

// ==== Replacing =================================================================================

bool WriteAll(int fd, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

/// The file a write must replace: a symbolic link is followed, so the link itself survives.
std::string ResolveTarget(const char* fileName) {
    struct stat st {};
    if (lstat(fileName, &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* resolved = realpath(fileName, nullptr)) {
            std::string target(resolved);
            std::free(resolved);
            return target;
        }
    }
    return fileName;
}

/// Temporary files are named ".<file>.tmp<pid>.<n>".
std::string TemporaryPrefix(const std::string& base) { return "." + base + ".tmp"; }

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

/// Removes the temporary files of `base` whose process no longer runs: a process killed in the
/// middle of a write leaves one behind. This process's own are stale too, since no write is in
/// flight while the file lock is held (they come from an earlier process with the same id).
void RemoveStaleTemporaries(const std::string& folder, const std::string& base) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    const std::string prefix = TemporaryPrefix(base);
    while (const dirent* entry = readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name.substr(0, prefix.size()) != prefix) continue;
        name.remove_prefix(prefix.size());
        const size_t dot = name.find('.');
        if (dot == std::string_view::npos || dot > 9 || !AllDigits(name.substr(0, dot)) ||
            !AllDigits(name.substr(dot + 1))) {
            continue;
        }
        const pid_t pid = pid_t(std::atol(std::string(name.substr(0, dot)).c_str()));
        if (pid != getpid() && (kill(pid, 0) == 0 || errno != ESRCH)) continue;
        unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}

/// Writes `content` into a new file that ends up, complete and flushed to disk, under the name
/// `temp`. Where the file system allows, the file has no name while it is written (O_TMPFILE)
/// and is linked in only when complete, so a process killed meanwhile leaves nothing behind.
bool WriteTemporary(const std::string& folder, const std::string& temp, const std::string& content,
                    const struct stat* old) {
    for (const bool unnamed : {true, false}) {
        const int fd = unnamed ? open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666)
                               : open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) continue;
        bool ok = WriteAll(fd, content);
        if (ok && old != nullptr) ok = fchmod(fd, old->st_mode & 07777) == 0;
        if (ok) ok = fsync(fd) == 0;
        bool linked = !unnamed;
        if (ok && unnamed) {
            const std::string self = "/proc/self/fd/" + std::to_string(fd);
            linked = linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0;
        }
        if (close(fd) != 0) ok = false;
        if (ok && linked) return true;
        if (linked) unlink(temp.c_str());
        // Only a failed link is worth a second try under a name; a failed write would fail again.
        if (!ok) return false;
    }
    return false;
}

/// Replaces the file with `content` so that it is always either the old or the new file: the
/// content goes to a temporary file beside it, is flushed to disk and renamed over the old one.
bool ReplaceFile(const char* fileName, const std::string& content) {
    const std::string target = ResolveTarget(fileName);
    struct stat old {};
    const bool exists = stat(target.c_str(), &old) == 0;
    // A file or folder without write permission is read-only for everyone, as on Windows,
    // even for a user whom the system would let write anyway.
    if (exists && (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0 || access(target.c_str(), W_OK) != 0)) {
        return false;
    }

    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    struct stat dirInfo {};
    if (stat(folder.c_str(), &dirInfo) != 0 || !S_ISDIR(dirInfo.st_mode) || (dirInfo.st_mode & 0222) == 0) {
        return false;
    }
    RemoveStaleTemporaries(folder, base);
    static std::atomic<unsigned> counter{0};
    const std::string temp =
        folder + "/" + TemporaryPrefix(base) + std::to_string(getpid()) + "." + std::to_string(counter.fetch_add(1));
    if (!WriteTemporary(folder, temp, content, exists ? &old : nullptr)) return false;
    if (rename(temp.c_str(), target.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

}  // namespace

uint32_t ProfileGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                          uint32_t size, const char* fileName) {
    if (buffer == nullptr || size == 0) return 0;
    if (section == nullptr || key == nullptr) {
        buffer[0] = '\0';
        return 0;
    }
    std::string_view value = defaultValue == nullptr ? "" : defaultValue;
    std::lock_guard lock(g_fileLock);
    CachedFile& cache = Cache();
    if (fileName != nullptr && ReadRegularFile(fileName, cache) == ReadStatus::Read) {
        if (const auto found = ProfileTextValue(cache.text, section, key)) value = *found;
    }
    const size_t n = std::min<size_t>(value.size(), size - 1);
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return uint32_t(n);
}

bool ProfileWriteString(const char* section, const char* key, const char* value, const char* fileName) {
    if (fileName == nullptr || *fileName == '\0') return false;
    // Every write reaches the disk at once, so a flush has nothing left to do.
    if (section == nullptr && key == nullptr && value == nullptr) return true;
    std::lock_guard lock(g_fileLock);
    CachedFile& cache = Cache();
    // A file that exists but cannot be read is not replaced by one holding only this key.
    if (ReadRegularFile(fileName, cache) == ReadStatus::Failed) return false;
    // The text is edited in place: the cache keeps only its buffer.
    cache.valid = false;
    if (!ProfileTextWrite(cache.text, section, key, value)) return false;
    return ReplaceFile(fileName, cache.text);
}

bool ProfileFileExists(const char* fileName) {
    struct stat info {};
    return fileName != nullptr && stat(fileName, &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace marble
