# Cross build of the Windows version (64-bit) with Debian's MinGW-w64, POSIX
# thread model (std::thread over winpthreads). TagLib, pugixml and GoogleTest
# come from the cache that scripts/windows/setup-cross.sh fills; the tests run
# under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TRACKMEND_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TRACKMEND_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRACKMEND_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TRACKMEND_MINGW_TRIPLE}-windres)

# The same default as the set-up script's.
if(DEFINED ENV{TRACKMEND_WIN_DEPS} AND NOT "$ENV{TRACKMEND_WIN_DEPS}" STREQUAL "")
  set(TRACKMEND_WIN_DEPS "$ENV{TRACKMEND_WIN_DEPS}")
else()
  set(TRACKMEND_WIN_DEPS "$ENV{HOME}/.cache/trackmend-mingw")
endif()
set(TRACKMEND_WIN_PREFIX "${TRACKMEND_WIN_DEPS}/prefix")

set(CMAKE_FIND_ROOT_PATH /usr/${TRACKMEND_MINGW_TRIPLE} ${TRACKMEND_WIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config looks at the cross-built libraries only, never at the machine's.
set(ENV{PKG_CONFIG_LIBDIR} "${TRACKMEND_WIN_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# GCC 12 warns of overlapping copies inside std::string's operator+ that
# cannot happen (GCC bug 105329); MinGW's build at -O3 meets it in the usage
# text, and CI builds with -Werror.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")

# Every executable stands alone: the C++ runtime, winpthreads and zlib are
# linked in, so trackmend.exe runs on a Windows without MinGW's DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests (and GoogleTest's discovery of them) run under Wine, in the prefix
# the set-up script prepared, without the dialogs that ask for Mono and Gecko.
# A UTF-8 locale lets Wine give files names outside ASCII (without one it
# cannot), and fixes the ANSI code page the tests expect at Windows-1252.
set(CMAKE_CROSSCOMPILING_EMULATOR
    env WINEPREFIX=${TRACKMEND_WIN_DEPS}/wine WINEDLLOVERRIDES=mscoree,mshtml= WINEDEBUG=-all LC_ALL=C.UTF-8 wine)
