#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the fuzz targets (clang
# with libFuzzer and the sanitizer runtimes) and the program need (Qt's German
# translations for its own dialogs among them), the German locale that the
# tests use to check locale independence, and the X tools with which
# scripts/make-guide-pictures.sh takes the guide's pictures. Does nothing when
# everything is there already.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
    qt6-base-dev qt6-svg-dev libgl-dev qt6-translations-l10n
    dpkg-dev desktop-file-utils fonts-liberation
    libuemf-dev emf2svg poppler-utils
    clang-format-14 locales
    clang-14 libclang-rt-14-dev
    xvfb xdotool imagemagick pngquant
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then sudo_cmd=(sudo); else
        echo "install-deps: not root and no sudo; missing: ${missing[*]:-none}" >&2
        [ ${#missing[@]} -eq 0 ] || exit 1
    fi
fi

if [ ${#missing[@]} -gt 0 ]; then
    echo "install-deps: installing ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    echo "install-deps: generating the de_DE.UTF-8 locale"
    if [ -f /etc/locale.gen ]; then
        "${sudo_cmd[@]}" sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
        grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
    fi
    "${sudo_cmd[@]}" locale-gen >/dev/null
fi
