# Cross build for Windows x86 (32-bit) with mingw-w64; everything else as for x86-64.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TARN_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
