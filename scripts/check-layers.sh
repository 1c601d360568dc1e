#!/usr/bin/env bash
# Fails when a file under src/ includes a folder above its own layer. The layers, bottom to
# top; the front ends (cli, app) may include every engine folder but not each other.
set -euo pipefail
cd "$(dirname "$0")/../src"

layers=(platform support disk scan carve checkdisk fat exfat ntfs modes export preview cli app)
declare -A rank=()
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

status=0
while IFS=: read -r file line text; do
    own=${file%%/*}
    used=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$text")
    [[ -n ${rank[$own]+x} && -n ${rank[$used]+x} ]] || continue
    if ((rank[$used] > rank[$own])) || { [[ $own == cli || $own == app ]] && [[ $used != "$own" ]] && ((rank[$used] >= rank[cli])); }; then
        echo "src/$file:$line: $own/ includes $used/, a higher layer: $text" >&2
        status=1
    fi
done < <(grep -rn --include='*.h' --include='*.cpp' -E '^#include "[a-z_]+/' .  | sed 's#^\./##')
((status == 0)) && echo "layers: no include runs upward"
exit $status
