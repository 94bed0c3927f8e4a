#!/usr/bin/env bash
# Installs every Debian package the project needs (only when something is
# missing), then configures and builds into build/ (or build-asan/ with --sanitize).
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
    build-essential cmake clang-format pkg-config
    qtbase5-dev libqt5opengl5-dev qttools5-dev qttools5-dev-tools
    libopencv-dev libtiff-dev libpano13-dev libjpeg-dev libpng-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libgl-dev libgl1-mesa-dri
    xvfb xauth fonts-wqy-microhei
    hugin-tools
    time
    dpkg-dev file desktop-file-utils shared-mime-info
)

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

BUILD_DIR=build
CMAKE_ARGS=()
if [ "${1:-}" = "--sanitize" ]; then
    BUILD_DIR=build-asan
    CMAKE_ARGS+=(-DORVIK_SANITIZE=ON -DORVIK_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug)
fi
cmake -S . -B "$BUILD_DIR" "${CMAKE_ARGS[@]}" >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"
