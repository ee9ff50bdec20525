#!/bin/sh
# Installs what is missing, builds, and runs the main job: cloudctl, a command-line editor host, drives
# the cloud-disk plug-in through a round trip of a project, a template, a video and a media file on the
# local cloud drive (in a fresh temporary folder). The drive's own short round trip comes first.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
export TQDRIVE_ROOT="${TQDRIVE_ROOT:-$PWD/build/demo-drive}"
./build/apps/tqdrive/tqdrive demo
echo
./build/apps/cloudctl/cloudctl demo
