#!/usr/bin/env bash
# Checks that the layers point one way.
#   scripts/check-layers.sh COMPILER INCLUDE_ROOTS SRC
# 1. For each layer, a file that includes a header of a layer above it (or
#    beside it) must not compile with that layer's include root, while a file
#    that includes one of its own headers must.
# 2. The folders inside src/core form no include cycle.
# 3. No source reaches around its include root with "../".
set -euo pipefail
compiler="$1" roots="$2" src="$3"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# probe LAYER HEADER: does `#include "HEADER"` compile with the layer's root?
probe() {
    local includes=(-I "$roots/$1")
    # The layers it links: their roots come with it in the real build.
    for below in ${linked[$1]}; do includes+=(-I "$roots/$below"); done
    printf '#include "%s"\n' "$2" | "$compiler" -std=c++20 -E -x c++ "${includes[@]}" - >/dev/null 2>&1
}

declare -A linked=(
    [momentra_core]=""
    [momentra_media]="momentra_core"
    [momentra_platform]="momentra_core"
    [momentra_ui]="momentra_core"
    [momentra_app]="momentra_ui momentra_media momentra_platform momentra_core"
    [momentra_cli]="momentra_app momentra_ui momentra_media momentra_platform momentra_core"
)
# A header of each layer, with no Qt include, for the probes.
declare -A own=(
    [momentra_core]="core/StopFlag.h"
    [momentra_media]="media/image/ImageLimits.h"
    [momentra_platform]="platform/linux/x11/XcbReply.h"
)
declare -A forbidden=(
    [momentra_core]="media platform ui app cli"
    [momentra_media]="platform ui app cli"
    [momentra_platform]="media ui app cli"
    [momentra_ui]="media platform app cli"
    [momentra_app]="cli"
)
header_in() { find "$src/$1" -name '*.h' -print -quit | sed "s|^$src/||"; }

for layer in "${!forbidden[@]}"; do
    for folder in ${forbidden[$layer]}; do
        header="$(header_in "$folder")"
        if probe "$layer" "$header"; then fail "$layer can include $header"; fi
    done
done
for layer in momentra_core momentra_media momentra_platform; do
    probe "$layer" "${own[$layer]}" || fail "$layer cannot include its own ${own[$layer]}"
done

# Include edges between the folders of core, as "from to" pairs for tsort.
edges="$(cd "$src" && grep -rEo '#include "core/[^"]+"' core | while IFS=: read -r file include; do
    from="$(dirname "$file")"
    to="$(dirname "${include#\#include \"}")"
    if [ "$from" != "$to" ] && [ "$to" != core ]; then echo "$from $to"; fi
done | sort -u)"
if ! echo "$edges" | tsort >/dev/null 2>&1; then
    fail "the folders of src/core include each other in a circle:"
    echo "$edges" | tsort 2>&1 >/dev/null | sed 's/^/    /'
fi

if grep -rn '#include "\.\./' "$src"; then fail "an include reaches out with ../"; fi

if [ "$failures" -gt 0 ]; then echo "$failures layering faults"; exit 1; fi
echo "layers point one way"
