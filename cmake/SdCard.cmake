# The SD-card bundle for the device (`make sdcard`, `cpack --preset sdcard`): one archive laid
# out as the card's root, unpacked there as it is.
#   fixtrail/fixtrail      the program, stripped and linked statically
#   fixtrail/README.txt    what it is and how to start it
#   skin/                  the sample skin at the skin root ("/mnt/sdcard/skin"), with the
#                          TrueType fonts its licence lets us ship and that licence
#
# The device's own libraries are unknown and likely older than ours, so the program takes the C
# and C++ runtimes, FreeType and what FreeType pulls in with it (every ARM program is static:
# cmake/ArmCross.cmake); it needs only a core of its architecture and the kernel the README names.
if(NOT FIXTRAIL_ARM_ARCH)
    message(FATAL_ERROR "The SD-card bundle is built by an ARM toolchain file (cmake/*-toolchain.cmake)")
endif()

# Debian's name for the architecture, the one a user looks for, and what the card's README says
# the device needs.
set(FIXTRAIL_SDCARD_ARCH ${FIXTRAIL_ARM_ARCH})
if(FIXTRAIL_SDCARD_ARCH STREQUAL "armhf")
    set(FIXTRAIL_SDCARD_CORE "An ARMv7 processor with a hard-float unit (Cortex-A8 or newer)")
else()
    set(FIXTRAIL_SDCARD_CORE "Any ARM processor from the ARM926EJ-S (ARMv5TE) on; no float unit")
endif()

configure_file(${PROJECT_SOURCE_DIR}/data/sdcard/README.txt.in
               ${CMAKE_BINARY_DIR}/sdcard/README.txt @ONLY)
install(TARGETS fixtrail RUNTIME DESTINATION fixtrail)
install(FILES ${CMAKE_BINARY_DIR}/sdcard/README.txt DESTINATION fixtrail)
install(DIRECTORY ${CMAKE_BINARY_DIR}/skin-root/skin/ DESTINATION skin)

set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_NAME fixtrail-sdcard)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(sdcard_name fixtrail-sdcard-${PROJECT_VERSION}-${FIXTRAIL_SDCARD_ARCH})
set(CPACK_PACKAGE_FILE_NAME ${sdcard_name})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)

# For the test that unpacks it.
set(FIXTRAIL_SDCARD_ARCHIVE ${sdcard_name}.tar.gz)
