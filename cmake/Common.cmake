# Settings shared by the native and the Windows configuration.

# No build path may leak into a binary: the same sources give the same bytes.
add_compile_options(
    -ffile-prefix-map=${CMAKE_SOURCE_DIR}=.
    -ffile-prefix-map=${CMAKE_BINARY_DIR}=build
    -Wall -Wextra -Werror)

set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)

# Compiles a target for speed even in a build optimised for size: the decoder
# and the checksum are the installer's hot loops.
function(ts_optimise_for_speed target)
    target_compile_options(${target} PRIVATE -O2)
endfunction()

# Every include of the installer's sources is written from this root
# ("payload/core/payload.h"); each library hands it on to what links it.
set(TS_SOURCE_ROOT ${CMAKE_SOURCE_DIR}/src)
