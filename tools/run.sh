#!/usr/bin/env bash
# Installs what is missing, builds Quorvan with its sample course and starts the tutor in it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"

if [ ! -x build/bin/quorvan ]; then
  echo "run.sh: the tools are built (build/bin/quorvan-pack, build/bin/quorvan-unpack);" \
       "the tutor's window is not part of this build yet." >&2
  exit 0
fi
cd build/course
exec ../bin/quorvan
