# Cross-compiling for Windows with Debian's MinGW-w64 (win32 threads, so
# nothing needs a pthread DLL). The toolchain files of the two Windows
# presets set PAGEMIX_MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR, then
# include this.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${PAGEMIX_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${PAGEMIX_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${PAGEMIX_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${PAGEMIX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
