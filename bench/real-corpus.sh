#!/usr/bin/env bash
# Rebuilds the corpus of real VB6 projects that the encoding census and the batch timings
# run on, outside the repository (default /work/corpus), and measures it.
#
#   bench/real-corpus.sh [CORPUS_DIR] [BUILD_DIR]
#
# The projects are public GitHub repositories, each with its own code page. They come as
# bare mirrors (the search tool's `fetch github:OWNER/NAME` puts them under
# /work/.mirror/OWNER+NAME/repo; a plain `git clone --mirror` does as well, set MIRRORS).
# Their sources (.frm .bas .cls .ctl .pag) are extracted with git, as committed, into
# CORPUS_DIR/NAME. Then, per project: the time of a `quillon-cli batch --jobs 1` over a
# fresh copy of it in /dev/shm, and the census of its decisions against the project's code
# page and of its pages against their sources (quillon-encoding-census, built with the
# release preset).
set -euo pipefail

corpus=${1:-/work/corpus}
build=${2:-build/release}
mirrors=${MIRRORS:-/work/.mirror}

# name  repository  code page of the project
projects=(
    "unlightvbe      unlightvbe/unlightvbe_qs          CP950"
    "satriah        WaelMansour1010/SatriahMainVb6    WINDOWS-1256"
    "vb6fuentes     jdanfer/Vb6fuentes                WINDOWS-1252"
    "projetos       gabrielfalcao/Projetos-VB6        WINDOWS-1252"
    "dia            ADIAProject/DIA                   WINDOWS-1251"
)

for line in "${projects[@]}"; do
    read -r name repo codepage <<<"$line"
    git_dir="$mirrors/${repo/\//+}/repo"
    if [[ ! -d $git_dir ]]; then
        echo "missing mirror of $repo ($git_dir): fetch github:$repo first" >&2
        continue
    fi
    dest="$corpus/$name"
    if [[ ! -d $dest ]]; then
        mkdir -p "$dest"
        git --git-dir="$git_dir" ls-tree -r -z --name-only HEAD |
            grep -z -i -E '\.(frm|bas|cls|ctl|pag)$' |
            while IFS= read -r -d '' member; do
                mkdir -p "$dest/$(dirname "$member")"
                git --git-dir="$git_dir" cat-file blob "HEAD:$member" >"$dest/$member"
            done
    fi
    mapfile -d '' sources < <(find "$dest" -type f \( -iname '*.frm' -o -iname '*.bas' -o -iname '*.cls' \
        -o -iname '*.ctl' -o -iname '*.pag' \) -print0 | sort -z)
    bytes=$(cat "${sources[@]}" | wc -c)
    echo "== $name ($repo, $codepage): ${#sources[@]} files, $bytes bytes"
    work=$(mktemp -d /dev/shm/quillon-corpus.XXXXXX)
    cp -r "$dest" "$work/src"
    mapfile -d '' copies < <(find "$work/src" -type f \( -iname '*.frm' -o -iname '*.bas' -o -iname '*.cls' \
        -o -iname '*.ctl' -o -iname '*.pag' \) -print0 | sort -z)
    start=$(date +%s.%N)
    "$build/bin/quillon-cli" batch --jobs 1 "${copies[@]}" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    echo "batch --jobs 1: $(echo "$end - $start" | bc) s"
    "$build/bin/quillon-encoding-census" "$codepage" "${copies[@]}" >"$work/census.txt"
    grep -c 'page text differs' "$work/census.txt" >/dev/null && grep 'page text differs' "$work/census.txt" | head -n 5
    tail -n 2 "$work/census.txt"
    rm -rf "$work"
done
