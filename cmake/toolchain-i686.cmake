# 32-bit x86 Linux with the host compiler's -m32 (Debian's g++-multilib). Its default processor
# is the i686, which has no SSE2: plain code built here must run on such processors, and the
# SSE2 and AVX2 kernels only after the processor query says so. Programs run under qemu-i386
# (an x86-64 kernel built without 32-bit support cannot start them itself).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)

# Target packages built by the project itself (GoogleTest) are installed under this prefix.
set(I686_PREFIX "" CACHE PATH "Prefix of libraries built for the target")
set(CMAKE_FIND_ROOT_PATH ${I686_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386)
