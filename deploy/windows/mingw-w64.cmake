# Cross-compiles the guide for 64-bit Windows with Debian's MinGW-w64 and a
# Qt 5 built for it (deploy/windows/build-qt.sh).
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=deploy/windows/mingw-w64.cmake \
#         -DQT_MINGW_PREFIX=/path/to/qt5-mingw
# ctest and the build's own tool runs go through Wine (wine-run.sh).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix thread model: the win32 one has no std::thread or std::mutex, which Qt uses.
set(mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw}-windres)

if(NOT QT_MINGW_PREFIX AND DEFINED ENV{QT_MINGW_PREFIX})
    set(QT_MINGW_PREFIX $ENV{QT_MINGW_PREFIX})
endif()
if(NOT QT_MINGW_PREFIX)
    message(FATAL_ERROR "Set QT_MINGW_PREFIX to a Qt 5 built for MinGW-w64 (deploy/windows/build-qt.sh makes one)")
endif()
set(QT_MINGW_PREFIX "${QT_MINGW_PREFIX}" CACHE PATH "Qt 5 built for MinGW-w64")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QT_MINGW_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw} ${QT_MINGW_PREFIX})
set(CMAKE_PREFIX_PATH ${QT_MINGW_PREFIX})
# Qt's moc, rcc and uic in its bin/ are Linux programs, named by Qt's CMake
# files; everything else comes from the Windows side.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${QT_MINGW_PREFIX})
