#!/usr/bin/env bash
# Holds the folders to the layers of tests/layering/layers.txt:
# - every #include "..." of a source file names an existing file of its own
#   folder or of what its folder's row allows, and the folders' include graph
#   has no cycle;
# - every CMake target links only targets of its own folder or of a folder its
#   row names (a lower layer), and the targets' link graph has no cycle;
# - README.md's Layout table is the one generated from layers.txt.
# Prints each offence and exits 1 if there is any.
#   tests/layering/check_layers.sh [SOURCE_ROOT]
#   tests/layering/check_layers.sh --write-readme [SOURCE_ROOT]   regenerates README's table
set -euo pipefail
write_readme=0
if [ "${1:-}" = --write-readme ]; then write_readme=1; shift; fi
root=${1:-$(dirname "$0")/../..}
cd "$root"
layers=tests/layering/layers.txt
readme_begin='<!-- generated from tests/layering/layers.txt by tests/layering/check_layers.sh --write-readme -->'
readme_end='<!-- end of the generated table -->'

# allowed[folder]: the path prefixes its files may include, its own folder first.
declare -A allowed=() what=()
order=()
while IFS='|' read -r folder text includes; do
    folder=$(xargs <<<"$folder"); folder=${folder%/}
    allowed[$folder]="$folder/ $(xargs <<<"$includes")"
    what[$folder]=$(sed 's/^ *//; s/ *$//' <<<"$text")
    order+=("$folder")
done < <(grep -v -e '^[[:space:]]*#' -e '^[[:space:]]*$' "$layers")

readme_table() {
    echo "| folder | what | includes and links |"
    echo "|---|---|---|"
    local folder prefix list
    for folder in "${order[@]}"; do
        list=""
        for prefix in ${allowed[$folder]}; do list+="${list:+, }\`$prefix\`"; done
        echo "| \`$folder/\` | ${what[$folder]} | $list |"
    done
}

if [ $write_readme -eq 1 ]; then
    table=$(readme_table)
    awk -v begin="$readme_begin" -v end="$readme_end" -v table="$table" '
        $0 == end { skipping = 0 }
        !skipping { print }
        $0 == begin { print table; skipping = 1 }' README.md > README.md.new
    mv README.md.new README.md
    exit 0
fi

offences=0
edges=$(mktemp)
trap 'rm -f "$edges" "$edges.err"' EXIT

# The project's files matching the patterns, relative to the root.
project_files() {
    git ls-files --cached --others --exclude-standard "$@" 2>/dev/null && return
    local names=()
    for pattern in "$@"; do names+=(${names[0]+-o} -name "$pattern"); done
    find . -path ./build -prune -o \( "${names[@]}" \) -print | sed 's|^\./||'
}

# True when a path (a file, or a folder ending in /) is one the folder may reach.
may_reach() {
    local folder=$1 path=$2 prefix
    for prefix in ${allowed[$folder]}; do
        case $prefix in "$path"*) return 0 ;; esac
        case $path in "$prefix"*) return 0 ;; esac
    done
    return 1
}

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
done < <(project_files '*.h' '*.cpp')

if ! sort -u "$edges" | tsort > /dev/null 2> "$edges.err"; then
    echo "the folders include each other in a circle:"; cat "$edges.err"
    offences=$((offences + 1))
fi

# Our CMake targets belong to the folder whose CMake file makes them. Each
# target_link_libraries(name ...) may name only targets of name's own folder
# or of a folder its row names; targets made outside the layers (the compile
# settings of the top CMakeLists.txt and cmake/) go anywhere.
cmake_files=$(project_files '*CMakeLists.txt' '*.cmake')
declare -A target_folder=()
cmake_text() { sed 's/#.*//' "$1" | tr '\n\t' '  '; }
for file in $cmake_files; do
    folder=${file%%/*}
    [ -n "${allowed[$folder]+set}" ] || continue
    for name in $(cmake_text "$file" | grep -o 'add_\(library\|executable\)( *[^ )]*' | sed 's/.*( *//'); do
        target_folder[$name]=$folder
    done
done
: > "$edges"
for file in $cmake_files; do
    folder=${file%%/*}
    while read -r name linked; do
        from=${target_folder[$name]:-$folder}
        [ -n "${allowed[$from]+set}" ] || continue
        for other in $linked; do
            to=${target_folder[$other]:-}
            [ -n "$to" ] || continue
            echo "$name $other" >> "$edges"
            if ! may_reach "$from" "$to/"; then
                echo "$file: $name ($from/) links $other ($to/): $from/ may link only targets of ${allowed[$from]}"
                offences=$((offences + 1))
            fi
        done
    done < <(cmake_text "$file" | grep -o 'target_link_libraries( *[^)]*)' |
             sed 's/target_link_libraries( *\(.*\))/\1/')
done
if ! tsort "$edges" > /dev/null 2> "$edges.err"; then
    echo "the CMake targets link each other in a circle:"; cat "$edges.err"
    offences=$((offences + 1))
fi

if ! diff <(readme_table) <(sed -n "\|^$readme_begin\$|,\|^$readme_end\$|p" README.md | sed '1d;$d') > "$edges.err"; then
    echo "README.md's Layout table is not the one layers.txt gives (< layers.txt, > README.md):"
    cat "$edges.err"
    echo "regenerate it: tests/layering/check_layers.sh --write-readme"
    offences=$((offences + 1))
fi

if [ $offences -ne 0 ]; then
    echo "layering: $offences offence(s)"
    exit 1
fi
echo "layering: every include and every target link goes to its own or a lower layer; no cycles; README's table matches"
