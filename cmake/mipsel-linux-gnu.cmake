# Cross build for the router: MIPS32r2 little-endian (MT7620) with Debian's
# mipsel-linux-gnu toolchain. C library, libstdc++ and the loader come from the
# toolchain; GoogleTest comes from Debian's mipsel package and libmosquitto (without
# TLS) and cJSON are built from Debian's sources, all put by scripts/mipsel-sysroot.sh
# into QAVO_MIPSEL_SYSROOT (never installed on the host). Tests run under
# qemu-mipsel-static with that sysroot as their root.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR mipsel)
set(CMAKE_LIBRARY_ARCHITECTURE mipsel-linux-gnu)

set(CMAKE_C_COMPILER mipsel-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER mipsel-linux-gnu-g++)
set(CMAKE_STRIP mipsel-linux-gnu-strip)

if(NOT QAVO_MIPSEL_SYSROOT)
  get_filename_component(QAVO_MIPSEL_SYSROOT "${CMAKE_CURRENT_LIST_DIR}/../build/mipsel-sysroot" ABSOLUTE)
endif()
set(QAVO_MIPSEL_SYSROOT "${QAVO_MIPSEL_SYSROOT}" CACHE PATH "Unpacked mipsel packages")
# try_compile projects re-read this file; hand them the sysroot too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QAVO_MIPSEL_SYSROOT)
if(NOT EXISTS "${QAVO_MIPSEL_SYSROOT}/usr/include/mosquitto.h")
  message(FATAL_ERROR "No mipsel sysroot at ${QAVO_MIPSEL_SYSROOT}: run scripts/mipsel-sysroot.sh")
endif()

# MIPS32r2 is what the toolchain targets by default; say so, so a toolchain change
# cannot silently raise the instruction set above the MT7620's. 64-bit file offsets:
# USB disks hold files and file systems beyond what 32-bit off_t and statfs fields
# count, and directory positions on the build machine's disks (seen through qemu)
# do not fit 32 bits either.
set(CMAKE_C_FLAGS_INIT "-march=mips32r2 -D_FILE_OFFSET_BITS=64")
set(CMAKE_CXX_FLAGS_INIT "-march=mips32r2 -D_FILE_OFFSET_BITS=64")
set(qavo_sysroot_libs
  "${QAVO_MIPSEL_SYSROOT}/usr/lib/mipsel-linux-gnu:${QAVO_MIPSEL_SYSROOT}/lib/mipsel-linux-gnu")
# Libraries' own dependencies are resolved there at link time.
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-Wl,-rpath-link,${qavo_sysroot_libs}")
endforeach()

# Libraries, headers and packages come from the sysroot (and the toolchain's own
# directories, which the compiler searches by itself); programs from the host.
set(CMAKE_FIND_ROOT_PATH "${QAVO_MIPSEL_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads only the sysroot's .pc files and prefixes their paths with it.
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_LIBDIR}
  "${QAVO_MIPSEL_SYSROOT}/usr/lib/mipsel-linux-gnu/pkgconfig:${QAVO_MIPSEL_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${QAVO_MIPSEL_SYSROOT}")

# No binfmt registration on the build machines: CTest calls the emulator itself
# (qemu-mipsel-static, see the script for how tests' own children are emulated).
find_program(QAVO_QEMU_MIPSEL qemu-mipsel-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR
  "${CMAKE_CURRENT_LIST_DIR}/../scripts/mipsel-emulator.sh;${QAVO_MIPSEL_SYSROOT}")
