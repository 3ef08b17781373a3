#!/usr/bin/env bash
# Installs the Debian packages reportword needs, in layers. Without an option,
# what building and running need; each option adds a layer:
#   --tests    the test suite: GoogleTest, LibreOffice and poppler-utils (the
#              documents opened by a real client), libxml2 (the documents'
#              schema check), clang-format, bash-completion (the completion's
#              test), and the de_DE.UTF-8 locale
#   --windows  the Windows cross-build and its tests: MinGW-w64, Wine, and
#              wixl and msitools for the MSI
#   --fuzz     the libFuzzer targets: clang
#   --package  the Debian package: dpkg-shlibdeps and file, which CPack uses,
#              and lintian, which checks the package
#   --all      every layer
# Safe to run again: it only calls apt when something is missing.
set -euo pipefail

# gettext's msgfmt compiles the message catalogs during the build.
# libssl-dev: SHA-256 for the conversion cache, from the OpenSSL libzip links anyway.
packages=(cmake g++ make pkg-config libzip-dev libpugixml-dev libutf8proc-dev libssl-dev gettext)
tests=false
for option in "$@"; do
  case "$option" in
    --tests)
      tests=true
      packages+=(libgtest-dev libgmock-dev locales python3 libxml2-dev libreoffice-writer-nogui
        poppler-utils clang-format bash-completion)
      ;;
    --windows) packages+=(g++-mingw-w64-x86-64 wine64 xz-utils wixl msitools) ;;
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;
    --package) packages+=(dpkg-dev file lintian) ;;
    --all) exec bash "$0" --tests --windows --fuzz --package ;;
    *)
      echo "usage: $0 [--tests] [--windows] [--fuzz] [--package] [--all]" >&2
      exit 2
      ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

if [ "${#missing[@]}" -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests check German month names and German messages, which need the
# de_DE.UTF-8 locale.
if $tests && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "install-deps: generating de_DE.UTF-8"
  if [ -f /etc/locale.gen ]; then
    "${sudo_cmd[@]}" sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
