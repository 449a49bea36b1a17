# Cross build for the device: 32-bit ARM Linux, hard float.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)

# Debian's multiarch packages (libfreetype-dev:armhf, libgtest-dev:armhf) live under / with
# arm-linux-gnueabihf library directories; the toolchain's own files under /usr/arm-linux-gnueabihf.
set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabihf /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(PKG_CONFIG_EXECUTABLE arm-linux-gnueabihf-pkg-config)

# Tests run on the host through user-mode emulation. No -L: with it, fork and threads crash.
# The Cortex-A8 is the oldest core of the device baseline (ARMv7-A, VFPv3, NEON): an instruction
# newer than that, from our code or a library, fails the tests instead of the device.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -cpu cortex-a8)
