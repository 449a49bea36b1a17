# The SD-card bundle for the device (`make sdcard`, `cpack --preset sdcard`): one archive laid
# out as the card's root, unpacked there as it is.
#   fixtrail/fixtrail      the program, stripped and linked statically
#   fixtrail/README.txt    what it is and how to start it
#   skin/                  the sample skin at the skin root ("/mnt/sdcard/skin"), with the
#                          TrueType fonts its licence lets us ship and that licence
#
# The device's own libraries are unknown and likely older than ours, so the program takes the C
# and C++ runtimes, FreeType and what FreeType pulls in with it: it needs only an ARMv7
# hard-float core and a Linux kernel of 3.2 or later (the oldest glibc 2.36 supports).
# (ui/CMakeLists.txt links FreeType with plain -l flags for this.)
target_link_options(fixtrail PRIVATE -static)

# Debian's name for the architecture, the one a user looks for.
set(FIXTRAIL_SDCARD_ARCH armhf)

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
