#!/usr/bin/env bash
# Installs what is missing, builds Quorvan and runs the whole test suite: the normal build first,
# then the Qt-free logic again under AddressSanitizer and UndefinedBehaviorSanitizer (clang),
# which also replays the fuzzers' seed corpora.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

echo "== format, layers and commit subjects =="
bash scripts/format.sh --check
python3 scripts/check_layers.py
bash scripts/check_commits.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
cmake --build build -j "$jobs"

# The name check parses every file again with clang and takes minutes, mostly of CPU that the
# tests leave idle while they wait on real-time speech: it runs beside them at the lowest
# priority, so it takes only what they leave, and its verdict comes at the end.
nice -n 19 python3 scripts/check_names.py build > build/check_names.log 2>&1 &
names=$!

CC=clang CXX=clang++ cmake -S . -B build-san -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQUORVAN_GUI=OFF -DQUORVAN_BENCH=OFF -DQUORVAN_SANITIZE=ON -DQUORVAN_FUZZ=ON
cmake --build build-san -j "$jobs"

[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"

echo "== sanitized build (Qt-free logic) =="
ctest --test-dir build-san --output-on-failure -j "$jobs"
echo "== normal build =="
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== names and braces =="
names_status=0
wait "$names" || names_status=$?
cat build/check_names.log
exit "$names_status"
