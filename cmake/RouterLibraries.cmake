# The libraries the router carries beside its own, found through pkg-config.
#
# libmosquitto (client library only, no TLS) and libcjson are the router's builds of
# them (scripts/router-libraries.sh, from Debian's sources), on the host too, never
# Debian's packages (libmosquitto with libssl and libcrypto): the programs measured and
# tested on the host are the ones the router gets. The router build finds them in its
# sysroot (scripts/mipsel-sysroot.sh puts them there). The host build asks the script
# (which fetches and builds nothing when asked to check) where they are and whether they
# are up to date, fails naming the command to run if not, and copies them into its own
# binary tree: programs of the build tree find the libraries there, also inside the
# virtual router, which sees the binary tree but not the rest of build/.
if(CMAKE_CROSSCOMPILING)
  if(NOT EXISTS "${QAVO_MIPSEL_SYSROOT}/usr/.router-libs")
    message(FATAL_ERROR "The sysroot ${QAVO_MIPSEL_SYSROOT} lacks the router's libmosquitto and "
      "cJSON: run scripts/mipsel-sysroot.sh")
  endif()
  set(qavo_router_libdir "${QAVO_MIPSEL_SYSROOT}/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}")
else()
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/router-libraries.sh host --check
    RESULT_VARIABLE rc OUTPUT_VARIABLE qavo_router_libs OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(rc)
    message(FATAL_ERROR "The router's libmosquitto and cJSON for the host are not built "
      "(message above): run scripts/router-libraries.sh host, which fetches Debian's sources")
  endif()
  file(COPY "${qavo_router_libs}/"
    DESTINATION "${PROJECT_BINARY_DIR}/router-libs" PATTERN .built EXCLUDE)
  set(qavo_router_libdir "${PROJECT_BINARY_DIR}/router-libs/lib")
  set(ENV{PKG_CONFIG_PATH} "${qavo_router_libdir}/pkgconfig:$ENV{PKG_CONFIG_PATH}")
endif()

# qavo_install_shared_file(<file> <name>): <file> (a link is followed) installed into lib/
# as <name>, stripped with the project's own files by `cmake --install --strip`.
function(qavo_install_shared_file file name)
  file(REAL_PATH "${file}" real)
  install(FILES "${real}" TYPE LIB RENAME ${name}
    PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_STRIP}\"
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/${name}\")
    endif()")
endfunction()

# qavo_router_library(<prefix> <module> <name>): PkgConfig::<prefix>, which must be the
# router's build, and its installation as lib<name>.so.1.
function(qavo_router_library prefix module name)
  # Looked up again on every configure: a build tree configured against another
  # build of the library must not keep it.
  unset(__pkg_config_checked_${prefix} CACHE)
  unset(pkgcfg_lib_${prefix}_${name} CACHE)
  pkg_check_modules(${prefix} REQUIRED IMPORTED_TARGET GLOBAL ${module})
  set(expected "${qavo_router_libdir}/lib${name}.so")
  if(NOT ${prefix}_LINK_LIBRARIES STREQUAL expected)
    message(FATAL_ERROR "${module} found at ${${prefix}_LINK_LIBRARIES}, not the router's build ${expected}")
  endif()
  qavo_install_shared_file("${expected}.1" lib${name}.so.1)
endfunction()
qavo_router_library(MOSQUITTO libmosquitto mosquitto)
qavo_router_library(CJSON libcjson cjson)

# On the router's own C library (presets "router" and "musl") the install tree carries
# it: the loader and the shared C library the firmware has.
set(qavo_libc_files_uclibc ld-uClibc.so.0 libc.so.0)
set(qavo_libc_files_musl ld-musl-mipsel.so.1)
foreach(name IN LISTS qavo_libc_files_${QAVO_ROUTER_LIBC})
  qavo_install_shared_file("${QAVO_MIPSEL_SYSROOT}/lib/${name}" ${name})
endforeach()
if(QAVO_ROUTER_LIBC STREQUAL "uclibc")
  # uClibc-ng 1.0.35's loader is ld-uClibc.so.1 by its own name, which libc.so.0 needs.
  install(CODE "file(CREATE_LINK ld-uClibc.so.0
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/ld-uClibc.so.1\" SYMBOLIC)")
endif()
