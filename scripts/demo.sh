#!/usr/bin/env bash
# Installs what is missing, builds, and runs the demo: in a window when a display exists,
# otherwise headless, writing a few frames as PNG and saying where.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
ninja -C build verlet_spring

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || [ "${WIN32_HEADLESS:-0}" = "1" ]; then
    # No display: a scripted run. Two seconds' worth of frames at 60 Hz, a left click (restart)
    # before frame 60, and frames from the start, before and after the restart written as PNG.
    export WIN32_FRAMES=${WIN32_FRAMES:-120}
    export WIN32_CLICK_AT=${WIN32_CLICK_AT:-60}
    export WIN32_CAPTURE=${WIN32_CAPTURE:-0,1,30,59,60,119}
    export WIN32_CAPTURE_DIR=${WIN32_CAPTURE_DIR:-out/frames}
    echo "demo: no display, running headless for $WIN32_FRAMES frames (PNG frames go to $WIN32_CAPTURE_DIR)"
else
    # The program itself renders as fast as it can and the simulation advances one step per frame,
    # so unpaced the whole fall is over in a second or two. In a window, frames follow the display's
    # refresh (60 per second where the display cannot pace them) unless asked otherwise.
    export WIN32_VSYNC=${WIN32_VSYNC:-1}
    if [ "$WIN32_VSYNC" = "1" ]; then
        echo "demo: paced to the display refresh; WIN32_VSYNC=0 ./scripts/demo.sh runs unpaced"
    fi
fi
# The program reads data/062bois.jpg relative to the working directory.
exec build/app/verlet_spring
