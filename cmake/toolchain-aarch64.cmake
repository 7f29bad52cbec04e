# Cross-compiling for 64-bit ARM Linux with Debian's g++-aarch64-linux-gnu; programs run under
# qemu-user with the cross toolchain's own C library as their root.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(AARCH64_TRIPLET aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${AARCH64_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${AARCH64_TRIPLET}-g++)

# Target packages built by the project itself (GoogleTest) are installed under this prefix.
set(AARCH64_PREFIX "" CACHE PATH "Prefix of libraries built for the target")
set(CMAKE_FIND_ROOT_PATH /usr/${AARCH64_TRIPLET} ${AARCH64_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/${AARCH64_TRIPLET})
