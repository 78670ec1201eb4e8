# Cross-compiling for 32-bit Windows with Debian's mingw-w64 (posix threads), e.g.
#   cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
#         -DQUARVEX_BUILD_GUI=OFF -DQUARVEX_BUILD_BENCH=OFF -DQUARVEX_BUILD_TESTS=OFF \
#         -Dnlohmann_json_DIR=... (a staged copy of the header-only package: see tools/windows-check.sh)
set(QUARVEX_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
