# shellcheck shell=sh disable=SC2034 # each script that sources this uses some of the names
# Sourced by the scripts: where the builds, and what the scripts fetch and build for
# them, live under the source tree: $build_dirs_source when the script set it, else the
# working directory. The two build directories are those CMakePresets.json gives the
# presets.
build_root=${build_dirs_source:-$PWD}/build
host_build=$build_root/default            # preset "default"
mipsel_build=$build_root/mipsel           # preset "mipsel"
router_libs_dir=$build_root/router-libs   # scripts/router-libraries.sh
router_libc_dir=$build_root/router-libc  # scripts/router-libc.sh: a sysroot per C library (uclibc, musl)
mipsel_sysroot=$build_root/mipsel-sysroot # scripts/mipsel-sysroot.sh; the mipsel toolchain file's default
mipsel_apt=$build_root/mipsel-apt         # scripts/mipsel-sysroot.sh's apt
emulated_dir=$build_root/emulated         # scripts/emulated-router.sh, sim/board-host/emulated-router
