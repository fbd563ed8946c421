#!/usr/bin/env bash
# Publishes real VB6 projects as sites and checks every page the site writes.
#
#   bench/site-corpus.sh [WORK_DIR] [BUILD_DIR]
#
# The projects are public GitHub repositories kept as bare mirrors (the search tool's
# `fetch github:OWNER/NAME` puts them under /work/.mirror/OWNER+NAME/repo; set MIRRORS for
# others). Their project files, groups, sources and form resources are extracted with git,
# as committed, into WORK_DIR/src/NAME (default /dev/shm/quillon-site-corpus). Per input:
# the time of `quillon-cli site --jobs 1`, its summary, then bench/check-site.py over the
# site (tags, ids, local links, the code's text against the source).
set -euo pipefail

work=${1:-/dev/shm/quillon-site-corpus}
build=${2:-build/release}
mirrors=${MIRRORS:-/work/.mirror}
here=$(cd "$(dirname "$0")" && pwd)

# name  repository  input below the project's folder ("." for the whole folder)
inputs=(
    "unlightvbe     unlightvbe/unlightvbe_qs          UnlightVBE-QS/ULVBE.vbg"
    "satriah        WaelMansour1010/SatriahMainVb6    ."
    "vb6fuentes     jdanfer/Vb6fuentes                ."
    "projetos       gabrielfalcao/Projetos-VB6        ."
    "dia            ADIAProject/DIA                   DriversInstaller.vbp"
    "audiostation   gftaimpact/audiostation           Audiostation.vbg"
    "pexplorer      leonunezcl/pexplorer              Pexplorer.VBP"
)

for line in "${inputs[@]}"; do
    read -r name repo input <<<"$line"
    git_dir="$mirrors/${repo/\//+}/repo"
    if [[ ! -d $git_dir ]]; then
        echo "missing mirror of $repo ($git_dir): fetch github:$repo first" >&2
        continue
    fi
    dest="$work/src/$name"
    if [[ ! -d $dest ]]; then
        mkdir -p "$dest"
        git --git-dir="$git_dir" ls-tree -r -z --name-only HEAD |
            grep -z -i -E '\.(vbp|vbg|frm|frx|bas|cls|ctl|ctx|pag|pgx|dob|dox|dsr|dsx)$' |
            while IFS= read -r -d '' member; do
                mkdir -p "$dest/$(dirname "$member")"
                # A mirror may lack the blobs of large files: the member is then missing.
                git --git-dir="$git_dir" cat-file blob "HEAD:$member" >"$dest/$member" 2>/dev/null ||
                    rm -f "$dest/$member"
            done
    fi
    site="$work/site/$name"
    rm -rf "$site"
    start=$(date +%s.%N)
    summary=$("$build/bin/quillon-cli" site --jobs 1 --no-progress "$dest/$input" -o "$site" 2>"$work/$name.err" |
        grep '^Site: ' || true)
    end=$(date +%s.%N)
    echo "== $name ($repo, $input): $(echo "$end - $start" | bc) s"
    echo "$summary"
    echo "errors on standard error: $(wc -l <"$work/$name.err")"
    python3 "$here/check-site.py" "$site" | tail -n 6 || true
done
