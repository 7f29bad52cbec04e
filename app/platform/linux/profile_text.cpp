#include "platform/linux/profile_text.h"

#include <cstring>

namespace marble {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool Blank(char c) { return c == ' ' || c == '\t'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && Blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && Blank(text.back())) text.remove_suffix(1);
    return text;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

/// One line: its text is [begin, end), the next line starts at `next`.
struct Line {
    size_t begin = 0;
    size_t end = 0;
    size_t next = 0;
};

/// Walks the lines of a text from an offset; memchr finds each line end.
class Lines {
public:
    Lines(std::string_view text, size_t from) : m_text(text), m_pos(from) {}

    bool Next(Line& line) {
        if (m_pos >= m_text.size()) return false;
        const char* start = m_text.data() + m_pos;
        const auto* newline = static_cast<const char*>(std::memchr(start, '\n', m_text.size() - m_pos));
        size_t end = newline != nullptr ? size_t(newline - m_text.data()) : m_text.size();
        line.begin = m_pos;
        line.next = newline != nullptr ? end + 1 : end;
        if (end > m_pos && m_text[end - 1] == '\r') --end;
        line.end = end;
        m_pos = line.next;
        return true;
    }

private:
    std::string_view m_text;
    size_t m_pos;
};

size_t BodyStart(std::string_view text) { return text.substr(0, kByteOrderMark.size()) == kByteOrderMark ? 3 : 0; }

std::string_view TextOf(std::string_view text, const Line& line) {
    return text.substr(line.begin, line.end - line.begin);
}

/// The line's first non-blank character, or kBlankLine (any byte, NUL too, may lead a line).
constexpr int kBlankLine = -1;
int Lead(std::string_view text, const Line& line) {
    for (size_t i = line.begin; i < line.end; ++i) {
        if (!Blank(text[i])) return static_cast<unsigned char>(text[i]);
    }
    return kBlankLine;
}

std::string_view SectionName(std::string_view line) {
    std::string_view inner = Trim(line).substr(1);
    inner = inner.substr(0, inner.find(']'));
    return Trim(inner);
}

/// A key line's name and value, or nothing for a line without "=".
std::optional<std::pair<std::string_view, std::string_view>> KeyOf(std::string_view line) {
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return std::pair{Trim(line.substr(0, equals)), Trim(line.substr(equals + 1))};
}

/// The header line of the first section named `name`.
std::optional<Line> FindHeader(std::string_view text, std::string_view name) {
    Lines lines(text, BodyStart(text));
    Line line;
    while (lines.Next(line)) {
        if (Lead(text, line) == '[' && EqualNoCase(SectionName(TextOf(text, line)), name)) return line;
    }
    return std::nullopt;
}

/// Where the section whose header is `header` ends: the next header's line, or the text's end.
size_t SectionEnd(std::string_view text, const Line& header) {
    Lines lines(text, header.next);
    Line line;
    while (lines.Next(line)) {
        if (Lead(text, line) == '[') return line.begin;
    }
    return text.size();
}

/// Whether the line (not blank, not a header) is a key line named `key`: its text from the first
/// non-blank character starts with the name, then blanks and "=". Most lines fail on their
/// first character. A name holding "=" names no key line.
bool IsKey(std::string_view text, const Line& line, std::string_view key) {
    if (key.empty() || key.find('=') != std::string_view::npos) {
        const auto entry = KeyOf(TextOf(text, line));
        return entry && Lead(text, line) != ';' && EqualNoCase(entry->first, key);
    }
    size_t i = line.begin;
    while (i < line.end && Blank(text[i])) ++i;
    if (line.end - i < key.size() || text[i] == ';') return false;
    for (const char c : key) {
        if (Lower(text[i++]) != Lower(c)) return false;
    }
    while (i < line.end && Blank(text[i])) ++i;
    return i < line.end && text[i] == '=';
}

/// The first line of `key` in the section whose header is `header`, or, when it has none, where
/// the section's last non-blank line ends (the header's end for a section of blank lines).
struct KeySearch {
    std::optional<Line> key;
    size_t afterLastNonBlank = 0;
};

KeySearch FindKey(std::string_view text, const Line& header, std::string_view key) {
    KeySearch found;
    found.afterLastNonBlank = header.next;
    Lines lines(text, header.next);
    Line line;
    while (lines.Next(line)) {
        const int lead = Lead(text, line);
        if (lead == '[') break;
        if (lead == kBlankLine) continue;
        if (IsKey(text, line, key)) {
            found.key = line;
            break;
        }
        found.afterLastNonBlank = line.next;
    }
    return found;
}

/// Inserts whole lines at a line start; a last line without its line end gets one first.
void InsertLines(std::string& text, size_t at, const std::string& lines, std::string_view eol) {
    if (at == text.size() && at > BodyStart(text) && text.back() != '\n') {
        text.insert(at, text.back() == '\r' ? std::string("\n") + lines : std::string(eol) + lines);
    } else {
        text.insert(at, lines);
    }
}

}  // namespace

std::optional<std::string_view> ProfileTextValue(std::string_view text, std::string_view section,
                                                 std::string_view key) {
    const auto header = FindHeader(text, Trim(section));
    if (!header) return std::nullopt;
    const auto line = FindKey(text, *header, Trim(key)).key;
    if (!line) return std::nullopt;
    return KeyOf(TextOf(text, *line))->second;
}

bool ProfileTextWrite(std::string& text, const char* section, const char* key, const char* value) {
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

    const std::string_view eol = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const auto header = FindHeader(text, sectionName);
    if (key == nullptr) {
        if (header) text.erase(header->begin, SectionEnd(text, *header) - header->begin);
        return true;
    }
    const std::string newLine = std::string(keyName) + "=" + (value == nullptr ? "" : value);
    if (!header) {
        if (value != nullptr) {
            std::string lines;
            lines.append("[").append(sectionName).append("]").append(eol).append(newLine).append(eol);
            InsertLines(text, text.size(), lines, eol);
        }
        return true;
    }
    const KeySearch found = FindKey(text, *header, keyName);
    if (found.key) {
        if (value == nullptr) {
            text.erase(found.key->begin, found.key->next - found.key->begin);
        } else {
            text.replace(found.key->begin, found.key->end - found.key->begin, newLine);
        }
        return true;
    }
    // A new key goes after the section's last non-blank line, so blank lines that separate it
    // from the next section stay where they are.
    if (value != nullptr) InsertLines(text, found.afterLastNonBlank, newLine + std::string(eol), eol);
    return true;
}

}  // namespace marble
