# Cross-building the Windows (x86_64) target with mingw-w64 on Linux; the tests run under Wine.
#   cmake -S . -B build-windows -G Ninja -DNIMBREL_GUI=OFF \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The -posix compilers are needed: the win32 thread model has no std::thread or std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(NIMBREL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${NIMBREL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NIMBREL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${NIMBREL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${NIMBREL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained executables: no libstdc++, libgcc or winpthread DLLs to ship next to them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# ctest and test discovery run the programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/windows/wine_run.sh)
