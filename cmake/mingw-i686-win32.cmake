# Cross toolchain of the shipped 32-bit program: the win32 thread flavour,
# which links no winpthreads (its imports need Windows XP, Vista or the NT
# line). The program starts its threads with _beginthreadex only.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
