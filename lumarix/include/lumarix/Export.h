// Symbol visibility for the library's public names.
//
// The library is built with hidden visibility; everything declared with LUMARIX_API is exported
// from the shared library and from any executable that links the static library with its
// symbols exported (the drum pad does, so other programs can find the names in it).
#pragma once

#if defined(_WIN32)
#  if defined(LUMARIX_BUILDING) || defined(LUMARIX_EXPORT_FROM_EXE)
#    define LUMARIX_API __declspec(dllexport)
#  elif defined(LUMARIX_STATIC)
#    define LUMARIX_API
#  else
#    define LUMARIX_API __declspec(dllimport)
#  endif
#else
#  define LUMARIX_API __attribute__((visibility("default")))
#endif
