#!/usr/bin/env bash
# One entry point for developers and CI: installs what is missing, builds, then runs the program,
# the tests or the benchmarks.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake qt6-base-dev qt6-qpa-plugins qt6-translations-l10n
          libsqlite3-dev libicu-dev libx11-dev libgtest-dev libbenchmark-dev sqlite3 xvfb xauth poppler-utils
          fonts-arphic-uming fonts-arphic-ukai fonts-noto-cjk)
BUILD_DIR=${BUILD_DIR:-build}

install_missing() {
    local missing=() p
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

build() {
    cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$BUILD_DIR" -j2
}

case "${1:-}" in
    run)
        install_missing
        build
        exec "$BUILD_DIR/velkard"
        ;;
    check)
        install_missing
        build
        cd "$BUILD_DIR"
        QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
        ;;
    screenshots)
        install_missing
        build
        cd "$BUILD_DIR"
        ctest -R '^e2e' --output-on-failure
        echo "Screenshots: $BUILD_DIR/screenshots/"
        ;;
    bench)
        install_missing
        build
        "$BUILD_DIR/velkard_bench" "${@:2}"
        "$BUILD_DIR/velkard_reportbench" "${@:2}"
        ;;
    *)
        echo "usage: ./build.sh run | check | screenshots | bench [benchmark options]" >&2
        exit 2
        ;;
esac
