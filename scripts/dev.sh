#!/usr/bin/env bash
# Set-up, build and the two everyday jobs of the project, for a Debian 12 machine as root.
#   bash scripts/dev.sh demo   install what is missing, build, recover the sample disk's deleted files
#   bash scripts/dev.sh test   install what is missing, build, run every test (also under ASan+UBSan)
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

packages=(
  build-essential cmake ninja-build pkg-config gzip
  libicu-dev zlib1g-dev libminizip-dev libcli11-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev nettle-dev
  qt6-base-dev fonts-noto-cjk  # tundrel-gui and its tests; the CJK font draws the Japanese texts
  fdisk dosfstools mtools exfatprogs exfat-fuse ntfs-3g sleuthkit  # the tests make disks with the real tools; The Sleuth Kit is their oracle
  clang libclang-rt-14-dev  # the fuzz targets: clang alone lacks the fuzzer and sanitizer runtimes
)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "== installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# The plain build is optimized without debug information, which a third of its build time
# would go to. The sanitized builds compile at -O1 with line tables only: their reports still
# name file and line.
plain_flags=(-DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG")
sanitized_flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only -DNDEBUG")

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S "$top" -B "$dir" -G Ninja "$@" >/dev/null
  ninja -C "$dir"
}

demo() {
  install_missing
  build build "${plain_flags[@]}"
  local image=build/sample-disk.img
  local recovered=build/recovered
  gzip -dc tests/images/sample-disk.img.gz >"$image"
  echo "== tundrel info $image"
  build/src/cli/tundrel info "$image"
  echo "== tundrel export $image --volume all --to $recovered"
  rm -rf "$recovered"
  build/src/cli/tundrel export "$image" --volume all --to "$recovered" -q
  echo "== files recovered into $recovered"
  (cd "$recovered" && find . -type f | sort)
}

run_tests() {
  install_missing
  echo "== layers: no include may run upward"
  bash scripts/check-layers.sh
  build build "${plain_flags[@]}"
  echo "== tests"
  ctest --test-dir build --output-on-failure -j2
  # One clang build serves both the sanitized tests and the fuzz targets: the engine carries
  # the fuzzers' coverage hooks, which the sanitizer runtime answers in the tests.
  echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
  CXX=clang++ build build-asan -DTUNDREL_SANITIZE=ON -DTUNDREL_FUZZ=ON "${sanitized_flags[@]}"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j2
  echo "== fuzz targets: a short run of each on its corpus"
  bash scripts/fuzz-all.sh 5 build-asan
  echo "== threaded paths under ThreadSanitizer: scan thread and progress, export, reconnect"
  CXX=clang++ cmake -S "$top" -B build-tsan -G Ninja -DTUNDREL_THREAD_SANITIZE=ON "${sanitized_flags[@]}" >/dev/null
  ninja -C build-tsan tundrel test_scan test_disk test_export test_cli
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir build-tsan --output-on-failure -j2 -R '^(scan|disk|export|cli)\.'
}

case "${1:-}" in
  demo) demo ;;
  test) run_tests ;;
  *) echo "usage: bash scripts/dev.sh demo|test" >&2; exit 1 ;;
esac
