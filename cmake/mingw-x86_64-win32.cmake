# Cross toolchain of the shipped 64-bit program: the win32 thread flavour,
# which links no winpthreads. The program starts its threads with
# _beginthreadex only.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-x86_64.cmake)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
