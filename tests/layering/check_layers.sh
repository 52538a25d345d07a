#!/usr/bin/env bash
# Holds the folders to their layers: every #include "..." of a source file
# must name an existing file of its own folder or of a folder below it, the folder graph
# that the includes draw must have no cycle, and neither may the graph of our
# CMake targets. Prints each offence and exits 1 if there is any.
#   tests/layering/check_layers.sh [SOURCE_ROOT]
set -euo pipefail
root=${1:-$(dirname "$0")/../..}
cd "$root"

# What each folder may include, bottom to top. render/ reaches the platform
# only through the fork/join seam.
declare -A allowed=(
    [core]="core/"
    [assets]="core/ assets/"
    [platform]="core/ platform/"
    [render]="core/ assets/ render/ platform/band_threads.h"
    [app]="core/ assets/ platform/ render/ app/"
    [tools]="core/ assets/ platform/ render/ app/ tools/"
    [bench]="core/ assets/ platform/ render/ app/ tools/ bench/"
    [tests]="core/ assets/ platform/ render/ app/ tools/ bench/ tests/"
)

offences=0
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT

while IFS= read -r file; do
    folder=${file%%/*}
    [ -n "${allowed[$folder]+set}" ] || continue
    while IFS= read -r included; do
        # Includes relative to the file's own folder (assetgen's) stay inside it.
        case $included in */*) ;; *) continue ;; esac
        target=${included%%/*}
        [ -n "${allowed[$target]+set}" ] || continue
        [ "$target" != "$folder" ] && echo "$folder $target" >> "$edges"
        if [ ! -f "$included" ]; then
            echo "$file includes $included, which does not exist"
            offences=$((offences + 1))
        fi
        ok=0
        for prefix in ${allowed[$folder]}; do
            case $included in "$prefix"*) ok=1 ;; esac
        done
        if [ $ok -eq 0 ]; then
            echo "$file includes $included: $folder/ may include only ${allowed[$folder]}"
            offences=$((offences + 1))
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files --cached --others --exclude-standard '*.h' '*.cpp' 2>/dev/null || find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||')

if ! sort -u "$edges" | tsort > /dev/null 2> "$edges.err"; then
    echo "the folders include each other in a circle:"; cat "$edges.err"
    offences=$((offences + 1))
fi
rm -f "$edges.err"

# Our CMake targets: each target_link_libraries(name ...) names what it links;
# the graph of velmora_* targets must have no cycle.
targets=$(find . -name CMakeLists.txt -not -path './build/*' -print0 | xargs -0 cat |
    tr '\n' ' ' | grep -o 'target_link_libraries([^)]*)' |
    sed 's/target_link_libraries(\([^ ]*\)\(.*\))/\1 \2/' |
    awk '{ for (i = 2; i <= NF; i++) if ($i ~ /^velmora_/) print $1, $i }' || true)
if ! tsort <<<"$targets" > /dev/null 2> "$edges.err"; then
    echo "the CMake targets link each other in a circle:"; cat "$edges.err"
    offences=$((offences + 1))
fi
rm -f "$edges.err"

if [ $offences -ne 0 ]; then
    echo "layering: $offences offence(s)"
    exit 1
fi
echo "layering: every include goes to its own or a lower layer; no cycles"
