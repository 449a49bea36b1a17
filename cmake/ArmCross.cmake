# What both ARM toolchain files share; each sets FIXTRAIL_ARM_TRIPLET (the cross compiler's
# prefix), FIXTRAIL_ARM_ARCH (Debian's name for the architecture), FIXTRAIL_ARM_FLAGS (the
# instruction set and float calls, said explicitly rather than left to the compiler's default)
# and FIXTRAIL_ARM_QEMU_CPU (the oldest core the programs must run on) before including it.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(CMAKE_C_COMPILER ${FIXTRAIL_ARM_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${FIXTRAIL_ARM_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${FIXTRAIL_ARM_TRIPLET})
set(CMAKE_C_FLAGS_INIT ${FIXTRAIL_ARM_FLAGS})
set(CMAKE_CXX_FLAGS_INIT ${FIXTRAIL_ARM_FLAGS})

# The target's libraries and headers come from a sysroot of its own Debian packages, unpacked
# by scripts/make-sysroot.sh and never installed into the host; the C and C++ runtimes are the
# cross compiler's own (/usr/<triplet>).
get_filename_component(FIXTRAIL_ARM_SYSROOT
                       "${CMAKE_CURRENT_LIST_DIR}/../build-sysroot/${FIXTRAIL_ARM_ARCH}/root" ABSOLUTE)
if(NOT EXISTS "${FIXTRAIL_ARM_SYSROOT}/../.complete")
    message(FATAL_ERROR "No ${FIXTRAIL_ARM_ARCH} sysroot in ${FIXTRAIL_ARM_SYSROOT}: "
                        "run scripts/make-sysroot.sh ${FIXTRAIL_ARM_ARCH} first (make does)")
endif()
set(CMAKE_FIND_ROOT_PATH ${FIXTRAIL_ARM_SYSROOT} /usr/${FIXTRAIL_ARM_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every ARM program is static, the tests as the device's: they run under qemu-arm without a
# target C library on the host, and what a test exercises is what the card carries. (The
# top-level CMakeLists.txt makes find_library take archives only: the platform files that load
# after this one would undo it here.)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# The host's pkg-config, reading only the sysroot's .pc files and prefixing their paths.
set(PKG_CONFIG_EXECUTABLE pkg-config)
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_LIBDIR}
    "${FIXTRAIL_ARM_SYSROOT}/usr/lib/${FIXTRAIL_ARM_TRIPLET}/pkgconfig:${FIXTRAIL_ARM_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} ${FIXTRAIL_ARM_SYSROOT})

# The oldest Linux the programs run on: the emulated kernel says it is that release, and the ARM
# tests check the application's system calls against it (scripts/check-kernel-floor.py).
set(FIXTRAIL_KERNEL_FLOOR 2.6.32)

# Tests run on the host through user-mode emulation, on the oldest core of the target: an
# instruction newer than that, from our code or a library, fails the tests instead of the device.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -cpu ${FIXTRAIL_ARM_QEMU_CPU} -r ${FIXTRAIL_KERNEL_FLOOR})
