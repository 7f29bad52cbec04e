#include "platform/linux/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marble {

namespace {

// ==== Parsing ===================================================================================

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

/// One line of a profile file, classified once.
struct Line {
    enum class Kind { Other, Section, Key } kind = Kind::Other;
    std::string text;   // the line as it stands in the file, without its line end
    std::string name;   // section or key name, trimmed
    std::string value;  // key value, trimmed
};

void Classify(Line& line) {
    const std::string_view trimmed = Trim(line.text);
    line.kind = Line::Kind::Other;
    if (trimmed.empty() || trimmed.front() == ';') return;
    if (trimmed.front() == '[') {
        std::string_view inner = trimmed.substr(1);
        const size_t close = inner.find(']');
        if (close != std::string_view::npos) inner = inner.substr(0, close);
        line.kind = Line::Kind::Section;
        line.name = std::string(Trim(inner));
        return;
    }
    const size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos) return;
    line.kind = Line::Kind::Key;
    line.name = std::string(Trim(trimmed.substr(0, equals)));
    line.value = std::string(Trim(trimmed.substr(equals + 1)));
}

/// A profile file held as its lines.
struct Document {
    std::vector<Line> lines;
    bool crlf = false;

    static Document Parse(const std::string& content) {
        Document doc;
        doc.crlf = content.find("\r\n") != std::string::npos;
        size_t start = 0;
        while (start < content.size()) {
            size_t end = content.find('\n', start);
            if (end == std::string::npos) end = content.size();
            size_t stop = end;
            if (stop > start && content[stop - 1] == '\r') --stop;
            doc.Append(content.substr(start, stop - start));
            start = end + 1;
        }
        return doc;
    }

    void Append(std::string text) { Insert(lines.size(), std::move(text)); }

    void Insert(size_t at, std::string text) {
        Line line;
        line.text = std::move(text);
        Classify(line);
        lines.insert(lines.begin() + std::ptrdiff_t(at), std::move(line));
    }

    void Replace(size_t at, std::string text) {
        lines[at].text = std::move(text);
        Classify(lines[at]);
    }

    void Erase(size_t first, size_t last) {
        lines.erase(lines.begin() + std::ptrdiff_t(first), lines.begin() + std::ptrdiff_t(last));
    }

    std::string Text() const {
        const char* end = crlf ? "\r\n" : "\n";
        std::string out;
        for (const Line& line : lines) out += line.text + end;
        return out;
    }

    /// Index of the first header of `section`, if any.
    std::optional<size_t> FindSection(std::string_view section) const {
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].kind == Line::Kind::Section && EqualNoCase(lines[i].name, section)) return i;
        }
        return std::nullopt;
    }

    /// One past the last line of the section whose header is at `header`.
    size_t SectionEnd(size_t header) const {
        size_t i = header + 1;
        while (i < lines.size() && lines[i].kind != Line::Kind::Section) ++i;
        return i;
    }

    std::optional<size_t> FindKey(size_t header, std::string_view key) const {
        const size_t end = SectionEnd(header);
        for (size_t i = header + 1; i < end; ++i) {
            if (lines[i].kind == Line::Kind::Key && EqualNoCase(lines[i].name, key)) return i;
        }
        return std::nullopt;
    }
};

// ==== Files =====================================================================================

std::optional<std::string> ReadWholeFile(const char* fileName) {
    const int fd = open(fileName, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string content;
    char chunk[4096];
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof(chunk));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        content.append(chunk, size_t(n));
    }
    close(fd);
    return content;
}

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
    static std::atomic<unsigned> counter{0};
    const std::string temp = folder + "/." + base + ".tmp" + std::to_string(getpid()) + "." +
                             std::to_string(counter.fetch_add(1));

    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, content);
    if (ok && exists) ok = fchmod(fd, old.st_mode & 07777) == 0;
    if (ok) ok = fsync(fd) == 0;
    if (close(fd) != 0) ok = false;
    if (ok) ok = rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
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

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

uint32_t ProfileGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                          uint32_t size, const char* fileName) {
    if (buffer == nullptr || size == 0) return 0;
    std::string value = defaultValue == nullptr ? "" : defaultValue;
    if (section == nullptr || key == nullptr) {
        buffer[0] = '\0';
        return 0;
    }
    if (fileName != nullptr) {
        if (const auto content = ReadWholeFile(fileName)) {
            const Document doc = Document::Parse(*content);
            if (const auto header = doc.FindSection(Trim(section))) {
                if (const auto line = doc.FindKey(*header, Trim(key))) value = doc.lines[*line].value;
            }
        }
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
    if (section == nullptr) return false;

    const std::string_view sectionName = Trim(section);
    if (sectionName.empty() || HasLineBreak(sectionName) || sectionName.find(']') != std::string_view::npos) {
        return false;
    }
    std::string_view keyName;
    if (key != nullptr) {
        keyName = Trim(key);
        if (keyName.empty() || HasLineBreak(keyName) || keyName.find('=') != std::string_view::npos ||
            keyName.front() == '[' || keyName.front() == ';') {
            return false;
        }
    }
    if (value != nullptr && HasLineBreak(value)) return false;

    const auto content = ReadWholeFile(fileName);
    Document doc = Document::Parse(content.value_or(std::string()));
    const auto header = doc.FindSection(sectionName);

    if (key == nullptr) {
        if (!header) return ReplaceFile(fileName, doc.Text());
        doc.Erase(*header, doc.SectionEnd(*header));
        return ReplaceFile(fileName, doc.Text());
    }
    const std::string newLine = std::string(keyName) + "=" + (value == nullptr ? "" : value);
    if (!header) {
        if (value == nullptr) return ReplaceFile(fileName, doc.Text());
        doc.Append("[" + std::string(sectionName) + "]");
        doc.Append(newLine);
        return ReplaceFile(fileName, doc.Text());
    }
    if (const auto line = doc.FindKey(*header, keyName)) {
        if (value == nullptr) {
            doc.Erase(*line, *line + 1);
        } else {
            doc.Replace(*line, newLine);
        }
        return ReplaceFile(fileName, doc.Text());
    }
    if (value == nullptr) return ReplaceFile(fileName, doc.Text());
    // A new key goes after the section's last non-blank line, so blank lines that separate it
    // from the next section stay where they are.
    size_t at = doc.SectionEnd(*header);
    while (at > *header + 1 && Trim(doc.lines[at - 1].text).empty()) --at;
    doc.Insert(at, newLine);
    return ReplaceFile(fileName, doc.Text());
}

}  // namespace marble
