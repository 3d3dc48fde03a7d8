# The native configuration: portable cores under sanitizers, fuzzers, the
# packer and benchmarks. Built with clang so that libFuzzer is at hand.

set(TS_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)

# libwim compresses the packer's chunks and is the test oracle for our
# decoder. Its pkg-config file names private dependencies (FUSE, NTFS-3G) that
# only its static library needs, so the shared library is found directly.
find_library(WIMLIB_LIBRARY NAMES wim REQUIRED)
find_path(WIMLIB_INCLUDE_DIR wimlib.h REQUIRED)
add_library(wimlib::wimlib UNKNOWN IMPORTED)
set_target_properties(wimlib::wimlib PROPERTIES
    IMPORTED_LOCATION ${WIMLIB_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${WIMLIB_INCLUDE_DIR})

# A portable library built a second time with sanitizers, for tests and fuzzers:
#   ts_portable_library(NAME <name> SOURCES ... [INCLUDE_DIRS ...] [LINK ...])
# gives <name> (optimised) and <name>_san.
function(ts_portable_library)
    cmake_parse_arguments(ARG "" "NAME" "SOURCES;INCLUDE_DIRS;LINK" ${ARGN})
    foreach(suffix "" "_san")
        set(t ${ARG_NAME}${suffix})
        add_library(${t} STATIC ${ARG_SOURCES})
        target_include_directories(${t} PUBLIC ${ARG_INCLUDE_DIRS})
        set(deps)
        foreach(dep IN LISTS ARG_LINK)
            list(APPEND deps ${dep}${suffix})
        endforeach()
        target_link_libraries(${t} PUBLIC ${deps})
        if(suffix STREQUAL "_san")
            target_compile_options(${t} PUBLIC ${TS_SANITIZE} -g)
            target_link_options(${t} PUBLIC ${TS_SANITIZE})
        else()
            target_compile_options(${t} PRIVATE -O2)
        endif()
    endforeach()
endfunction()

# A native GoogleTest executable, registered with ctest:
#   ts_host_test(NAME <name> SOURCES ... [LINK ...] [LABELS ...])
function(ts_host_test)
    cmake_parse_arguments(ARG "" "NAME" "SOURCES;LINK;LABELS" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LINK} gtest gtest_main)
    target_compile_options(${ARG_NAME} PRIVATE ${TS_SANITIZE} -g)
    target_link_options(${ARG_NAME} PRIVATE ${TS_SANITIZE})
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
    set_tests_properties(${ARG_NAME} PROPERTIES LABELS "host;${ARG_LABELS}")
endfunction()
