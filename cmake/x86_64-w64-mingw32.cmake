# 64-bit Windows: a test vehicle for hosts whose kernel runs no 32-bit
# code, where only 64-bit Wine works. Nothing built with it is shipped.
set(PAGEMIX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
