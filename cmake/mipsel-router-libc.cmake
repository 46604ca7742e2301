# Router build on the firmware's own C library: the mipsel toolchain of
# cmake/mipsel-linux-gnu.cmake pointed by a GCC driver file at a sysroot that
# scripts/router-libc.sh made (QAVO_ROUTER_LIBC: "uclibc", uClibc-ng soft-float, what
# the router runs; "musl", a portability build). The sysroot holds the C library, the
# router's libmosquitto and cJSON built against it, and no GoogleTest: these presets
# build the router's targets only (the unit tests run on glibc, preset "mipsel").
if(NOT QAVO_ROUTER_LIBC MATCHES "^(uclibc|musl)$")
  message(FATAL_ERROR "QAVO_ROUTER_LIBC must be uclibc or musl, not '${QAVO_ROUTER_LIBC}'")
endif()
get_filename_component(qavo_default_sysroot
  "${CMAKE_CURRENT_LIST_DIR}/../build/router-libc/${QAVO_ROUTER_LIBC}/sysroot" ABSOLUTE)
if(NOT QAVO_MIPSEL_SYSROOT)
  set(QAVO_MIPSEL_SYSROOT "${qavo_default_sysroot}")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QAVO_ROUTER_LIBC)
# The configure step asks the script whether the sysroot is there and up to date; it
# fetches and builds nothing when asked so.
if(NOT CMAKE_IN_TRY_COMPILE AND QAVO_MIPSEL_SYSROOT STREQUAL qavo_default_sysroot)
  execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/../scripts/router-libc.sh ${QAVO_ROUTER_LIBC} --check
    RESULT_VARIABLE rc OUTPUT_QUIET)
  if(rc)
    message(FATAL_ERROR "The ${QAVO_ROUTER_LIBC} sysroot is missing or out of date (message above): "
      "run scripts/router-libc.sh ${QAVO_ROUTER_LIBC}")
  endif()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/mipsel-linux-gnu.cmake)
# Compile and link flags both: the driver file chooses headers, start files, libgcc and loader.
string(APPEND CMAKE_C_FLAGS_INIT " -specs=${QAVO_MIPSEL_SYSROOT}/gcc.specs")
string(APPEND CMAKE_CXX_FLAGS_INIT " -specs=${QAVO_MIPSEL_SYSROOT}/gcc.specs")
