#!/usr/bin/env bash
# Configures and builds Velmora in ./build (warnings are errors).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_WARNINGS_AS_ERRORS=ON
cmake --build "$root/build" -j"$(nproc)"
