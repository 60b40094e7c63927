#!/bin/sh
# Install what okacore needs to build and test on Debian 12 (run as root).
# Only missing packages are fetched.
set -eu
PKGS="build-essential cmake pkg-config git ca-certificates
      zlib1g-dev libpng-dev libjpeg62-turbo-dev libtiff-dev libgif-dev
      libgtest-dev libgmock-dev libbenchmark-dev libomp-dev"
missing=""
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends $missing
fi
