#!/bin/sh
# Runs clang-tidy (the checks in .clang-tidy) over the library's and the host's Linux sources:
# every one, or with a revision, those changed since it. Needs build/compile_commands.json,
# which scripts/test.sh's build writes. Prints what the checks find; fails when they find any.
set -eu
cd "$(dirname "$0")/.."
if [ $# -gt 0 ]; then
    files=$(git diff --name-only --diff-filter=d "$1" -- '*.cpp')
else
    files=$(git ls-files '*.cpp')
fi
# The Windows build's own sources compile only against <windows.h>, which this build lacks.
files=$(printf '%s\n' $files | grep -v -e '^tests/' -e '^bench/' -e '^fuzz/' -e '^testing/' -e '^winhost/' \
        -e '^platform/windows/' || true)
[ -z "$files" ] && exit 0
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
printf '%s\n' $files | xargs -P "$(nproc)" -n 4 clang-tidy -p build --quiet > "$log" 2>&1 || status=$?
# clang-tidy counts the warnings it suppressed in headers and libraries: only findings are shown.
grep -v -e ' warnings\? generated\.$' -e '^Suppressed ' -e '^Use -header-filter' "$log" || true
exit "$status"
