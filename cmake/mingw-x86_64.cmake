# Cross build for 64-bit Windows with Debian's MinGW-w64 x86_64 toolchain.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
