#!/usr/bin/env bash
# Starts the window when there is a display; otherwise converts the bundled sample with
# the command-line front end and says where the page went.
set -euo pipefail
bin=${1:-build/debug/bin}

if { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; } && [ -x "$bin/quillon" ]; then
    exec "$bin/quillon"
fi

if [ -x "$bin/quillon" ]; then
    echo "No display found: converting the bundled sample with quillon-cli instead."
else
    echo "The window is not built yet: converting the bundled sample with quillon-cli."
fi
out=build/sample.frm.html
if "$bin/quillon-cli" page "$bin/sample.frm" "$out" 2>/dev/null; then
    echo "Page written to $out"
else
    "$bin/quillon-cli" colorize "$bin/sample.frm"
fi
