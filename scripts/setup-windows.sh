#!/bin/sh
# Installs what the Windows build needs on Debian: mingw-w64 (POSIX threads) for 64-bit and
# 32-bit Windows, zlib built for it, Wine to test under, and Debian's source packages of
# JBIG-KIT and libjpeg-turbo (a deb-src entry is added for them when none is there).
set -eu
"$(dirname "$0")/setup-debian.sh" g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev dpkg-dev \
    wine64 imagemagick python3 cmake ninja-build
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
if ! grep -rqs "^Types:.*deb-src\|^deb-src " /etc/apt/sources.list /etc/apt/sources.list.d/; then
    $SUDO tee /etc/apt/sources.list.d/spoolsight-src.sources > /dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    $SUDO apt-get update -qq
elif ! apt-get source --print-uris -qq jbigkit > /dev/null 2>&1; then
    $SUDO apt-get update -qq
fi
