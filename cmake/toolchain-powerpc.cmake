# The unit's processor: 32-bit big-endian PowerPC, where plain char is
# unsigned. Programs built with this file run on the build machine under
# qemu-user, so ctest runs the unit tests as the target would.
#   cmake -S . -B build/ppc -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-powerpc.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR powerpc)

set(KIP_TARGET_TRIPLE powerpc-linux-gnu)
set(KIP_TARGET_SYSROOT /usr/${KIP_TARGET_TRIPLE})
set(CMAKE_C_COMPILER ${KIP_TARGET_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${KIP_TARGET_TRIPLE}-g++)

# Libraries built for the target by scripts/test-target (TinyXML, zlib,
# GoogleTest). An environment variable, unlike -D, also reaches try_compile.
if(DEFINED ENV{KIP_TARGET_DEPS})
  set(KIP_TARGET_DEPS "$ENV{KIP_TARGET_DEPS}")
else()
  get_filename_component(KIP_TARGET_DEPS "${CMAKE_CURRENT_LIST_DIR}/../build/ppc-deps" ABSOLUTE)
endif()

# Only the target's own headers and libraries, never the build machine's.
set(CMAKE_FIND_ROOT_PATH ${KIP_TARGET_DEPS} ${KIP_TARGET_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-ppc -L ${KIP_TARGET_SYSROOT})

# The unit's flash is small: the linker drops every function nothing calls,
# and the segments align to the unit's 4 KiB pages rather than the 64 KiB
# the linker assumes for PowerPC, which pads the file.
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--gc-sections -Wl,-z,max-page-size=4096")
