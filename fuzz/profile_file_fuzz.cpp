// The profile (ini) file reader and writer against a plain model: any bytes as a file, its values
// looked up, one write applied, the values looked up again, both on the text and through a real
// file. The model holds the file as a vector of classified lines, as the first version of the
// writer did; the code under test splices the text in place. Every value must agree, a value
// read and written back must leave every value as it was, and a refused write must leave the
// file as it was. Run with -timeout and -rss_limit_mb and a large -max_len: the code under test
// is linear in the file's size, so a slow input is a finding.
#include "platform/linux/profile_file.h"
#include "platform/linux/profile_text.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// ==== The model =================================================================================

std::string Trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    return text.substr(begin, end - begin);
}

std::string Lower(std::string text) {
    for (char& c : text) c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    return text;
}

struct ModelLine {
    enum class Kind { Other, Section, Key } kind = Kind::Other;
    bool blank = false;
    std::string name, value;
};

ModelLine Classify(const std::string& text) {
    ModelLine line;
    const std::string trimmed = Trim(text);
    line.blank = trimmed.empty();
    if (trimmed.empty() || trimmed[0] == ';') return line;
    if (trimmed[0] == '[') {
        const std::string inner = trimmed.substr(1);
        line.kind = ModelLine::Kind::Section;
        line.name = Lower(Trim(inner.substr(0, inner.find(']'))));
        return line;
    }
    const size_t equals = trimmed.find('=');
    if (equals == std::string::npos) return line;
    line.kind = ModelLine::Kind::Key;
    line.name = Lower(Trim(trimmed.substr(0, equals)));
    line.value = Trim(trimmed.substr(equals + 1));
    return line;
}

/// A file as its lines, with the edits of WritePrivateProfileString on them.
struct Model {
    std::vector<ModelLine> lines;

    explicit Model(const std::string& text) {
        size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            size_t stop = end;
            if (stop > start && text[stop - 1] == '\r') --stop;
            lines.push_back(Classify(text.substr(start, stop - start)));
            start = end + 1;
        }
    }

    std::optional<size_t> Section(const std::string& name) const {
        const std::string wanted = Lower(Trim(name));
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].kind == ModelLine::Kind::Section && lines[i].name == wanted) return i;
        }
        return std::nullopt;
    }
    size_t SectionEnd(size_t header) const {
        size_t i = header + 1;
        while (i < lines.size() && lines[i].kind != ModelLine::Kind::Section) ++i;
        return i;
    }
    std::optional<size_t> Key(size_t header, const std::string& key) const {
        const std::string wanted = Lower(Trim(key));
        for (size_t i = header + 1, end = SectionEnd(header); i < end; ++i) {
            if (lines[i].kind == ModelLine::Kind::Key && lines[i].name == wanted) return i;
        }
        return std::nullopt;
    }
    std::optional<std::string> Value(const std::string& section, const std::string& key) const {
        const auto header = Section(section);
        if (!header) return std::nullopt;
        const auto line = Key(*header, key);
        return line ? std::optional(lines[*line].value) : std::nullopt;
    }

    /// The edit, once the code under test has accepted the names.
    void Write(const std::string& section, const char* key, const char* value) {
        const auto header = Section(section);
        if (key == nullptr) {
            if (header) lines.erase(lines.begin() + long(*header), lines.begin() + long(SectionEnd(*header)));
            return;
        }
        ModelLine line = Classify(Trim(key) + "=" + (value == nullptr ? "" : value));
        if (!header) {
            if (value != nullptr) {
                lines.push_back(Classify("[" + Trim(section) + "]"));
                lines.push_back(line);
            }
            return;
        }
        if (const auto at = Key(*header, key)) {
            if (value == nullptr) {
                lines.erase(lines.begin() + long(*at));
            } else {
                lines[*at] = line;
            }
            return;
        }
        if (value == nullptr) return;
        size_t at = SectionEnd(*header);
        while (at > *header + 1 && lines[at - 1].blank) --at;
        lines.insert(lines.begin() + long(at), line);
    }

};

// ==== The checks ================================================================================

std::string Escaped(const std::string& text) {
    std::string out;
    for (const unsigned char c : text) {
        char hex[8];
        std::snprintf(hex, sizeof(hex), c < 32 || c > 126 ? "\\x%02x" : "%c", c);
        out += hex;
    }
    return out;
}

[[noreturn]] void Fail(const char* what, const std::string& section, const std::string& key) {
    std::fprintf(stderr, "%s: section '%s' key '%s'\n", what, Escaped(section).c_str(), Escaped(key).c_str());
    std::abort();
}

using Names = std::vector<std::pair<std::string, std::string>>;

/// Every (section, key) the model knows, at most `limit` of them, plus `extra`.
Names NamesOf(const Model& model, const Names& extra, size_t limit) {
    Names names = extra;
    std::string section;
    for (const ModelLine& line : model.lines) {
        if (names.size() >= limit) break;
        if (line.kind == ModelLine::Kind::Section) section = line.name;
        if (line.kind == ModelLine::Kind::Key) names.emplace_back(section, line.name);
    }
    return names;
}

void Agree(const std::string& text, const Model& model, const Names& names) {
    for (const auto& [section, key] : names) {
        const auto got = marble::ProfileTextValue(text, section, key);
        const auto want = model.Value(section, key);
        if (got.has_value() != want.has_value() || (got && std::string(*got) != *want)) {
            std::fprintf(stderr, "got %s'%s', model %s'%s'\n", got ? "" : "none ", got ? Escaped(std::string(*got)).c_str() : "",
                         want ? "" : "none ", want ? Escaped(*want).c_str() : "");
            Fail("value differs from the model", section, key);
        }
    }
}

/// Names holding a NUL byte cannot pass through the C strings of the file functions.
bool CName(const std::string& name) { return name.find('\0') == std::string::npos; }

std::string ReadThroughFile(const std::string& file, const std::string& section, const std::string& key) {
    char buffer[2048];
    const uint32_t n = marble::ProfileGetString(section.c_str(), key.c_str(), "\x01", buffer, sizeof(buffer), file.c_str());
    return std::string(buffer, n);
}

std::string FuzzFolder() {
    static const std::string folder = [] {
        std::string pattern = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/profile-fuzz-XXXXXX");
        return std::string(mkdtemp(pattern.data()));
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    // The names of the write: a section, a key (or none), a value (or none), each short.
    // The names go through C strings, so they end at a NUL byte.
    const std::string section = input.ConsumeRandomLengthString(12).c_str();
    const bool withKey = input.ConsumeIntegralInRange(0, 7) != 0;
    const std::string key = input.ConsumeRandomLengthString(12).c_str();
    const bool withValue = input.ConsumeIntegralInRange(0, 7) != 0;
    const std::string value = input.ConsumeRandomLengthString(16).c_str();
    const bool rewriteFirst = input.ConsumeBool();
    const std::string text = input.ConsumeRemainingBytesAsString();

    const Model before = Model(text);
    // Each name costs a pass over the text (and over the model): few of them for a large text,
    // so that the run stays linear in its size.
    const size_t probes = text.size() > 65536 ? 4 : 64;
    const Names names = NamesOf(before, {{section, key}}, probes);
    Agree(text, before, names);

    // A value read and written back (on the first name the file holds) changes no value.
    if (rewriteFirst && names.size() > 1 && names[1].second.find('=') == std::string::npos) {
        const auto& [s, k] = names[1];
        std::string copy = text;
        const auto read = marble::ProfileTextValue(text, s, k);
        if (!s.empty() && !k.empty() && CName(s) && CName(k) && s.find(']') == std::string::npos && read &&
            read->find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos && s.find_first_of("\r\n") == std::string::npos &&
            k.find_first_of("\r\n") == std::string::npos && k[0] != '[' && k[0] != ';' &&
            marble::ProfileTextWrite(copy, s.c_str(), k.c_str(), std::string(*read).c_str())) {
            Agree(copy, before, names);
        }
    }

    // One write, on the text and on the model.
    std::string after = text;
    const char* keyArg = withKey ? key.c_str() : nullptr;
    const char* valueArg = withValue ? value.c_str() : nullptr;
    const bool accepted = marble::ProfileTextWrite(after, section.c_str(), keyArg, valueArg);
    if (!accepted && after != text) Fail("a refused write changed the text", section, key);
    Model expected = Model(text);
    if (accepted) expected.Write(section, keyArg, valueArg);
    if (accepted && text.compare(0, 3, "\xEF\xBB\xBF") == 0 && after.compare(0, 3, "\xEF\xBB\xBF") != 0) {
        Fail("the byte-order mark was lost", section, key);
    }
    // The edited text must parse to the model's edited lines.
    const Model reparsed = Model(after);
    const Names afterNames = NamesOf(expected, names, 2 * probes);
    Agree(after, expected, afterNames);
    Agree(after, reparsed, afterNames);

    // The same through a real file: read, written, read again.
    const std::string file = FuzzFolder() + "/fuzz.ini";
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    for (const auto& [s, k] : names) {
        if (!CName(s) || !CName(k)) continue;
        const auto want = before.Value(s, k);
        if (ReadThroughFile(file, s, k) != (want ? want->substr(0, 2047) : "\x01")) Fail("file read differs", s, k);
    }
    if (marble::ProfileWriteString(section.c_str(), keyArg, valueArg, file.c_str()) != accepted) {
        Fail("the file write and the text write disagree", section, key);
    }
    for (const auto& [s, k] : afterNames) {
        if (!CName(s) || !CName(k)) continue;
        const auto want = expected.Value(s, k);
        if (ReadThroughFile(file, s, k) != (want ? want->substr(0, 2047) : "\x01")) Fail("file read after write differs", s, k);
    }
    return 0;
}
