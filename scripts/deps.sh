#!/bin/sh
# Install what okacore needs to build and test on Debian 12 (run as root).
#   deps.sh [win32|fuzz]
# Only missing packages are fetched.
set -eu
PKGS="build-essential cmake pkg-config git ca-certificates
      zlib1g-dev libpng-dev libjpeg62-turbo-dev libtiff-dev libgif-dev
      libgtest-dev libgmock-dev libbenchmark-dev libomp-dev"
# With "win32": also the cross toolchain for okacore.dll (32-bit Windows).
if [ "${1:-}" = win32 ]; then
  PKGS="$PKGS g++-mingw-w64-i686-posix libz-mingw-w64-dev"
fi
# With "fuzz": also clang and its fuzzer run time for the libFuzzer targets
# (fuzz/run.sh); the corpus replay of the test run needs neither.
if [ "${1:-}" = fuzz ]; then
  PKGS="$PKGS clang-14 libclang-rt-14-dev"
fi
missing=""
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends $missing
fi
