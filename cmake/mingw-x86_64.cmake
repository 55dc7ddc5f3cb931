# Toolchain for the 64-bit Windows program (the default).
set(VEXIL_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
