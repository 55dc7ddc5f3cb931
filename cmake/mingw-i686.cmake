# Toolchain for the 32-bit Windows program (scripts/build.sh windows32).
set(VEXIL_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
