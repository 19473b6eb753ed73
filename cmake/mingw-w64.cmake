# Cross toolchain for the Windows build: MinGW-w64 (x86_64-w64-mingw32), Debian's
# g++-mingw-w64-x86-64 and mingw-w64-tools. Tests run under Wine through tests/wine/wine_run.sh,
# which needs the harness that tests/wine sets up (Xvfb + a Wine prefix in the build dir).
# mingw-w64-i686.cmake sets the 32-bit triple and includes this file.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT KORVAN_MINGW_TRIPLE)
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
  set(KORVAN_MINGW_TRIPLE x86_64-w64-mingw32)
endif()

# Debian ships two thread models; the posix one gives std::thread/std::mutex to GoogleTest.
# winpthread is linked statically below, so the choice adds no DLL.
find_program(KORVAN_MINGW_CXX NAMES ${KORVAN_MINGW_TRIPLE}-g++-posix ${KORVAN_MINGW_TRIPLE}-g++ REQUIRED)
find_program(KORVAN_MINGW_CC NAMES ${KORVAN_MINGW_TRIPLE}-gcc-posix ${KORVAN_MINGW_TRIPLE}-gcc REQUIRED)
set(CMAKE_C_COMPILER ${KORVAN_MINGW_CC})
set(CMAKE_CXX_COMPILER ${KORVAN_MINGW_CXX})
set(CMAKE_RC_COMPILER ${KORVAN_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KORVAN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static pulls libgcc, libstdc++ and winpthread into the .exe: it then imports only
# Windows' own DLLs and runs on a bare Windows (or Wine prefix) without MinGW runtime files.
# --no-insert-timestamp leaves the PE header's link time at zero, so the same sources give the
# same .exe on every build.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")

# ctest runs cross-built test programs through Wine in the harness's prefix and display.
# The harness state lives in the build tree, so every build dir has its own prefix.
get_filename_component(KORVAN_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${KORVAN_SOURCE_ROOT}/tests/wine/wine_run.sh;--state;${CMAKE_BINARY_DIR}/wine-harness;--")
