// Small helpers the example programs share: the usage line, loading a BMP file with a clear
// message, and pasting one picture into another.
#pragma once

#include <lumarix/Lumarix.h>

#include <cstdio>
#include <exception>
#include <string>

namespace example {

/// True when the program got `count` arguments; otherwise prints its usage line.
inline bool Arguments(int argc, char** argv, int count, const char* usage) {
    if (argc == count + 1) return true;
    std::fprintf(stderr, "usage: %s %s\n", argv[0], usage);
    return false;
}

/// Loads a BMP file as a 32-bit picture; false (with a message) when it cannot be read.
inline bool Load(lumarix::TLumarix& picture, const std::string& fileName) {
    try {
        picture.LoadFromFile(fileName);
        picture.Do32();
        return picture.Width() > 0 && picture.Height() > 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", fileName.c_str(), e.what());
        return false;
    }
}

/// Copies the whole of `from` to (x, y) of `to`: the constant-alpha blit at alpha 256 is a copy.
inline void Paste(lumarix::TLumarix& from, lumarix::TLumarix& to, int32_t x, int32_t y) {
    from.ColorAlphaMMX(x, y, from.Width(), from.Height(), 0, 0, to, 256);
}

}  // namespace example
