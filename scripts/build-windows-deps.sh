#!/usr/bin/env bash
# Cross-builds the libraries reportword needs (zlib, libzip, utf8proc, pugixml)
# as static MinGW-w64 libraries from Debian's own source packages, and GoogleTest
# from Debian's googletest sources. Debian packages none of them for MinGW.
# Usage: scripts/build-windows-deps.sh PREFIX     (skips what PREFIX already has)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(realpath -m "${1:-$root/build-win/deps}")
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
jobs=$(nproc)
src="$prefix/src"
mkdir -p "$src"

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

if [ ! -f "$prefix/lib/libzip.a" ] || [ ! -f "$prefix/lib/libutf8proc.a" ] || [ ! -f "$prefix/lib/libpugixml.a" ]; then
  # Source packages come from the same Debian archives as the binary ones:
  # the machine's own Debian entries, repeated as deb-src entries.
  if ! grep -rqs 'deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    out=/etc/apt/sources.list.d/reportword-deb-src
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      sed -E 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
        "${sudo_cmd[@]}" tee "$out.sources" >/dev/null
    fi
    if [ -f /etc/apt/sources.list ]; then
      { grep -E '^deb .*debian' /etc/apt/sources.list || true; } | sed 's/^deb /deb-src /' |
        "${sudo_cmd[@]}" tee "$out.list" >/dev/null
    fi
    "${sudo_cmd[@]}" apt-get update -qq
  fi
  # The release's own versions: the security archive's sources are not always there.
  suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-stable}")
  (cd "$src" && apt-get source -qq --download-only zlib/"$suite" libzip/"$suite" \
    utf8proc/"$suite" pugixml/"$suite")
fi

unpack() {  # unpack NAME: the upstream tarball of a source package, once
  local dir="$src/$1"
  if [ ! -d "$dir" ]; then
    mkdir -p "$dir"
    tar -xf "$(ls "$src"/"$1"_*.orig.tar.* | head -n 1)" -C "$dir" --strip-components=1
  fi
  echo "$dir"
}

cmake_build() {  # cmake_build SOURCE NAME [cmake args...]
  local source=$1 name=$2
  shift 2
  cmake -S "$source" -B "$src/build-$name" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
    -DBUILD_SHARED_LIBS=OFF "$@" >/dev/null
  cmake --build "$src/build-$name" -j"$jobs" >/dev/null
  cmake --install "$src/build-$name" >/dev/null
}

if [ ! -f "$prefix/lib/libz.a" ]; then
  # Debian's zlib sources leave out the Windows resource files, so only the
  # static library is built, and installed by hand.
  zlib_src=$(unpack zlib)
  cmake -S "$zlib_src" -B "$src/build-zlib" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$src/build-zlib" --target zlibstatic -j"$jobs" >/dev/null
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$src/build-zlib/libzlibstatic.a" "$prefix/lib/libz.a"
  cp "$zlib_src/zlib.h" "$src/build-zlib/zconf.h" "$prefix/include/"
fi
if [ ! -f "$prefix/lib/libzip.a" ]; then
  cmake_build "$(unpack libzip)" libzip -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF \
    -DENABLE_GNUTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_COMMONCRYPTO=OFF \
    -DENABLE_WINDOWS_CRYPTO=ON -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF \
    -DBUILD_DOC=OFF -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
fi
if [ ! -f "$prefix/lib/libutf8proc.a" ]; then
  cmake_build "$(unpack utf8proc)" utf8proc
fi
if [ ! -f "$prefix/lib/libpugixml.a" ]; then
  cmake_build "$(unpack pugixml)" pugixml -DPUGIXML_BUILD_TESTS=OFF
fi
if [ ! -f "$prefix/lib/libgtest.a" ]; then
  cmake_build /usr/src/googletest googletest
fi
echo "windows dependencies in $prefix"
