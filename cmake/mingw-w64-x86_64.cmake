# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the posix thread
# model, for std::thread and std::mutex). Used by the windows preset and by
# scripts/windows-deps for libjpeg-turbo.
#
# The C++ runtime is shared, not linked into each binary: the program and the
# window module (a DLL) must be one C++ world, with one heap, one set of
# exception types and one std::string layout passing between them, and that
# only holds when both use the same libstdc++-6.dll, libgcc_s_seh-1.dll and
# libwinpthread-1.dll. cmake/WindowsRuntime.cmake copies those three beside
# the programs in bin/. The C libraries (libsodium, libjpeg-turbo, zlib) are
# static and linked into whichever binary uses them: they have no state that
# crosses a module boundary, and nothing extra has to ship.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VANTREL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VANTREL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANTREL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VANTREL_MINGW_TRIPLET}-windres)

# The libraries that scripts/windows-deps builds live in the build tree; a
# build of those libraries themselves passes the prefix it installs into.
if(NOT VANTREL_WINDOWS_DEPS_PREFIX)
  set(VANTREL_WINDOWS_DEPS_PREFIX "${CMAKE_BINARY_DIR}/deps/prefix")
endif()
# try_compile projects read this file again in their own directory.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VANTREL_WINDOWS_DEPS_PREFIX)

set(CMAKE_FIND_ROOT_PATH "${VANTREL_WINDOWS_DEPS_PREFIX}" /usr/${VANTREL_MINGW_TRIPLET})
# Programs (wine, pkg-config, clang-format) are the build machine's; headers,
# libraries and packages only ever the target's, never /usr/include's.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads only the target's .pc files (libsodium's, mingw zlib's).
set(ENV{PKG_CONFIG_LIBDIR}
    "${VANTREL_WINDOWS_DEPS_PREFIX}/lib/pkgconfig:/usr/${VANTREL_MINGW_TRIPLET}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# libz.dll.a would make every binary need zlib1.dll; FindZLIB takes libz.a.
set(ZLIB_USE_STATIC_LIBS ON)
