# Build conventions shared by every target of the project.

# Warnings for everything we compile. Format strings must be literals so that no
# stored value can ever become a format.
add_library(qavo_warnings INTERFACE)
target_compile_options(qavo_warnings INTERFACE
  -Wall -Wextra -Wformat=2 -Werror=format-nonliteral -Werror=format-security
  -Wshadow -Wno-missing-field-initializers)

# What the router carries: C++ without exceptions or RTTI, hidden symbols unless
# a header marks them QAVO_API, unused sections dropped at link time.
add_library(qavo_product INTERFACE)
target_link_libraries(qavo_product INTERFACE qavo_warnings)
target_compile_options(qavo_product INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fno-threadsafe-statics>
  -fvisibility=hidden -ffunction-sections -fdata-sections)
# libgcc is linked statically: the few helpers 32-bit targets need (64-bit division) are
# copied in, and the router carries no libgcc_s.
target_link_options(qavo_product INTERFACE -Wl,--gc-sections -Wl,--as-needed -static-libgcc)
# On the router (MIPS32r2), in MIPS16e: each tool run maps the whole of its program and
# libraries' code (the kernel maps file pages 64 KiB around each first use), so smaller
# code is less resident memory; calls into the C library switch mode (interlinking).
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "mipsel")
  target_compile_options(qavo_product INTERFACE -mips16 -minterlink-compressed)
endif()
target_include_directories(qavo_product INTERFACE
  ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR})

# Installed programs find the project's shared libraries next to them.
set(CMAKE_INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

# qavo_unit_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
# A GoogleTest program registered with CTest under the label "unit" plus any given.
function(qavo_unit_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} qavo_warnings qavo_test_support GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS "unit;${T_LABELS}")
endfunction()

# qavo_system_test(<name> COMMAND <cmd...> [LABELS <labels...>] [TIMEOUT <s>])
# A test that runs real programs inside the virtual router (sim/vrouter/vrouter); needs
# root. It runs after the "stage" test has installed the programs into
# <build>/stage, and finds the build, the stage and the sources through
# QAVO_BUILD_DIR, QAVO_STAGE_DIR and QAVO_SOURCE_DIR.
function(qavo_system_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "COMMAND;LABELS" ${ARGN})
  add_test(NAME ${name} COMMAND ${T_COMMAND})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "system;root;${T_LABELS}"
    TIMEOUT ${T_TIMEOUT}
    FIXTURES_REQUIRED stage
    ENVIRONMENT "QAVO_BUILD_DIR=${PROJECT_BINARY_DIR};QAVO_STAGE_DIR=${PROJECT_BINARY_DIR}/stage;QAVO_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
