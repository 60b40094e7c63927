#!/bin/sh
# Install dependencies, build okapaint and run its main job on the built-in
# demo document. The picture lands in okapaint-demo.png.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DOKACORE_TESTS=OFF -DOKACORE_BENCH=OFF
cmake --build build-release -j "${JOBS:-2}" --target okapaint
./build-release/tools/okapaint/okapaint paint okapaint-demo.png
