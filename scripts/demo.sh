#!/bin/sh
# Installs what is missing, builds, and runs the main job: a round trip on the local cloud drive.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
export TQDRIVE_ROOT="${TQDRIVE_ROOT:-$PWD/build/demo-drive}"
./build/apps/tqdrive/tqdrive demo
