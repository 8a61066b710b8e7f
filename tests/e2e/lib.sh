# Shared helpers for the end-to-end tests: each test sources this file with
# the path of the tavolux executable as its first argument.
#
# Every test gets its own X server, its own home and its own copy of the
# program folder, so tests never see each other's CapConfig.dat, settings or
# pictures, nor the developer's.

set -u

E2E_BINARY=$(readlink -f "${1:-}")
E2E_NAME=$(basename "$0" .sh)
E2E_FAILURES=0
E2E_XVFB_PID=""
E2E_APP_PID=""
E2E_DISPLAY_NUM=""
E2E_WIN=""
E2E_SCREEN_W=1280
E2E_SCREEN_H=800

# The live picture area in window coordinates, below a menu bar whose height
# depends on the font: this inner part of it is inside the area for any
# menu bar up to 40 pixels high.
E2E_LIVE_CROP="600x400+224+110"

e2e_log() { printf '[%s] %s\n' "$E2E_NAME" "$*"; }

pass() { printf '[%s] PASS: %s\n' "$E2E_NAME" "$*"; }

fail() {
    printf '[%s] FAIL: %s\n' "$E2E_NAME" "$*"
    E2E_FAILURES=$((E2E_FAILURES + 1))
}

# check "what" command... : PASS when the command succeeds.
check() {
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

# Stops here: the test cannot go on without this.
die() {
    printf '[%s] FAIL: %s\n' "$E2E_NAME" "$*"
    E2E_FAILURES=$((E2E_FAILURES + 1))
    e2e_dump_log
    exit 1
}

e2e_dump_log() {
    if [ -n "${E2E_TMP:-}" ] && [ -s "$E2E_TMP/tavolux.log" ]; then
        e2e_log "program output (last 30 lines):"
        tail -n 30 "$E2E_TMP/tavolux.log" | sed "s/^/[$E2E_NAME]   /"
    fi
}

# Polls "command..." every 0.2 s until it succeeds or `seconds` pass.
wait_for() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    while :; do
        if "$@"; then return 0; fi
        [ "$SECONDS" -ge "$deadline" ] && return 1
        sleep 0.2
    done
}

e2e_cleanup() {
    local rc=$?
    if [ -n "$E2E_APP_PID" ] && kill -0 "$E2E_APP_PID" 2>/dev/null; then
        kill "$E2E_APP_PID" 2>/dev/null
        local i
        for i in $(seq 1 25); do
            kill -0 "$E2E_APP_PID" 2>/dev/null || break
            sleep 0.2
        done
        kill -9 "$E2E_APP_PID" 2>/dev/null
    fi
    if [ -n "$E2E_XVFB_PID" ]; then
        kill "$E2E_XVFB_PID" 2>/dev/null
        wait "$E2E_XVFB_PID" 2>/dev/null
    fi
    if [ -n "${E2E_TMP:-}" ] && [ -d "$E2E_TMP" ]; then
        if [ "${E2E_KEEP:-0}" = 1 ]; then
            e2e_log "kept $E2E_TMP"
        else
            rm -rf "$E2E_TMP"
        fi
    fi
    exit "$rc"
}

# An X server of our own on the first free display from 90 upward. Another
# test may take the same number between our check and Xvfb's start: Xvfb
# then refuses, and we move on to the next number.
start_xvfb() {
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X$n-lock" ] && continue
        [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 "${E2E_SCREEN_W}x${E2E_SCREEN_H}x24" -nolisten tcp -noreset \
            >"$E2E_TMP/xvfb.log" 2>&1 &
        E2E_XVFB_PID=$!
        if wait_for 10 e2e_xvfb_ready "$n"; then
            E2E_DISPLAY_NUM=$n
            export DISPLAY=":$n"
            return 0
        fi
        kill "$E2E_XVFB_PID" 2>/dev/null
        wait "$E2E_XVFB_PID" 2>/dev/null
        E2E_XVFB_PID=""
    done
    die "no free X display for Xvfb"
}

e2e_xvfb_ready() {
    kill -0 "$E2E_XVFB_PID" 2>/dev/null || return 2
    [ -S "/tmp/.X11-unix/X$1" ] && DISPLAY=":$1" xprop -root >/dev/null 2>&1
}

# Fresh home and folders, a copy of the program folder, settings that skip
# the first-run branch and the calibration prompt.
e2e_setup() {
    [ -x "$E2E_BINARY" ] || {
        echo "usage: $0 <path of tavolux>" >&2
        exit 2
    }
    for tool in Xvfb xdotool xprop import convert python3; do
        command -v "$tool" >/dev/null || {
            echo "[$E2E_NAME] FAIL: $tool is missing" >&2
            exit 1
        }
    done
    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/tavolux-e2e-$E2E_NAME.XXXXXX")
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM

    export HOME="$E2E_TMP/home"
    export XDG_CONFIG_HOME="$HOME/.config"
    export XDG_DATA_HOME="$HOME/.local/share"
    export XDG_CACHE_HOME="$HOME/.cache"
    export XDG_RUNTIME_DIR="$E2E_TMP/runtime"
    mkdir -p "$HOME/Documents" "$XDG_CONFIG_HOME/tavolux" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    export TAVOLUX_MUTE=1
    export QT_QPA_PLATFORM=xcb
    export LANG=C.UTF-8 LC_ALL=C.UTF-8
    unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR WAYLAND_DISPLAY

    E2E_FIFO="$E2E_TMP/control.fifo"
    mkfifo "$E2E_FIFO"
    export TAVOLUX_SIM_CONTROL="$E2E_FIFO"

    E2E_PROG_DIR="$E2E_TMP/program"
    mkdir -p "$E2E_PROG_DIR"
    cp "$E2E_BINARY" "$E2E_PROG_DIR/"
    local src
    src=$(dirname "$E2E_BINARY")
    cp "$src"/*.ini "$E2E_PROG_DIR/" 2>/dev/null
    cp "$src"/Tavolux-*.html "$E2E_PROG_DIR/" 2>/dev/null
    # The modules sit beside the program, as in an unpacked copy.
    cp "$src"/tavolux-*.so "$E2E_PROG_DIR/" 2>/dev/null
    # A developer's own capture format must not leak into the test.
    rm -f "$E2E_PROG_DIR/CapConfig.dat"

    # A settings store that exists already: English, no calibration prompt.
    cat >"$XDG_CONFIG_HOME/tavolux/settings.ini" <<'EOF'
[SOFTWARE]
microscopeEx\font\fontcolor=255
microscopeEx\font\LineColor=255
microscopeEx\font\MeasureTxtColor=255
microscopeEx\font\fontsize=16
microscopeEx\font\Linewidth=1
microscopeEx\font\Linetype=0
microscopeEx\font\ChangeTime=3.00
microscopeEx\LanguageID\LanID=9
microscopeEx\LanguageID\SubLanIDD=0
microscopeEx\LanguageID\sys_date=0
microscopeEx\Units\unit=mm
microscopeEx\Units\decimal=3
EOF

    E2E_PICTURES="$HOME/Documents/Orvanti files/Picture"
    start_xvfb
    e2e_log "display $DISPLAY, folder $E2E_TMP"
}

# Starts the program with the simulated microscope (or with the arguments in
# E2E_APP_ARGS when it is set, even empty) and waits for its window.
start_app() {
    # shellcheck disable=SC2086 # the arguments are words on purpose
    (cd "$E2E_PROG_DIR" && exec ./tavolux ${E2E_APP_ARGS---simulate}) >"$E2E_TMP/tavolux.log" 2>&1 &
    E2E_APP_PID=$!
    wait_for 20 e2e_find_main_window || die "the main window did not appear"
    # No window manager: give the window the input focus ourselves.
    xdotool windowfocus --sync "$E2E_WIN" 2>/dev/null
    wait_for 5 e2e_has_focus || e2e_log "note: the window does not report the focus"
    e2e_log "window $E2E_WIN: $(window_geometry)"
}

e2e_find_main_window() {
    kill -0 "$E2E_APP_PID" 2>/dev/null || die "the program ended early"
    E2E_WIN=$(xdotool search --onlyvisible --pid "$E2E_APP_PID" --name '^Tavolux$' 2>/dev/null |
        head -n 1)
    [ -n "$E2E_WIN" ]
}

e2e_has_focus() {
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$E2E_WIN" ]
}

app_alive() { kill -0 "$E2E_APP_PID" 2>/dev/null; }

# Ends the program as a session logout would, so it can be started again.
stop_app() {
    kill "$E2E_APP_PID" 2>/dev/null
    local i
    for i in $(seq 1 50); do
        app_alive || return 0
        sleep 0.2
    done
    kill -9 "$E2E_APP_PID" 2>/dev/null
}

# Sends key names (xdotool spelling) to the focused main window.
send_keys() {
    xdotool windowfocus --sync "$E2E_WIN" 2>/dev/null
    local k
    for k in "$@"; do
        xdotool key --clearmodifiers "$k"
        sleep 0.1
    done
}

# Writes one line to the simulated microscope's control FIFO. Opening a FIFO
# blocks until the reader is there: a dead program must not hang the test.
sim_control() {
    timeout 5 bash -c 'printf "%s\n" "$1" >"$2"' _ "$1" "$E2E_FIFO" ||
        fail "could not write \"$1\" to the control FIFO"
}

# Where the main window's parts are, for toolbar_button and live_click: wx wy
# (the window), menu (the menu bar's height), lx ly (the live view's corner).
live_view_layout() {
    read -r wx wy ww wh <<<"$(window_geometry)"
    menu=$((wh - 610)) # the client area is 860 x 610 below the menu bar
    lx=$((wx + 204))
    ly=$((wy + 52 + menu))
    e2e_log "live view at $lx,$ly (menu bar $menu)"
}
# Clicks the toolbar button at client x, y.
toolbar_button() {
    xdotool mousemove $((wx + $1 + 14)) $((wy + menu + $2 + 14)) click 1
    sleep 0.4
}
# Clicks the live view at x, y; slower than a double click.
live_click() {
    xdotool mousemove $((lx + $1)) $((ly + $2))
    sleep 0.2
    xdotool click 1
    sleep 0.7
}

# Answers the Calibration dialog that a calibration line opened with a
# length in mm, and waits for it to close.
answer_calibration() {
    wait_for 10 has_dialog || die "no Calibration dialog"
    xdotool windowfocus --sync "$(dialog_windows | head -n 1)" 2>/dev/null
    xdotool type --delay 50 "$1"
    xdotool key --clearmodifiers Return
    wait_for 10 no_dialog || fail "the Calibration dialog stayed open"
}

# "x y w h" of the main window in root coordinates.
window_geometry() {
    xdotool getwindowgeometry --shell "$E2E_WIN" 2>/dev/null |
        awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, y, w, h}'
}

# Picture of the main window (or of the whole screen with "root").
screenshot() {
    local out=$1 which=${2:-$E2E_WIN}
    if [ "$which" = root ]; then
        import -silent -window root "$out" 2>/dev/null
    else
        import -silent -window "$which" "$out" 2>/dev/null
    fi
}

# Share (0 … 1) of the pixels of a region of a picture that are not near
# black. The region is ImageMagick geometry (WxH+X+Y).
bright_share() {
    convert "$1" -crop "$2" +repage -colorspace Gray -threshold 12% -format '%[fx:mean]' info:
}

# Standard deviation (0 … 1) of the grey levels of a region.
grey_spread() {
    convert "$1" -crop "$2" +repage -colorspace Gray -format '%[fx:standard_deviation]' info:
}

# Number of distinct colours of a region.
colour_count() {
    convert "$1" -crop "$2" +repage -format '%k' info:
}

# float comparison: fcmp A op B (op one of < > <= >=)
fcmp() {
    python3 -c "import sys; a, op, b = float(sys.argv[1]), sys.argv[2], float(sys.argv[3]); \
sys.exit(0 if {'<': a < b, '>': a > b, '<=': a <= b, '>=': a >= b}[op] else 1)" "$1" "$2" "$3"
}

# Visible top-level windows of the program other than the main window: its
# dialogs and message boxes. (A search by pid also answers the root window.)
dialog_windows() {
    local root w
    root=$(printf '%d' "$(xwininfo -root | awk '/Window id:/{print $4}')")
    for w in $(xdotool search --onlyvisible --pid "$E2E_APP_PID" --name '.*' 2>/dev/null); do
        [ "$w" = "$E2E_WIN" ] || [ "$w" = "$root" ] && continue
        echo "$w"
    done | sort -u
}

has_dialog() { [ -n "$(dialog_windows)" ]; }
no_dialog() { [ -z "$(dialog_windows)" ]; }

# Answers a message box with Return (its default button is OK).
dismiss_dialog() {
    local w=$1
    xdotool windowfocus --sync "$w" 2>/dev/null
    xdotool key --clearmodifiers Return
}

# Ends the test: prints a summary and sets the exit status.
finish() {
    # A test that closed the program itself clears E2E_APP_PID.
    [ -z "$E2E_APP_PID" ] || app_alive || { fail "the program is no longer running"; }
    if [ "$E2E_FAILURES" -eq 0 ]; then
        e2e_log "all checks passed"
        exit 0
    fi
    e2e_dump_log
    e2e_log "$E2E_FAILURES check(s) failed"
    exit 1
}
