#!/usr/bin/env bash
# Keeps the layers of src/ pointing one way: a file may include headers of its own layer
# and of the layers listed before it, never of one listed after it. The plain C++ layers
# (and the plain parts of the others, outside their qt/ folders) include no Qt header.
set -euo pipefail
cd "$(dirname "$0")/.."

layers=(base io scheme engine desktop lang controls window app)
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done
plain_layers=" base io scheme engine desktop lang "

status=0
while IFS= read -r file; do
    own=${file#src/}; own=${own%%/*}
    [ -n "${rank[$own]+x}" ] || { echo "$file: folder '$own' is not a known layer"; status=1; continue; }
    qt_allowed=1
    if [[ $plain_layers == *" $own "* && $file != */qt/* ]]; then qt_allowed=0; fi
    while IFS=: read -r line text; do
        if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([a-z_]+)/ ]]; then
            used=${BASH_REMATCH[1]}
            if [ -z "${rank[$used]+x}" ]; then
                echo "$file:$line: includes from '$used', which is not a layer"; status=1
            elif [ "${rank[$used]}" -gt "${rank[$own]}" ]; then
                echo "$file:$line: layer '$own' includes '$used', a layer above it"; status=1
            fi
        elif [[ $qt_allowed -eq 0 && $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<Q ]]; then
            echo "$file:$line: a plain C++ layer includes a Qt header"; status=1
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find src -name '*.cpp' -o -name '*.h' | sort)

[ $status -eq 0 ] && echo "Layers point one way: ${layers[*]}"
exit $status
