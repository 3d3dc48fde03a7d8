# The Windows configuration: the installer, the uninstaller, the stand-in
# application and the tests that run them under Wine.

enable_language(RC)

# Size first: the stub carries the payload, so every byte of code counts.
set(CMAKE_C_FLAGS_RELEASE "-Os")
set(CMAKE_CXX_FLAGS_RELEASE "-Os")
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0603 WINVER=0x0603)
add_compile_options(-ffunction-sections -fdata-sections)
# Nothing asks a type for its name at run time; without RTTI, std::function
# keeps no type record of its target (exceptions still carry theirs).
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>)
# -static: the executables need only DLLs that ship with Windows.
# --no-insert-timestamp: the same sources give the same bytes.
add_link_options(-static -Wl,--gc-sections -Wl,--no-insert-timestamp)
if(CMAKE_BUILD_TYPE STREQUAL "Release")
    add_link_options(-s)
    # Objects carry their machine code and GCC's intermediate form ("fat"):
    # tests link the machine code (-fno-lto; GCC would otherwise optimise any
    # link of such objects whole), the shipped executables are optimised
    # whole at link time (ts_optimise_whole_program).
    add_compile_options(-flto -ffat-lto-objects)
    add_link_options(-fno-lto)
endif()

# Link-time optimisation for an executable that ships: code that only one
# caller uses is inlined and dropped, unreachable code across the libraries
# goes. One partition, because GCC 12 for mingw-w64 stops with an internal
# error (binds_to_current_def_p) when it splits a program into several.
function(ts_optimise_whole_program target)
    if(CMAKE_BUILD_TYPE STREQUAL "Release")
        target_link_options(${target} PRIVATE -flto -flto-partition=one)
    endif()
endfunction()

set(TS_WINE_TEMPLATE ${CMAKE_BINARY_DIR}/wine/template)
# ctest runs every Windows test executable under Wine, each in a fresh copy of
# the template prefix (tests/wine/run.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tests/wine/run.sh)
set(TS_TEST_ENVIRONMENT
    "TS_WINE_TEMPLATE=${TS_WINE_TEMPLATE}"
    "TS_BIN_DIR=${CMAKE_BINARY_DIR}/bin"
    "TS_BUILD_DIR=${CMAKE_BINARY_DIR}"
    "TS_SOURCE_DIR=${CMAKE_SOURCE_DIR}")

# The Windows build has no sanitizers: a portable library is built once.
function(ts_portable_library)
    cmake_parse_arguments(ARG "" "NAME" "SOURCES;INCLUDE_DIRS;LINK" ${ARGN})
    add_library(${ARG_NAME} STATIC ${ARG_SOURCES})
    target_include_directories(${ARG_NAME} PUBLIC ${ARG_INCLUDE_DIRS})
    target_link_libraries(${ARG_NAME} PUBLIC ${ARG_LINK})
endfunction()

# A Windows GoogleTest executable run under Wine in a fresh copy of the
# template prefix:
#   ts_win_test(NAME <name> SOURCES ... [LINK ...] [LABELS ...] [TIMEOUT s])
function(ts_win_test)
    cmake_parse_arguments(ARG "" "NAME;TIMEOUT" "SOURCES;LINK;LABELS" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LINK} gtest gtest_main)
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${ARG_NAME} PROPERTIES
        LABELS "wine;${ARG_LABELS}"
        TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "${TS_TEST_ENVIRONMENT}")
endfunction()
