#!/usr/bin/env bash
# run_package_test.sh <library build dir> <consumer source dir> <work dir> <c++ compiler> [c++ flags]
#
# Installs the library from its build folder into <work dir>/prefix, then builds and runs the
# consumer three ways: CMake with lumarix::lumarix, CMake with lumarix::lumarix_static, and a
# plain compiler call with the flags pkg-config gives. The compiler flags of the library's build
# are passed on, so that a sanitizer build links its runtime into the consumer too.
set -euo pipefail
build=$1 consumer=$2 work=$3 cxx=$4 flags=${5:-}

if [ ! -f "$build/liblumarix.so" ] || [ ! -f "$build/liblumarix.a" ]; then
  echo "the library is not built in $build; build the preset's default target first" >&2
  exit 77
fi

rm -rf "$work"
mkdir -p "$work"
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log"

# Moving the installed tree must not break it: both package files find their prefix themselves.
mv "$prefix" "$work/moved"
prefix="$work/moved"

echo "== find_package(lumarix CONFIG)"
cmake -S "$consumer" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_BUILD_TYPE=Release >"$work/configure.log"
cmake --build "$work/cmake" >"$work/build.log"
"$work/cmake/consumer_shared"
"$work/cmake/consumer_static"
# ldd's whole output is read first: with pipefail, grep -q closing the pipe early could fail ldd.
if grep -q "liblumarix.so.*$prefix" <<<"$(ldd "$work/cmake/consumer_shared")"; then
  echo "consumer_shared runs on the installed liblumarix.so"
else
  echo "consumer_shared does not use the installed library:" >&2
  ldd "$work/cmake/consumer_shared" >&2
  exit 1
fi

echo "== pkg-config lumarix"
pc=$(dirname "$(find "$prefix" -name lumarix.pc | head -n 1)")
export PKG_CONFIG_PATH="$pc"
echo "lumarix $(pkg-config --modversion lumarix)"
libdir=$(pkg-config --variable=libdir lumarix)
# shellcheck disable=SC2046,SC2086
"$cxx" $flags "$consumer/main.cpp" $(pkg-config --cflags --libs lumarix) -Wl,-rpath,"$libdir" -o "$work/consumer_pc"
"$work/consumer_pc"
