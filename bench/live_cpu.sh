#!/usr/bin/env bash
# What the live picture costs: the program with the simulated microscope
# against a bare GStreamer pipeline doing the same display work, on the same
# private X server, windowed (640 × 480), full screen (1920 × 1080) and
# maximised (the window resized to the whole 1920 × 1080 screen, the picture
# filling its live view).
#
#   bench/live_cpu.sh [path of tavolux] [seconds per window] [rounds]
#
# The slide is held still ("drift off"): a still slide is drawn once and
# handed out again, so the simulator's own drawing is left out, as a real
# microscope draws nothing. The bare pipeline's source does draw, so its
# drawing (measured alone, into fakesink) is taken off its figure.
#
# CPU time is read from the scheduler's per-thread run times, so the figures
# are CPU per second of video at the same 12 frames a second: their ratio is
# the ratio per frame. Each round measures every case once; the medians are
# printed. Ratios of 1.0 or less mean the program costs no more than the
# bare display.
#
# With LIVE_CPU_CAMERA=uvc the program runs on the test camera instead
# (TAVOLUX_TEST_DEVICES, no microscope) at MJPEG 1920 x 1080, 30 frames a
# second, chosen in the Device menu, against a bare
#   … ! jpegdec ! videoconvert ! ximagesink
# on the same frames; the test camera's own drawing and JPEG encoding
# (measured alone, into fakesink) is taken off both figures.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
binary=${1:-$here/build/tavolux}
seconds=${2:-20}
rounds=${3:-3}
command -v gst-launch-1.0 >/dev/null && gst-inspect-1.0 ximagesink >/dev/null 2>&1 || {
    echo "gst-launch-1.0 or ximagesink is missing (gstreamer1.0-tools, gstreamer1.0-x)" >&2
    exit 2
}

E2E_NAME=live_cpu
# shellcheck source=../tests/e2e/lib.sh
source "$here/tests/e2e/lib.sh" "$binary"
E2E_SCREEN_W=1920
E2E_SCREEN_H=1080
e2e_setup

caps="video/x-raw,format=BGR,width=640,height=480,framerate=12/1"
full="video/x-raw,width=$E2E_SCREEN_W,height=$E2E_SCREEN_H"
camera=${LIVE_CPU_CAMERA:-sim}
encode=()
decode=()
if [ "$camera" = uvc ]; then
    # The test camera's frames: drawn, then JPEG-encoded, as its source does.
    caps="video/x-raw,format=I420,width=1920,height=1080,framerate=30/1"
    encode=(jpegenc !)
    decode=(jpegdec !)
    export TAVOLUX_TEST_DEVICES="$E2E_FIFO"
    E2E_APP_ARGS=""
fi

# The picture at its measured size: the simulated microscope's as it starts,
# the test camera's at 1920 x 1080 (its Device menu: two cameras, then 640 x
# 480, 1280 x 720, 1920 x 1080).
prepare_app() {
    if [ "$camera" = uvc ]; then
        send_keys alt+d
        sleep 0.5
        send_keys Down Down Down Down Return
    else
        sim_control "drift off"
    fi
}

# Nanoseconds of CPU used so far by every thread of a process.
cpu_ns() {
    local total=0 t run
    for t in /proc/"$1"/task/*/schedstat; do
        read -r run _ <"$t" 2>/dev/null || continue
        total=$((total + run))
    done
    echo "$total"
}

# Percent of one core a process uses over the window, after a settling time.
measure() {
    local pid=$1 a b
    sleep 3
    a=$(cpu_ns "$pid")
    sleep "$seconds"
    b=$(cpu_ns "$pid")
    awk -v d=$((b - a)) -v s="$seconds" 'BEGIN { printf "%.2f", d / (s * 1e7) }'
}

# CPU percent of a gst-launch pipeline given as words.
pipeline_cpu() {
    local pid pct
    gst-launch-1.0 -q "$@" >/dev/null 2>&1 &
    pid=$!
    pct=$(measure "$pid")
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "$pct"
}

set_wm_state() {
    xprop -id "$E2E_WIN" -f _NET_WM_STATE 32a -set _NET_WM_STATE "$1"
}
covers_screen() {
    local x y w h
    read -r x y w h <<<"$(window_geometry)"
    [ "$x" -le 0 ] && [ "$y" -le 0 ] && [ "$w" -ge "$E2E_SCREEN_W" ] && [ "$h" -ge "$E2E_SCREEN_H" ]
}

# The window resized to the whole screen, as a maximised window without
# decorations is (the script runs no window manager).
maximise() {
    xdotool windowmove "$E2E_WIN" 0 0 windowsize "$E2E_WIN" "$E2E_SCREEN_W" "$E2E_SCREEN_H"
}
not_covering() { ! covers_screen; }

# One round: prints "src bareWin bareFull progWin progFull progMax".
round() {
    local src win fullbare pw pf pm
    src=$(pipeline_cpu videotestsrc is-live=true ! "$caps" ! "${encode[@]}" fakesink)
    win=$(pipeline_cpu videotestsrc is-live=true ! "$caps" ! "${encode[@]}" "${decode[@]}" videoconvert ! ximagesink)
    fullbare=$(pipeline_cpu videotestsrc is-live=true ! "$caps" ! "${encode[@]}" "${decode[@]}" videoconvert ! \
        videoscale ! "$full" ! ximagesink)
    start_app >&2
    prepare_app
    pw=$(measure "$E2E_APP_PID")
    set_wm_state _NET_WM_STATE_FULLSCREEN
    wait_for 10 covers_screen || die "the window did not go full screen"
    pf=$(measure "$E2E_APP_PID")
    send_keys Escape
    wait_for 10 not_covering || die "the window did not leave full screen"
    maximise
    wait_for 10 covers_screen || die "the window did not grow to the screen"
    pm=$(measure "$E2E_APP_PID")
    kill "$E2E_APP_PID" 2>/dev/null || true
    wait "$E2E_APP_PID" 2>/dev/null || true
    E2E_APP_PID=""
    echo "$src $win $fullbare $pw $pf $pm"
}

results=()
for r in $(seq 1 "$rounds"); do
    line=$(round)
    e2e_log "round $r (% of a core: source alone, bare window, bare full, program window, program full, program maximised): $line"
    results+=("$line")
done

printf '%s\n' "${results[@]}" | CAMERA=$camera python3 -c '
import os, statistics, sys
rows = [list(map(float, l.split())) for l in sys.stdin if l.strip()]
src, bw, bf, pw, pf, pm = (statistics.median(c) for c in zip(*rows))
bw_net, bf_net = max(bw - src, 0.01), max(bf - src, 0.01)
# The test camera draws and encodes inside the program: that is no display work.
if os.environ.get("CAMERA") == "uvc":
    pw, pf, pm = max(pw - src, 0.0), max(pf - src, 0.0), max(pm - src, 0.0)
print(f"source alone (taken off the bare figures): {src:.2f} % of a core")
print(f"window:          program {pw:.2f} %  bare display {bw_net:.2f} %  ratio {pw / bw_net:.2f}")
print(f"full screen:     program {pf:.2f} %  bare display {bf_net:.2f} %  ratio {pf / bf_net:.2f}")
# Maximised, the picture is drawn a little smaller than the screen: it is
# held against the same full-screen display.
print(f"maximised:       program {pm:.2f} %  bare display {bf_net:.2f} %  ratio {pm / bf_net:.2f}")
'
