# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 compilers (posix
# thread model, which std::thread and std::mutex need) against the Qt and
# libcurl trees that `make windows-toolchain` puts into VHPD_MINGW_ROOT.
# Test programs run through Wine, so CTest works as on Linux.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DVHPD_MINGW_ROOT=$HOME/.cache/vhpd-mingw
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VHPD_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VHPD_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VHPD_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VHPD_MINGW_TRIPLE}-windres)

# The toolchain file is read again for every try_compile; the folder travels
# through the environment so that those runs see the same one.
if(NOT VHPD_MINGW_ROOT)
    if(DEFINED ENV{VHPD_MINGW_ROOT})
        set(VHPD_MINGW_ROOT "$ENV{VHPD_MINGW_ROOT}")
    else()
        set(VHPD_MINGW_ROOT "$ENV{HOME}/.cache/vhpd-mingw")
    endif()
endif()
set(VHPD_MINGW_ROOT "${VHPD_MINGW_ROOT}" CACHE PATH "Folder holding qt5-mingw/ and curl-mingw/")
set(ENV{VHPD_MINGW_ROOT} "${VHPD_MINGW_ROOT}")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VHPD_MINGW_ROOT)

# Appended to, so that a project may add a tree of its own with
# -DCMAKE_FIND_ROOT_PATH (the packaging test's install prefix).
list(APPEND CMAKE_FIND_ROOT_PATH
    ${VHPD_MINGW_ROOT}/qt5-mingw
    ${VHPD_MINGW_ROOT}/curl-mingw
    ${VHPD_MINGW_ROOT}/httplib
    /usr/${VHPD_MINGW_TRIPLE})
set(CMAKE_PREFIX_PATH ${VHPD_MINGW_ROOT}/qt5-mingw ${VHPD_MINGW_ROOT}/curl-mingw)
# Host programs (moc, rcc, pkg-config) from the build machine, everything
# else from the Windows trees only.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config answers for the Windows libcurl and the header-only HTTP server
# the tests use, never for the build machine's own packages.
set(ENV{PKG_CONFIG_LIBDIR}
    "${VHPD_MINGW_ROOT}/curl-mingw/lib/pkgconfig:${VHPD_MINGW_ROOT}/httplib/lib/pkgconfig")
unset(ENV{PKG_CONFIG_PATH})

# Debian's wine64 keeps its loader out of PATH.
find_program(VHPD_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VHPD_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VHPD_WINE64})
endif()
