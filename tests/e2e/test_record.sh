# F3 records the live picture to a numbered AVI in the Video folder and F4
# closes it; the file plays in FFmpeg and in GStreamer for as long as it was
# recorded.
. "$(dirname "$0")/lib.sh"
e2e_setup
start_app

videos_dir="$HOME/Documents/Orvanti files/Video"
name_re='^Video_[0-9]{4}-[0-9]{2}-[0-9]{2}_[0-9]{6}_N0001\.avi$'
videos() { ls -1 "$videos_dir" 2>/dev/null | grep -E '\.avi$' | sort; }
video_count() { videos | wc -l; }
count_is() { [ "$(video_count)" -eq "$1" ]; }
now() { date +%s.%N; }

probe=${TAVOLUX_AVI_PROBE:-}
[ -x "$probe" ] || die "no AVI probe (TAVOLUX_AVI_PROBE)"

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
recorded=$(python3 -c "print(f'{$stopped - $started:.3f}')")
e2e_log "recorded for $recorded s"

if wait_for 10 count_is 1; then
    file=$(videos | head -n 1)
    if [[ $file =~ $name_re ]]; then
        pass "name $file has the recording pattern"
    else
        fail "name $file does not have the recording pattern"
    fi
    sleep 1
    out=$("$probe" "$videos_dir/$file" 2>&1)
    rc=$?
    e2e_log "probe: $(echo "$out" | tr '\n' ' ')"
    check "$file plays through in FFmpeg and GStreamer" [ "$rc" -eq 0 ]
    for player in ffmpeg gstreamer; do
        line=$(echo "$out" | grep "^$player ")
        frames=$(echo "$line" | cut -d' ' -f2)
        seconds=$(echo "$line" | cut -d' ' -f3)
        check "$player plays $frames frames over $seconds s, within 10 % of $recorded s" \
            python3 -c "import sys; sys.exit(0 if abs($seconds - $recorded) <= 0.1 * $recorded else 1)"
    done
else
    fail "F3 and F4 gave $(video_count) recordings instead of 1"
fi
check "no trial file is left" [ ! -e "$videos_dir/test.avi" ]
check "the program still runs" app_alive

finish
