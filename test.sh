#!/bin/sh
# Sets up what is missing, builds Quibblix and runs every test.
set -eu
cd "$(dirname "$0")"
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default -j2
# The Debian package, built in the scratch area and checked (lintian included).
ctest --preset package
# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer: any report fails them.
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j2
# The Qt backend's tests (sound output, controller polling) under ThreadSanitizer.
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan -j2
# A short run of each fuzz target (clang and libFuzzer, in build-fuzz/).
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz
