# Cross-compiles for 32-bit Windows with mingw-w64 (posix thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KELO_TRIPLE i686-w64-mingw32)
set(KELO_WIDL_ARCH -m32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
