#!/bin/sh
# Installs what is needed, then builds and runs every test twice: a normal
# build, and a clang build with AddressSanitizer and UndefinedBehaviorSanitizer
# that also runs the fuzz targets for a bounded time. Both treat warnings as
# errors; the sources are checked with clang-format and clang-tidy; a Release
# build, as users make it, is compiled as well, and the tests of concurrent
# picturing run once more under ThreadSanitizer; the Windows DLLs are cross-built and tested
# under Wine.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPOOLSIGHT_WERROR=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
cmake --build build
# GhostPCL, the reference renderer, unpacks itself on first use: once here, not in tests running side by side.
[ ! -x ../shared/oracles/gpcl6 ] || ../shared/oracles/gpcl6 -h >/dev/null 2>&1 || true
ctest --test-dir build --output-on-failure -j "$jobs"

# The code keeps its layout (.clang-format) and passes the fault-finding checks (.clang-tidy).
clang-format --dry-run --Werror $(git ls-files '*.cpp' '*.h')
./scripts/tidy.sh

# A user's Release build must compile too.
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build-release

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DSPOOLSIGHT_WERROR=ON \
      -DSPOOLSIGHT_SANITIZE=ON -DSPOOLSIGHT_FUZZ=ON -DSPOOLSIGHT_BENCH=OFF
cmake --build build-sanitize
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions=$PWD/tests/sanitizer/lsan.supp \
    ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

# The plug-in for Windows: both DLLs and their command cross-built with mingw-w64, then
# tested under Wine against this build's pictures. Skipped only where mingw-w64 or Wine
# cannot be installed.
if ./scripts/setup-windows.sh; then
    ./scripts/build-windows.sh
    SPOOLSIGHT_WINDOWS_BUILD=$PWD/build-windows ./build/tests/spoolsight_tests --gtest_filter='WindowsDll.*'
else
    echo "test.sh: mingw-w64 or Wine cannot be installed here: the Windows build is not tested" >&2
fi

# Pages are pictured on every core: ThreadSanitizer watches the tests that play pages from
# several threads at once, large images drawn in parts on two cores, the host picturing every
# page of a job, and PNG bands deflated at once.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DSPOOLSIGHT_WERROR=ON \
      -DSPOOLSIGHT_THREAD_SANITIZE=ON -DSPOOLSIGHT_BENCH=OFF
cmake --build build-tsan --target spoolsight_tests spoolsight
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/sanitizer/tsan.supp \
    ./build-tsan/tests/spoolsight_tests --gtest_filter='PlaybackThreads.*:PluginThreads.*:HostTest.*:PngWriterTest.*'
