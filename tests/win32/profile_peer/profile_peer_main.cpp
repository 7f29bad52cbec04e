// Runs a script of profile-file calls against one file and prints each call's result, so that
// two implementations can be compared line by line:
//   profile_peer FILE SCRIPT
// Script lines, fields separated by tabs, "<null>" for a null pointer:
//   get SECTION KEY [SIZE]       read with an empty default into a buffer of SIZE (2048) bytes
//   set SECTION KEY VALUE        write (VALUE <null> deletes the key, KEY <null> the section)
//   flush                        the flush call: section, key and value all null
#include "profile_peer.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

const char* Arg(const std::string& field) { return field == "<null>" ? nullptr : field.c_str(); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: profile_peer FILE SCRIPT\n");
        return 2;
    }
    const char* file = argv[1];
    std::ifstream script(argv[2], std::ios::binary);
    if (!script) {
        std::fprintf(stderr, "profile_peer: cannot read %s\n", argv[2]);
        return 2;
    }
    std::string line;
    std::string out;
    while (std::getline(script, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::vector<std::string> f = Split(line);
        if (f[0] == "get" && (f.size() == 3 || f.size() == 4)) {
            const uint32_t size = f.size() == 4 ? uint32_t(std::stoul(f[3])) : 2048;
            std::vector<char> buffer(size + 1, '\x7f');
            const uint32_t n = PeerGetString(Arg(f[1]), Arg(f[2]), "", buffer.data(), size, file);
            std::string value(buffer.data(), n < size ? n : size);
            // A null key lists the section's keys, separated and ended by NUL characters.
            for (char& c : value) {
                if (c == '\0') c = '|';
            }
            out += "get [" + f[1] + "] " + f[2] + " = '" + value + "' (" + std::to_string(n) + ")\n";
        } else if (f[0] == "set" && f.size() == 4) {
            const bool ok = PeerWriteString(Arg(f[1]), Arg(f[2]), Arg(f[3]), file);
            out += "set [" + f[1] + "] " + f[2] + " = '" + f[3] + "' -> " + (ok ? "ok" : "failed") + "\n";
        } else if (f[0] == "flush") {
            const bool ok = PeerWriteString(nullptr, nullptr, nullptr, file);
            out += std::string("flush -> ") + (ok ? "ok" : "failed") + "\n";
        } else {
            std::fprintf(stderr, "profile_peer: bad script line: %s\n", line.c_str());
            return 2;
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
