# A two-second recording, opened from the video list, plays in the player to
# its end, and the player goes back to its start: the slider's filled part
# grows while it plays and is gone at the end.
. "$(dirname "$0")/lib.sh"
e2e_setup
start_app

videos_dir="$HOME/Documents/Orvanti files/Video"
video_count() { ls -1 "$videos_dir" 2>/dev/null | grep -c '\.avi$'; }
count_is() { [ "$(video_count)" -eq "$1" ]; }

# Window coordinates (below a menu bar of up to 35 pixels): the Video tab
# and the middle of the list's first cell.
read -r wx wy ww wh <<<"$(window_geometry)"
menu=$((wh - 610))
VIDEO_TAB_X=95
VIDEO_TAB_Y=$((menu + 61))
CELL_CENTRE_X=50
CELL_CENTRE_Y=150

sleep 1
send_keys F3
sleep 2
send_keys F4
wait_for 10 count_is 1 || die "F3, F4 gave $(video_count) recordings instead of 1"
pass "the recording is written"

xdotool mousemove --window "$E2E_WIN" "$VIDEO_TAB_X" "$VIDEO_TAB_Y" click 1
sleep 0.5
lit() {
    screenshot "$E2E_TMP/list.png"
    fcmp "$(bright_share "$E2E_TMP/list.png" "14x30+22+130")" '>' 0.3
}
check "the video list shows the recording in its first cell" wait_for 10 lit
xdotool mousemove --window "$E2E_WIN" "$CELL_CENTRE_X" "$CELL_CENTRE_Y"
sleep 0.2
xdotool click --repeat 2 --delay 80 1
wait_for 10 has_dialog || die "a double click on the recording opened nothing"
dlg=$(dialog_windows | head -n 1)
check "the dialog is the Video Player ($(xdotool getwindowname "$dlg"))" \
    [ "$(xdotool getwindowname "$dlg" | cut -d' ' -f1-2)" = "Video Player" ]
sleep 0.5

# The slider's groove (dialog coordinates 74,415, 446 x 20): the share of
# clearly blue pixels, the part filled up to the thumb.
SLIDER="440x6+77+422"
filled() {
    screenshot "$E2E_TMP/player.png" "$dlg"
    convert "$E2E_TMP/player.png" -crop "$SLIDER" +repage \
        -fx '(b > 0.5 && b > r + 0.2) ? 1 : 0' -format '%[fx:mean]' info:
}
start_fill=$(filled)
check "the slider starts at 0 (filled $start_fill)" fcmp "$start_fill" '<' 0.03
picture=$(bright_share "$E2E_TMP/player.png" "560x380+16+20")
check "the first frame shows ($picture lit)" fcmp "$picture" '>' 0.5

# Play.
xdotool mousemove --window "$dlg" $((274 + 19)) $((431 + 19)) click 1
played=$(date +%s.%N)
playing() { fcmp "$(filled)" '>' 0.2; }
if wait_for 10 playing; then
    pass "the slider moves while it plays"
    cp "$E2E_TMP/player.png" "$E2E_TMP/playing.png"
else
    fail "the slider did not move (filled $(filled))"
fi
back() { fcmp "$(filled)" '<' 0.03; }
if wait_for 15 back; then
    took=$(python3 -c "print(f'{$(date +%s.%N) - $played:.2f}')")
    pass "the slider is back at 0, $took s after Play"
    # A stop before the end would come back sooner than the recording lasts.
    check "it played the whole recording (${took} s for 2 s)" fcmp "$took" '>=' 1.8
    # The thumb (light, 0.6 of the groove's height) sits at the left end.
    thumb=$(convert "$E2E_TMP/player.png" -crop "24x10+74+420" +repage -colorspace Gray \
        -threshold 75% -format '%[fx:mean]' info:)
    check "the thumb is at the left end ($thumb light)" fcmp "$thumb" '>' 0.3
else
    fail "the slider did not come back to 0 (filled $(filled))"
fi
[ -n "${E2E_SHOTS:-}" ] && [ -e "$E2E_TMP/playing.png" ] &&
    cp "$E2E_TMP/playing.png" "$E2E_SHOTS/player.png"
finish
