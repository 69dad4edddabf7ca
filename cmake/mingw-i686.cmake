# Cross build of the Windows program: 32-bit, statically linked, tested under Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(BRELIX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
