# F3 records the live picture to a numbered AVI in the Video folder and F4
# closes it; the file plays in FFmpeg and in GStreamer with every frame the
# microscope delivered meanwhile. A change of size mid-recording goes on in
# a new file of the new size, and the user is told.
. "$(dirname "$0")/lib.sh"
e2e_setup
start_app

videos_dir="$HOME/Documents/Orvanti files/Video"
name_re='^Video_[0-9]{4}-[0-9]{2}-[0-9]{2}_[0-9]{6}_N0001\.avi$'
videos() { ls -1 "$videos_dir" 2>/dev/null | grep -E '\.avi$' | sort -t N -k 2; }
video_count() { videos | wc -l; }
count_is() { [ "$(video_count)" -eq "$1" ]; }
now() { date +%s.%N; }
since() { python3 -c "print(f'{$2 - $1:.3f}')"; }

probe=${TAVOLUX_AVI_PROBE:-}
[ -x "$probe" ] || die "no AVI probe (TAVOLUX_AVI_PROBE)"

# The simulated microscope delivers 12 frames a second at 640 x 480 and 10
# at 720 x 480; F3 before any recorder dialog writes 10 frames a second into
# the file's header.
header_rate=10

# check_file FILE RATE SECONDS WIDTH: the file plays through in both players
# with about RATE x SECONDS frames (within TOLERANCE), for frames / header
# rate seconds, at WIDTH.
check_file() {
    local file=$1 rate=$2 seconds=$3 width=$4 tolerance=${5:-0.1} out rc player line frames played
    out=$("$probe" "$videos_dir/$file" 2>&1)
    rc=$?
    e2e_log "probe $file: $(echo "$out" | tr '\n' ' ')"
    check "$file plays through in FFmpeg and GStreamer" [ "$rc" -eq 0 ]
    for player in ffmpeg gstreamer; do
        line=$(echo "$out" | grep "^$player ")
        frames=$(echo "$line" | cut -d' ' -f2)
        played=$(echo "$line" | cut -d' ' -f3)
        check "$player finds $frames frames in $file, within $tolerance of $rate x $seconds s" \
            python3 -c "import sys; want = $rate * $seconds; \
sys.exit(0 if abs($frames - want) <= $tolerance * want else 1)"
        check "$player plays $file for $played s, its $frames frames at $header_rate a second" \
            python3 -c "import sys; sys.exit(0 if abs($played - $frames / $header_rate) <= 0.15 else 1)"
    done
    check "$file is $width pixels wide" [ "$(avi_width "$videos_dir/$file")" = "$width" ]
}
avi_width() {
    python3 - "$1" <<'PY'
import struct, sys
d = open(sys.argv[1], 'rb').read(4096)
i = d.find(b'strf')
print(struct.unpack_from('<i', d, i + 12)[0] if i >= 0 else 0)
PY
}

# Let the live picture run first.
sleep 1
send_keys F4
sleep 1
check "F4 without a recording writes nothing" count_is 0

# Timed from after F3 has gone out to just before F4 goes out.
send_keys F3
started=$(now)
sleep 3
stopped=$(now)
send_keys F4
recorded=$(since "$started" "$stopped")
e2e_log "recorded for $recorded s"

if wait_for 10 count_is 1; then
    file=$(videos | head -n 1)
    if [[ $file =~ $name_re ]]; then
        pass "name $file has the recording pattern"
    else
        fail "name $file does not have the recording pattern"
    fi
    sleep 1
    check_file "$file" 12 "$recorded" 640
else
    fail "F3 and F4 gave $(video_count) recordings instead of 1"
fi
check "no trial file is left" [ ! -e "$videos_dir/test.avi" ]

# F3, F12 after 3 s, F4 after 7 s: the frames after the change go into a
# second file of the new size, and a message says so.
send_keys F3
started=$(now)
sleep 3
switched=$(now)
send_keys F12
if wait_for 10 has_dialog; then
    pass "the change of size mid-recording is told"
    dismiss_dialog "$(dialog_windows | head -n 1)"
    wait_for 5 no_dialog || fail "the message did not go"
else
    fail "no message tells where the recording went on"
fi
python3 -c "import time; time.sleep(max(0, $started + 7 - time.time()))"
stopped=$(now)
send_keys F4
if wait_for 10 count_is 3; then
    first=$(videos | sed -n 2p)
    second=$(videos | sed -n 3p)
    check "the recording went on in a new file ($first, $second)" \
        [ "${first%.avi}" != "${first%_N0002.avi}" -a "${second%.avi}" != "${second%_N0003.avi}" ]
    sleep 1
    check_file "$first" 12 "$(since "$started" "$switched")" 640
    # The new size starts after the pipeline is rebuilt: a little later.
    check_file "$second" 10 "$(since "$switched" "$stopped")" 720 0.2
else
    fail "F3, F12 and F4 gave $(video_count) recordings in all instead of 3"
fi
check "the program still runs" app_alive

finish
