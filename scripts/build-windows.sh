#!/bin/sh
# Builds the plug-in and its command for 64-bit and 32-bit Windows with Debian's mingw-w64,
# installing what is needed (apt-get): build-windows/win64/ and build-windows/win32/ each hold
# spoolsight.dll (the converters on the system's GDI, its ten exports and nothing else) and
# spoolsight.exe, which need nothing beside the system's own DLLs. JBIG-KIT and libjpeg are
# built from Debian's source packages, zlib comes from libz-mingw-w64-dev.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup-windows.sh
root=$PWD
out=$root/build-windows
src=$out/src
mkdir -p "$src"
for package in jbigkit libjpeg-turbo; do
    if [ ! -d "$src/$package" ]; then
        rm -rf "$src/unpack" && mkdir -p "$src/unpack"
        (cd "$src/unpack" && apt-get source -qq "$package" > /dev/null 2>&1)
        mv "$src/unpack/$package"-*/ "$src/$package"
        rm -rf "$src/unpack"
    fi
done
for arch in win64 win32; do
    case $arch in
        win64) triple=x86_64-w64-mingw32 ;;
        win32) triple=i686-w64-mingw32 ;;
    esac
    deps=$out/$arch/deps
    if [ ! -f "$deps/lib/libjbig.a" ]; then
        mkdir -p "$deps/lib" "$deps/include" "$out/$arch/jbig"
        for f in jbig jbig_ar; do
            "$triple-gcc-posix" -O2 -c "$src/jbigkit/libjbig/$f.c" -o "$out/$arch/jbig/$f.o"
        done
        "$triple-ar" rcs "$deps/lib/libjbig.a" "$out/$arch/jbig/jbig.o" "$out/$arch/jbig/jbig_ar.o"
        cp "$src/jbigkit/libjbig/jbig.h" "$src/jbigkit/libjbig/jbig_ar.h" "$deps/include/"
    fi
    if [ ! -f "$deps/lib/libjpeg.a" ]; then
        cmake -S "$src/libjpeg-turbo" -B "$out/$arch/jpeg" -G Ninja -Wno-dev \
              -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DMINGW_TRIPLE=$triple \
              -DCMAKE_BUILD_TYPE=Release -DENABLE_SHARED=OFF -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
              -DCMAKE_INSTALL_PREFIX="$deps" > /dev/null
        cmake --build "$out/$arch/jpeg" --target install > /dev/null
    fi
    cmake -S . -B "$out/$arch/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
          -DMINGW_TRIPLE=$triple -DCMAKE_PREFIX_PATH="$deps" -DCMAKE_BUILD_TYPE=Release -DSPOOLSIGHT_WERROR=ON \
          > /dev/null
    cmake --build "$out/$arch/build"
    cp "$out/$arch/build/plugin/spoolsight.dll" "$out/$arch/build/winhost/spoolsight.exe" "$out/$arch/"
done
