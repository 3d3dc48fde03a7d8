# Packs the application folder into the payload container that
# TessarkStudioSetup.exe embeds. The folder is the sample application's
# (sample-app/app plus the built stand-in TessarkStudio.exe) unless TS_APP_DIR
# names a team's own folder, which must hold TessarkStudio.exe. uninstall.exe
# always comes from this build.

set(TS_APP_DIR "" CACHE PATH "Application folder to pack (empty: the sample application)")
set(TS_PACKER "" CACHE FILEPATH "The host packer (build/host/bin/packer)")
set(TS_CHUNK_SIZE "" CACHE STRING "Chunk size in bytes for the packer (empty: its default)")
if(NOT TS_PACKER OR NOT EXISTS ${TS_PACKER})
    message(WARNING "No host packer at '${TS_PACKER}': TessarkStudioSetup.exe is left out. "
                    "Build the host configuration first (make does).")
    set(TS_HAVE_PAYLOAD OFF)
    return()
endif()
set(TS_HAVE_PAYLOAD ON)

set(TS_PAYLOAD_FILE ${CMAKE_BINARY_DIR}/payload.bin)
set(pack_arguments --replace-uninstaller $<TARGET_FILE:uninstall>)
set(pack_depends uninstall ${TS_PACKER})
if(TS_APP_DIR)
    get_filename_component(app_dir ${TS_APP_DIR} ABSOLUTE)
else()
    set(app_dir ${CMAKE_SOURCE_DIR}/sample-app/app)
    list(APPEND pack_arguments --app-exe $<TARGET_FILE:TessarkStudio>)
    list(APPEND pack_depends TessarkStudio)
endif()
if(TS_CHUNK_SIZE)
    list(APPEND pack_arguments --chunk-size ${TS_CHUNK_SIZE})
endif()
file(GLOB_RECURSE app_files CONFIGURE_DEPENDS ${app_dir}/*)

add_custom_command(
    OUTPUT ${TS_PAYLOAD_FILE}
    COMMAND ${TS_PACKER} pack ${app_dir} -o ${TS_PAYLOAD_FILE} ${pack_arguments}
    DEPENDS ${pack_depends} ${app_files}
    COMMENT "Packing ${app_dir}"
    VERBATIM)
add_custom_target(payload DEPENDS ${TS_PAYLOAD_FILE})

file(WRITE ${CMAKE_BINARY_DIR}/generated/payload_resource.rc
     "PAYLOAD RCDATA \"${TS_PAYLOAD_FILE}\"\n")
