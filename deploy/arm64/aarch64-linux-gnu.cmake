# Cross-compiles the guide for 64-bit ARM with Debian's multiarch: the
# compilers of crossbuild-essential-arm64 and Qt's arm64 development packages
# (qtbase5-dev:arm64), beside the host's moc.
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=deploy/arm64/aarch64-linux-gnu.cmake
# ctest and the build's own tool runs go through qemu-user.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# Libraries and headers come from the arm64 side of the multiarch folders;
# programs (moc) from the host.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static)

# The packages' architecture, as Debian names it.
set(QUORVEL_DEBIAN_ARCHITECTURE arm64)
