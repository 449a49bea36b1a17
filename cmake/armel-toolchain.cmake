# Cross build for the older cores of the device class (ARM9, ARM11): 32-bit ARM Linux, ARMv5TE
# with floating point in software calls (Debian's armel). The ARM926EJ-S is the oldest of them.
set(FIXTRAIL_ARM_TRIPLET arm-linux-gnueabi)
set(FIXTRAIL_ARM_ARCH armel)
set(FIXTRAIL_ARM_QEMU_CPU arm926)
set(FIXTRAIL_ARM_FLAGS "-march=armv5te -mfloat-abi=soft")
include(${CMAKE_CURRENT_LIST_DIR}/ArmCross.cmake)
