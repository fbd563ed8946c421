#!/usr/bin/env bash
# Starts the window on a private virtual screen and saves a picture of each pane:
# files.png, colors.png, batch.png and direct.png (the Direct pane after converting its
# sample). Used for the README.
#
#   scripts/screenshots.sh [PROGRAM_FOLDER] [OUTPUT_FOLDER]
#
# PROGRAM_FOLDER defaults to build/debug/bin, OUTPUT_FOLDER to docs/screenshots. In the
# environment, LANGUAGE names the language file to show (default English.lng), SUFFIX is added
# to every picture's name, SCALE sets QT_SCALE_FACTOR (1.5 shows a 144 dpi screen) and
# WINDOW_SIZE ("full" or WIDTHxHEIGHT in pixels) starts the window at that size; with
# WINDOW_SIZE only the Files and Batch panes are taken. Needs Xvfb,
# xdotool and ImageMagick (scripts/install-deps.sh installs them). The settings the window
# keeps go to a temporary folder, so the user's own are neither read nor changed.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/debug/bin}
out=${2:-docs/screenshots}

for tool in Xvfb xdotool import; do
    if ! command -v "$tool" >/dev/null; then
        echo "screenshots: $tool is missing (run scripts/install-deps.sh)" >&2
        exit 1
    fi
done
if [ ! -x "$bin/quillon" ]; then
    echo "screenshots: $bin/quillon is not built" >&2
    exit 1
fi
mkdir -p "$out"
out=$(cd "$out" && pwd)

scratch=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

# A display number nobody uses; Xvfb at 96 dpi, so the layout comes out at its design size.
display=99
while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=":$display"
for _ in $(seq 50); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
done

language=${LANGUAGE:-English.lng}
suffix=${SUFFIX:-}
scale=${SCALE:-1}
screen_size=$(xdotool getdisplaygeometry | tr ' ' x)
size=${WINDOW_SIZE:-}
[ "$size" = full ] && size=$screen_size

mkdir -p "$scratch/config/Quillon Free" "$scratch/runtime"
chmod 700 "$scratch/runtime"
{
    echo "[FILES]"
    echo "LNG=$(cd "$bin" && pwd)/$language"
    if [ -n "$size" ]; then
        # The window keeps its size in twips: 15 to a pixel at 96 dpi, fewer when scaled.
        echo "[WINDOW]"
        awk -v s="$size" -v k="$scale" 'BEGIN { split(s, d, "x"); printf "Width=%d\nHeight=%d\n", d[1] * 15 / k, d[2] * 15 / k }'
    fi
} >"$scratch/config/Quillon Free/Quillon Free.conf"
if [ "$scale" != 1 ]; then
    export QT_SCALE_FACTOR=$scale
fi
XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/runtime" QT_QPA_PLATFORM=xcb \
    "$bin/quillon" >"$scratch/quillon.log" 2>&1 &
pids+=($!)

window=""
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Quillon 2.0 ' 2>/dev/null | head -n 1) || true
    [ -n "$window" ] && break
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "screenshots: the window did not appear" >&2
    cat "$scratch/quillon.log" >&2
    exit 1
fi
# No window manager: move the window to the corner, where its coordinates are the screen's.
xdotool windowmove "$window" 0 0
sleep 0.5

# Screen pixels of a point given in twips (15 twips per pixel at 96 dpi, times the scale).
px() { awk -v t="$1" -v k="$scale" 'BEGIN { printf "%d", t * k / 15 }'; }

# The centres of the pane buttons, in twips: left + width / 2, top + height / 2.
declare -A button_x=([files]=637 [colors]=1597 [batch]=2497 [direct]=3397)
button_y=247

shoot() {
    import -window "$window" "$out/$1$suffix.png"
    if command -v optipng >/dev/null; then
        optipng -quiet -o2 "$out/$1$suffix.png"
    fi
    echo "$out/$1$suffix.png"
}

panes="files colors batch direct"
[ -n "$size" ] && panes="files batch"
for pane in $panes; do
    xdotool mousemove "$(px "${button_x[$pane]}")" "$(px $button_y)" click 1
    sleep 0.4
    if [ "$pane" = direct ]; then
        # "Convert", inside the pane at 120, 480: its centre at 120 + 3900 + 472, 480 + 2640 + 187.
        xdotool mousemove "$(px 4492)" "$(px 3307)" click 1
        sleep 1
        # Away from the buttons, so no tool tip covers the picture.
        xdotool mousemove 0 0
        sleep 0.3
    fi
    shoot "$pane"
done
