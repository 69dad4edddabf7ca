# Cross build of the same sources for 64-bit Windows: a test build, run under
# wine64 where 32-bit programs cannot run. Never shipped.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(BRELIX_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
