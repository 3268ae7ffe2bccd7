#!/usr/bin/env bash
# Cross-builds the core layers (base, vfs, vars, script, gfx, display, text) and their tests
# for another processor with Debian's cross compiler, and runs the tests under qemu-user.
# It shows that the pixel kernels and everything below the media layer build and pass
# without the x86 SIMD paths. Slow, so not part of CI.
#
#   scripts/cross-test.sh aarch64 [extra ctest arguments]
#
# Installs what it needs first (as root, or through sudo): the cross compiler, qemu-user and
# the target's libraries through Debian multiarch. JOBS sets the build and test parallelism
# (default 2). The build lives in build/cross-<arch>.
set -euo pipefail
cd "$(dirname "$0")/.."

arch="${1:-}"
case "$arch" in
  aarch64)
    deb_arch=arm64
    triplet=aarch64-linux-gnu
    elf_machine=AArch64
    ;;
  *)
    echo "usage: scripts/cross-test.sh aarch64 [ctest arguments]" >&2
    exit 2
    ;;
esac
shift
jobs="${JOBS:-2}"

# What the core layers and their tests link: zlib, libpng, libjpeg, GoogleTest; and the
# C++ runtime the emulated programs load (see the toolchain file). The JSON headers the
# tests use are the host's (they do not depend on the processor).
host_packages=(cmake ninja-build ccache "g++-$triplet" "binutils-$triplet" qemu-user
               nlohmann-json3-dev)
target_packages=(zlib1g-dev libpng-dev libjpeg62-turbo-dev libgtest-dev libgmock-dev
                 libstdc++6)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=()
for p in "${host_packages[@]}"; do installed "$p" || missing+=("$p"); done
for p in "${target_packages[@]}"; do installed "$p:$deb_arch" || missing+=("$p:$deb_arch"); done
if [ ${#missing[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx "$deb_arch"; then
    $SUDO dpkg --add-architecture "$deb_arch"
  fi
  echo "cross-test: installing ${missing[*]}"
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

build="build/cross-$arch"
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-$triplet.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DVESK_TESTS=ON \
  -DVESK_ONLY="base;vfs;vars;script;gfx;display;text"
cmake --build "$build" -j"$jobs"

# The test programs must really be built for the target.
machine="$("$triplet-readelf" -h "$build/tests/base/base_tests" | sed -n 's/^ *Machine: *//p')"
echo "cross-test: test programs built for $machine"
case "$machine" in
  *"$elf_machine"*) ;;
  *) echo "cross-test: expected $elf_machine programs" >&2; exit 1 ;;
esac

ctest --test-dir "$build" -j"$jobs" --output-on-failure "$@"
