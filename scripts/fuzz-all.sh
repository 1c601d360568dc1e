#!/usr/bin/env bash
# Runs every fuzz target for SECONDS on its kept corpus, two at a time (new finds go to a
# scratch folder, so the repository's corpora stay as they are). A crash, a leak or a hang
# fails the run and leaves the input that caused it in the scratch folder, whose path is printed.
#   bash scripts/fuzz-all.sh [SECONDS] [BUILD_DIR]    default: 60 seconds each, build-fuzz
#   FUZZ_JOBS=N runs N targets at a time (default 2).
set -euo pipefail

seconds=${1:-60}
jobs=${FUZZ_JOBS:-2}
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${2:-$top/build-fuzz}" && pwd)
scratch=$(mktemp -d /tmp/tundrel-fuzz.XXXXXX)

# One target: its verdict goes to NAME/verdict, "ok" or "failed".
run_target() {
  local target=$1 name
  name=$(basename "$target" _fuzz)
  mkdir -p "$scratch/$name/new"
  local corpus=()
  [ -d "$top/fuzz/corpus/$name" ] && corpus=("$top/fuzz/corpus/$name")
  # -timeout: one input that takes longer than this is a hang; -rss_limit_mb: a runaway allocation.
  if (cd "$scratch/$name" && "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=0 new "${corpus[@]}" >log.txt 2>&1); then
    echo ok >"$scratch/$name/verdict"
  else
    echo failed >"$scratch/$name/verdict"
  fi
}

targets=()
for target in "$build"/fuzz/*_fuzz; do
  [ -x "$target" ] && targets+=("$target")
done
for target in "${targets[@]}"; do
  while (($(jobs -rp | wc -l) >= jobs)); do wait -n || true; done
  run_target "$target" &
done
wait

failed=()
for target in "${targets[@]}"; do
  name=$(basename "$target" _fuzz)
  if [[ $(cat "$scratch/$name/verdict" 2>/dev/null) == ok ]]; then
    echo "fuzz: $name ran ${seconds}s, $(find "$scratch/$name/new" -type f | wc -l) new inputs"
  else
    echo "fuzz: $name failed; see $scratch/$name/log.txt and the crash-* input beside it"
    tail -n 30 "$scratch/$name/log.txt"
    failed+=("$name")
  fi
done
if ((${#failed[@]})); then
  echo "fuzz targets that failed: ${failed[*]}"
  exit 1
fi
rm -rf "$scratch"
