# Packs the application folder into the payload container that
# TessarkStudioSetup.exe embeds. The folder is the sample application's
# (sample-app/app plus the built stand-in TessarkStudio.exe) unless TS_APP_DIR
# names a team's own folder, which must hold TessarkStudio.exe. uninstall.exe
# always comes from this build.
#
# The packer also writes the digest of the container's header and file table
# and of the unpacked image beside the payload (payload.bin.digest); it is
# embedded as resource PAYLOAD_DIGEST and the installer checks the table and
# the image against it before writing a single file.
#
# Signing (optional): with TS_SIGN_PFX, or TS_SIGN_CERT and TS_SIGN_KEY,
# uninstall.exe is signed right after it is linked, so that the payload
# carries the signed file, and TessarkStudioSetup.exe right after it is
# linked (tools/sign.sh, osslsigncode). The password of a PFX file or of the
# key comes from the environment variable SIGN_PASSWORD at build time, so it
# never lands in the CMake cache. TS_SIGN_TIME (seconds since 1970, e.g.
# SOURCE_DATE_EPOCH) fixes the signing time that the signature embeds, so
# that the same sources and certificate give the same signed bytes;
# TS_SIGN_TIMESTAMP_URL adds a timestamp from that server instead.

set(TS_SIGN_PFX "" CACHE FILEPATH "PKCS#12 file to sign the executables with (empty: no signing)")
set(TS_SIGN_CERT "" CACHE FILEPATH "Certificate (PEM or DER) to sign with, together with TS_SIGN_KEY")
set(TS_SIGN_KEY "" CACHE FILEPATH "Private key of TS_SIGN_CERT")
set(TS_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 timestamp server (empty: no timestamp)")
set(TS_SIGN_TIME "" CACHE STRING "Signing time to embed, seconds since 1970 (empty: the time of the build)")

set(ts_sign_arguments)
set(ts_sign_inputs)
if(TS_SIGN_PFX)
    set(ts_sign_arguments --pfx ${TS_SIGN_PFX})
    set(ts_sign_inputs ${TS_SIGN_PFX})
elseif(TS_SIGN_CERT OR TS_SIGN_KEY)
    if(NOT TS_SIGN_CERT OR NOT TS_SIGN_KEY)
        message(FATAL_ERROR "Signing with a certificate needs both TS_SIGN_CERT and TS_SIGN_KEY")
    endif()
    set(ts_sign_arguments --cert ${TS_SIGN_CERT} --key ${TS_SIGN_KEY})
    set(ts_sign_inputs ${TS_SIGN_CERT} ${TS_SIGN_KEY})
endif()
if(ts_sign_arguments)
    find_program(TS_OSSLSIGNCODE osslsigncode REQUIRED)
    if(TS_SIGN_TIMESTAMP_URL)
        list(APPEND ts_sign_arguments --timestamp-url ${TS_SIGN_TIMESTAMP_URL})
    endif()
    if(TS_SIGN_TIME)
        list(APPEND ts_sign_arguments --time ${TS_SIGN_TIME})
    endif()
    message(STATUS "Signing uninstall.exe and TessarkStudioSetup.exe with ${ts_sign_inputs}")
endif()
# The executables are relinked (and so signed, or left unsigned) whenever the
# signing settings or the certificate change: a POST_BUILD step runs only
# after a link, and an executable signed by an earlier configuration must not
# survive into a build that signs nothing.
set(ts_sign_stamp ${CMAKE_BINARY_DIR}/generated/signing-settings.txt)
file(CONFIGURE OUTPUT ${ts_sign_stamp} CONTENT "${ts_sign_arguments}\n" @ONLY)

# Signs `target` in place after each link, when signing is configured.
function(ts_sign_after_build target)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${ts_sign_stamp} ${ts_sign_inputs})
    if(NOT ts_sign_arguments)
        return()
    endif()
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_SOURCE_DIR}/tools/sign.sh ${ts_sign_arguments} $<TARGET_FILE:${target}>
        COMMENT "Signing $<TARGET_FILE_NAME:${target}>"
        VERBATIM)
endfunction()

ts_sign_after_build(uninstall)

set(TS_APP_DIR "" CACHE PATH "Application folder to pack (empty: the sample application)")
set(TS_PACKER "" CACHE FILEPATH "The host packer (build/host/bin/packer)")
set(TS_CHUNK_SIZE "" CACHE STRING "Chunk size in bytes for the packer (empty: its default)")
if(NOT TS_PACKER OR NOT EXISTS ${TS_PACKER})
    message(FATAL_ERROR "No host packer at '${TS_PACKER}': the installer cannot be built without it. "
                        "Build the host configuration first (make does), or set TS_PACKER.")
endif()
# TessarkStudioSetup is defined after this file is included; sign it once the
# directory that defines it has been read.
cmake_language(DEFER CALL ts_sign_after_build TessarkStudioSetup)

# The payload and its digest, also for the end-to-end tests that build
# installer variants from them.
set(TS_PAYLOAD_FILE ${CMAKE_BINARY_DIR}/payload.bin CACHE INTERNAL "The packed payload")
set(TS_PAYLOAD_DIGEST_FILE ${TS_PAYLOAD_FILE}.digest CACHE INTERNAL "The digest of its header, file table and unpacked image")
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
    OUTPUT ${TS_PAYLOAD_FILE} ${TS_PAYLOAD_DIGEST_FILE}
    COMMAND ${TS_PACKER} pack ${app_dir} -o ${TS_PAYLOAD_FILE} ${pack_arguments}
    DEPENDS ${pack_depends} ${app_files}
    COMMENT "Packing ${app_dir}"
    VERBATIM)
add_custom_target(packed_payload DEPENDS ${TS_PAYLOAD_FILE} ${TS_PAYLOAD_DIGEST_FILE})

file(WRITE ${CMAKE_BINARY_DIR}/generated/payload_resource.rc
     "PAYLOAD RCDATA \"${TS_PAYLOAD_FILE}\"\n")
# Written by the same command as the payload, so the resource script's
# dependency on payload.bin covers it.
file(WRITE ${CMAKE_BINARY_DIR}/generated/payload_digest_resource.rc
     "PAYLOAD_DIGEST RCDATA \"${TS_PAYLOAD_DIGEST_FILE}\"\n")
