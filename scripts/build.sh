#!/usr/bin/env bash
# Configures and builds into ./build: everything, or only the targets named.
#   bash scripts/build.sh [TARGET ...]
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
# A compiler cache, where one is installed, makes rebuilds of several checkouts cheap.
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
if [ $# -gt 0 ]; then
    cmake --build build -j"$(nproc)" --target "$@"
else
    cmake --build build -j"$(nproc)"
fi
