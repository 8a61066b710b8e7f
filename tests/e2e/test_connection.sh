# Unplugging the microscope blanks the live area with the connection text and
# disables the buttons; plugging it in again brings the live picture back.
# Without the microscope no recording starts (F3 and Take Video say why), and
# whatever was tried meanwhile, the live picture runs after the plug: F2
# takes a still.
. "$(dirname "$0")/lib.sh"
e2e_setup
start_app

shot="$E2E_TMP/shot.png"
# The Camera button on the skin, in window coordinates below the menu bar.
camera_button="28x26+4+21"

live_shown() {
    screenshot "$shot" || return 1
    fcmp "$(bright_share "$shot" "$E2E_LIVE_CROP")" '>' 0.5 &&
        fcmp "$(grey_spread "$shot" "$E2E_LIVE_CROP")" '>' 0.01
}
# Mostly black: only the line of text is bright.
live_blank() {
    screenshot "$shot" || return 1
    fcmp "$(bright_share "$shot" "$E2E_LIVE_CROP")" '<' 0.1
}
text_shown() {
    # The connection text sits across the middle of the area.
    local share
    share=$(bright_share "$shot" "600x40+224+292")
    fcmp "$share" '>' 0.01
}

wait_for 15 live_shown || fail "no live picture at start"
cp "$shot" "$E2E_TMP/plugged.png"
[ -n "${E2E_SHOTS:-}" ] && cp "$shot" "$E2E_SHOTS/main-window.png"
camera_before=$(convert "$E2E_TMP/plugged.png" -crop "$camera_button" +repage \
    -colorspace Gray -format '%[fx:mean]' info:)

sim_control unplug
if wait_for 15 live_blank; then
    pass "after unplug the live area is black"
    check "after unplug the connection text is drawn" text_shown
    camera_after=$(convert "$shot" -crop "$camera_button" +repage -colorspace Gray \
        -format '%[fx:mean]' info:)
    # A disabled button is drawn greyed out: it looks different.
    check "after unplug the Camera button looks disabled ($camera_before -> $camera_after)" \
        python3 -c "import sys; sys.exit(0 if abs($camera_before - $camera_after) > 0.01 else 1)"
    cp "$shot" "$E2E_TMP/unplugged.png"
    [ -n "${E2E_SHOTS:-}" ] && cp "$shot" "$E2E_SHOTS/no-microscope.png"
else
    fail "after unplug the live area is not black"
fi

videos_dir="$HOME/Documents/Orvanti files/Video"
avi_count() { ls -1 "$videos_dir" 2>/dev/null | grep -c -E '\.avi$'; }
still_count() { ls -1 "$E2E_PICTURES" 2>/dev/null | grep -c -E '\.bmp$'; }
read -r wx wy _ wh <<<"$(window_geometry)"
menu=$((wh - 610)) # the client area is 860 x 610 below the menu bar
answered="" # the title of the last dialog answer_dialog answered
answer_dialog() { # waits for a box or dialog, notes its title, answers Return
    local w
    answered=""
    wait_for 10 has_dialog || return 1
    w=$(dialog_windows | head -n 1)
    answered=$(xdotool getwindowname "$w" 2>/dev/null)
    e2e_log "dialog: $answered"
    dismiss_dialog "$w"
    wait_for 5 no_dialog
}

# Capture > Take Video (the AVI button is disabled), with the recorder
# dialog's 10 s limit if one comes up; the microscope comes back within
# those 10 s. The bar's first title, Right twice to Capture, whose first
# entry is highlighted; the next one is Take Video.
xdotool mousemove $((wx + 20)) $((wy + menu / 2)) click 1
sleep 0.5
xdotool key Right
sleep 0.3
xdotool key Right
sleep 0.3
xdotool key Down Return
take_video=$SECONDS
answer_dialog || fail "Take Video without the microscope gave no answer"
not_the_recorder_dialog() { [ -n "$answered" ] && [[ $answered != "Recorder Setting"* ]]; }
check "Take Video without the microscope says why instead of asking ($answered)" \
    not_the_recorder_dialog
send_keys F3
if wait_for 5 has_dialog; then
    pass "F3 without the microscope says why it records nothing"
    answer_dialog
else
    fail "F3 without the microscope gave no message"
fi
sleep 1
check "no recording was made without the microscope ($(avi_count) files)" [ "$(avi_count)" -eq 0 ]

sim_control plug
if wait_for 15 live_shown; then
    pass "after plug the live picture is back"
    camera_again=$(convert "$shot" -crop "$camera_button" +repage -colorspace Gray \
        -format '%[fx:mean]' info:)
    check "after plug the Camera button looks enabled again" \
        python3 -c "import sys; sys.exit(0 if abs($camera_before - $camera_again) < 0.01 else 1)"
else
    fail "after plug the live picture did not come back"
fi

# Past the time limit of whatever Take Video started, the picture still
# runs and F2 takes a still.
left=$((take_video + 13 - SECONDS))
[ "$left" -gt 0 ] && sleep "$left"
check "the live area still shows a picture after the limit" live_shown
stills=$(still_count)
more_stills() { [ "$(still_count)" -gt "$stills" ]; }
send_keys F2
check "F2 takes a still after the plug" wait_for 10 more_stills
sleep 3
check "and only one ($(still_count) stills)" [ "$(still_count)" -eq $((stills + 1)) ]

finish
