# 32-bit Windows: the shipped SETUP.EXE and pmsetup.exe.
set(PAGEMIX_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
