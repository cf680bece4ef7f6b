#!/usr/bin/env bash
# Installs what is missing, builds Quorvan with its sample course and starts the tutor in it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
cd build/course
exec ../bin/quorvan
