#!/usr/bin/env bash
# Refreshes the wizard's pictures that the README shows, from the screenshot test's run.
#   bash scripts/update-screenshots.sh [BUILD_DIR]   (default: build)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-${1:-$top/build}}
ctest --test-dir "$build" -R '^app\.ScreenshotsOfEveryPaneAndDialog$' --output-on-failure >/dev/null
for pane in pane-mode-select pane-scan-status pane-browse pane-export; do
  cp "$build/tests/app-screenshots/$pane.png" "$top/docs/screenshots/$pane.png"
done
echo "docs/screenshots/ refreshed from $build/tests/app-screenshots/"
