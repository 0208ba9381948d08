#!/usr/bin/env bash
# Holds every #include of the libraries to the layer order written in the README's layout
# table: a file may include headers of its own folder and of folders on lower layers only.
# It also fails when the top CMakeLists.txt adds a folder the table does not place, or adds
# the folders out of layer order, so a new library cannot slip in without a layer.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A layer
# Rows of the table look like: | 2 | `net/` | `marrowby_net` | purpose |
while IFS=' ' read -r number folder; do
    layer[$folder]=$number
done < <(sed -nE 's/^\| *([0-9]+) *\| *`([a-z_]+)\/` *\|.*/\1 \2/p' README.md)
if [[ ${#layer[@]} -eq 0 ]]; then
    echo "check-layers: no layer table found in README.md" >&2
    exit 1
fi

failed=0
previous=0
previous_folder=
# Folders added by the top CMakeLists.txt that are not libraries.
for folder in $(sed -nE 's/^add_subdirectory\(([a-z_]+)\).*/\1/p' CMakeLists.txt); do
    case $folder in dist | tests | bench | tools) continue ;; esac
    if [[ -z ${layer[$folder]:-} ]]; then
        echo "CMakeLists.txt: $folder/ has no layer in the README's layout table" >&2
        failed=1
        continue
    fi
    if ((layer[$folder] < previous)); then
        echo "CMakeLists.txt: $folder/ (layer ${layer[$folder]}) is added after" \
            "$previous_folder/ (layer $previous)" >&2
        failed=1
    fi
    previous=${layer[$folder]}
    previous_folder=$folder
done

for folder in "${!layer[@]}"; do
    [[ -d $folder ]] || continue
    own=${layer[$folder]}
    while IFS=: read -r file line included; do
        [[ $included == "$folder" || -z ${layer[$included]:-} ]] && continue
        if ((layer[$included] >= own)); then
            echo "$file:$line: $folder/ (layer $own) includes $included/" \
                "(layer ${layer[$included]})" >&2
            failed=1
        fi
    done < <(grep -rnE --include='*.h' --include='*.cpp' \
        '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<][a-z_]+/' "$folder" |
        sed -E 's/^([^:]*):([0-9]+):[^"<]*["<]([a-z_]+)\/.*/\1:\2:\3/')
done
exit $failed
