# Cross build for the device's ARMv7 cores: 32-bit ARM Linux, hard float (Debian's armhf:
# ARMv7-A, VFPv3-D16, Thumb-2). The Cortex-A8 is the oldest core of that baseline.
set(FIXTRAIL_ARM_TRIPLET arm-linux-gnueabihf)
set(FIXTRAIL_ARM_ARCH armhf)
set(FIXTRAIL_ARM_QEMU_CPU cortex-a8)
set(FIXTRAIL_ARM_FLAGS "-march=armv7-a+fp -mfloat-abi=hard")
include(${CMAKE_CURRENT_LIST_DIR}/ArmCross.cmake)
