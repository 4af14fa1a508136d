#!/usr/bin/env bash
# One entry point for developers and CI: installs what is missing, builds, then runs the program,
# the tests or the benchmarks.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake qt6-base-dev qt6-qpa-plugins qt6-translations-l10n
          libsqlite3-dev libicu-dev libx11-dev libgtest-dev libbenchmark-dev sqlite3 xvfb xauth poppler-utils
          fonts-arphic-uming fonts-arphic-ukai fonts-noto-cjk clang libclang-rt-14-dev
          openbox x11-utils mdbtools-dev libcsv-dev libpq-dev libxlsxwriter-dev postgresql pkg-config python3
          libreoffice-calc-nogui time
          clang-format
          desktop-file-utils appstream dpkg-dev lintian help2man cmark-gfm)
# Only for ./build.sh peer: the program set beside ours, and what drives and watches both.
PEER_PACKAGES=(sqlitebrowser xdotool python3-xlib python3-numpy python3-pil)
BUILD_DIR=${BUILD_DIR:-build}
FUZZ_DIR=${FUZZ_DIR:-$BUILD_DIR-fuzz}
FUZZ_SECONDS=${FUZZ_SECONDS:-30}
WERROR=${VELKARD_WERROR:-OFF}             # CI turns it on
BUILD_TYPE=${VELKARD_BUILD_TYPE:-RelWithDebInfo}  # CI builds Release
SANITIZE=${VELKARD_SANITIZE:-OFF}         # CI runs the suite in an ASan+UBSan build too

install_missing() {
    local missing=() p
    for p in "${PACKAGES[@]}" "$@"; do
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
    cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE="$BUILD_TYPE" -DBUILD_TESTING=ON \
          -DVELKARD_BENCHMARKS=ON -DVELKARD_WERROR="$WERROR" >/dev/null
    cmake --build "$BUILD_DIR" -j2
}

# The fuzzers (Clang, libFuzzer, ASan and UBSan), each for a bounded time: the expression parser
# and matchers from tests/fuzz/corpus, the old program's Jet file and the vCard files from the
# fixtures, which they damage. New inputs they find stay in the build folder.
fuzz() {
    cmake -S . -B "$FUZZ_DIR" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DVELKARD_FUZZ=ON -DVELKARD_WERROR="$WERROR" >/dev/null
    cmake --build "$FUZZ_DIR" -j2 --target expression_fuzz jet_fuzz import_fuzz
    mkdir -p "$FUZZ_DIR/corpus" "$FUZZ_DIR/jet-corpus" "$FUZZ_DIR/jet-seeds" "$FUZZ_DIR/import-corpus"
    cp tests/data/legacy/*.mdb "$FUZZ_DIR/jet-seeds/"
    "$FUZZ_DIR/tests/fuzz/expression_fuzz" -max_total_time="$FUZZ_SECONDS" -timeout=10 \
        -print_final_stats=0 -artifact_prefix="$FUZZ_DIR/" "$FUZZ_DIR/corpus" tests/fuzz/corpus \
        2>&1 | tail -n 3  # pipefail: a finding fails the check
    # libmdb reports what it finds damaged on stderr; only the fuzzer's own last lines are shown.
    "$FUZZ_DIR/tests/fuzz/jet_fuzz" -max_total_time="$FUZZ_SECONDS" -timeout=10 -rss_limit_mb=4096 \
        -print_final_stats=0 -artifact_prefix="$FUZZ_DIR/jet-" "$FUZZ_DIR/jet-corpus" \
        "$FUZZ_DIR/jet-seeds" 2>&1 | { grep -v -E '^(mdb_|Warning|warning|error|Unhandled)' || true; } |
        tail -n 3
    "$FUZZ_DIR/tests/fuzz/import_fuzz" -max_total_time="$FUZZ_SECONDS" -timeout=10 \
        -print_final_stats=0 -artifact_prefix="$FUZZ_DIR/import-" "$FUZZ_DIR/import-corpus" \
        tests/data/vcard 2>&1 | tail -n 3
}

# The whole suite again in a Debug build with the address and undefined-behaviour sanitizers; any
# finding (a leak included) fails it. The package test is left to the main build.
sanitized() {
    local dir=$BUILD_DIR-asan flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined"
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON -DVELKARD_WERROR="$WERROR" \
          -DCMAKE_CXX_FLAGS="$flags -fno-omit-frame-pointer" \
          -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
    cmake --build "$dir" -j2
    (cd "$dir" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 -E '^install\.')
}

# The unit suite again under ThreadSanitizer: the store's two-thread load, and any work that runs
# beside another; a data race fails it. (The window suites are left out: Qt's own threads are not
# built for it.)
threaded() {
    local dir=$BUILD_DIR-tsan flags="-fsanitize=thread"
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
          -DVELKARD_WERROR="$WERROR" -DCMAKE_CXX_FLAGS="$flags" \
          -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
    cmake --build "$dir" -j2 --target unit_tests
    (cd "$dir" && TSAN_OPTIONS="halt_on_error=1" \
        ctest --output-on-failure -j2 -E '^(gui|gui-server|e2e|install)\.')
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
        cmake --build "$BUILD_DIR" --target format-check  # an unformatted file fails the check
        fuzz
        (cd "$BUILD_DIR" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2)
        if [ "$SANITIZE" = ON ]; then sanitized; threaded; fi
        ;;
    screenshots)
        install_missing
        build
        (cd "$BUILD_DIR" && ctest -R '^e2e' --output-on-failure)
        echo "Screenshots: $BUILD_DIR/screenshots/"
        # The guide shows the screenshots of this run: each picture it has is taken again.
        for image in docs/guide/images/*.png; do
            cp "$BUILD_DIR/screenshots/$(basename "$image")" "$image"
        done
        echo "The guide's pictures in docs/guide/images/ are this run's."
        ;;
    bench)
        install_missing
        build
        "$BUILD_DIR/velkard_bench" "${@:2}"
        "$BUILD_DIR/velkard_reportbench" "${@:2}"
        "$BUILD_DIR/velkard_exchangebench" "${@:2}"
        "$BUILD_DIR/velkard_serverbench" "${@:2}"
        "$BUILD_DIR/velkard_tidybench" "${@:2}"
        ;;
    fuzz)
        install_missing
        fuzz
        ;;
    peer)
        # Side by side with sqlitebrowser under Xvfb and openbox; writes docs/performance.md.
        install_missing "${PEER_PACKAGES[@]}"
        build
        /usr/bin/python3 bench/peer.py --build "$BUILD_DIR" "${@:2}"
        ;;
    package)
        install_missing
        BUILD_DIR=$BUILD_DIR-package
        cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
        cmake --build "$BUILD_DIR" -j2
        (cd "$BUILD_DIR" && cpack -G DEB)
        ls "$BUILD_DIR"/*.deb
        ;;
    *)
        echo "usage: ./build.sh run | check | screenshots | fuzz | package | bench [benchmark options]" \
             "| peer [peer.py options]" >&2
        exit 2
        ;;
esac
