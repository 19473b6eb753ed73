# Cross toolchain for the 32-bit Windows build: MinGW-w64 i686-w64-mingw32 (Debian's
# g++-mingw-w64-i686). Everything else is shared with the 64-bit toolchain.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(KORVAN_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
