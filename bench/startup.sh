#!/usr/bin/env bash
# Warm start to the first live frame on screen, and resident memory once the
# window runs: the program with the simulated microscope against a bare
# GStreamer display (videotestsrc ! videoconvert ! ximagesink, 640 × 480 at
# 12 frames a second) on the same private X server, in the same rounds.
#
#   bench/startup.sh [path of tavolux] [rounds]
#
# Each start is timed from the moment the process is spawned to the line
# each one writes when its first frame has gone to the X server: the
# program's "first live frame shown" (logging category tavolux.startup) and
# ximagesink's first XShmPutImage (GST_DEBUG=ximagesink:6). Both are read
# from a pipe as they are written. One start of each is made first and not
# counted, so the libraries are in the page cache ("warm").
#
# Both run on a session bus of their own, as on a desktop (without one,
# Qt's accessibility bridge would spend its time starting one).
#
# Resident memory is the process's Rss (shared libraries included) and Pss
# (shared pages split among their users) from /proc/PID/smaps_rollup, read
# 3 s after the first frame. The medians over the rounds are printed.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
binary=${1:-$here/build/tavolux}
rounds=${2:-7}
command -v gst-launch-1.0 >/dev/null && gst-inspect-1.0 ximagesink >/dev/null 2>&1 || {
    echo "gst-launch-1.0 or ximagesink is missing (gstreamer1.0-tools, gstreamer1.0-x)" >&2
    exit 2
}

E2E_NAME=startup
# shellcheck source=../tests/e2e/lib.sh
source "$here/tests/e2e/lib.sh" "$binary"
e2e_setup

caps="video/x-raw,format=BGR,width=640,height=480,framerate=12/1"

command -v dbus-run-session >/dev/null || {
    echo "dbus-run-session is missing (dbus-daemon)" >&2
    exit 2
}
dbus-run-session -- python3 - "$rounds" "$E2E_PROG_DIR" "$caps" <<'EOF'
import os, re, select, signal, statistics, subprocess, sys, threading, time

rounds, prog_dir, caps = int(sys.argv[1]), sys.argv[2], sys.argv[3]

def memory(pid):
    fields = {}
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            parts = line.split()
            if len(parts) >= 2 and parts[0] in ("Rss:", "Pss:"):
                fields[parts[0][:-1]] = int(parts[1]) / 1024
    return fields["Rss"], fields["Pss"]

def start(cmd, env, cwd, pattern):
    """ms from spawn to the first line matching pattern, Rss and Pss in MB."""
    env = dict(os.environ, **env)
    t0 = time.monotonic_ns()
    p = subprocess.Popen(cmd, cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    shown = None
    buf = b""
    deadline = time.monotonic() + 30
    while shown is None and time.monotonic() < deadline:
        ready, _, _ = select.select([p.stderr], [], [], 1)
        if not ready:
            if p.poll() is not None:
                break
            continue
        chunk = os.read(p.stderr.fileno(), 65536)
        if not chunk:
            break
        buf += chunk
        if pattern.search(buf):
            shown = (time.monotonic_ns() - t0) / 1e6
        buf = buf[-4096:]
    # Keep the pipe empty so the process never waits on it.
    threading.Thread(target=lambda: [None for _ in iter(lambda: p.stderr.read(65536), b"")],
                     daemon=True).start()
    rss = pss = float("nan")
    if shown is not None:
        time.sleep(3)
        if p.poll() is None:
            rss, pss = memory(p.pid)
    p.send_signal(signal.SIGTERM)
    try:
        p.wait(10)
    except subprocess.TimeoutExpired:
        p.kill()
        p.wait()
    if shown is None:
        sys.exit(f"{cmd[0]} showed no frame")
    return shown, rss, pss

bare = (["gst-launch-1.0", "-q", "videotestsrc", "is-live=true", "!", caps, "!",
         "videoconvert", "!", "ximagesink"],
        {"GST_DEBUG": "ximagesink:6", "GST_DEBUG_NO_COLOR": "1"}, None,
        re.compile(rb"X(Shm)?PutImage on"))
prog = (["./tavolux", "--simulate"], {"QT_LOGGING_RULES": "tavolux.startup.info=true"}, prog_dir,
        re.compile(rb"first live frame shown"))

start(*bare)
start(*prog)
rows = []
for r in range(rounds):
    b = start(*bare)
    t = start(*prog)
    print(f"round {r + 1}: start ms (bare, program) {b[0]:.1f} {t[0]:.1f}; "
          f"Rss MB {b[1]:.1f} {t[1]:.1f}; Pss MB {b[2]:.1f} {t[2]:.1f}", flush=True)
    rows.append(b + t)

med = [statistics.median(c) for c in zip(*rows)]
print(f"medians of {rounds} rounds")
print(f"start to first frame:  program {med[3]:.1f} ms   bare display {med[0]:.1f} ms   "
      f"ratio {med[3] / med[0]:.2f}")
print(f"resident (Rss):        program {med[4]:.1f} MB   bare display {med[1]:.1f} MB   "
      f"ratio {med[4] / med[1]:.2f}")
print(f"proportional (Pss):    program {med[5]:.1f} MB   bare display {med[2]:.1f} MB")
EOF
