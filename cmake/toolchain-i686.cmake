# 32-bit x86 Linux with Debian's i686 cross compiler (g++-i686-linux-gnu; unlike g++-multilib it
# can be installed beside the aarch64 one). Its default processor
# is the i686, which has no SSE2: plain code built here must run on such processors, and the
# SSE2 and AVX2 kernels only after the processor query says so. Programs run under qemu-i386
# (an x86-64 kernel built without 32-bit support cannot start them itself).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)

# Target packages built by the project itself (GoogleTest) are installed under this prefix.
set(I686_PREFIX "" CACHE PATH "Prefix of libraries built for the target")
set(CMAKE_FIND_ROOT_PATH /usr/i686-linux-gnu ${I686_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386)
