#!/bin/sh
# Installs what is needed, builds everything and renders the bundled sample job to sample.png.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
./build/spoolsight examples/sample.spl -o sample.png
