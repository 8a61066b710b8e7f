# Unplugging the microscope blanks the live area with the connection text and
# disables the buttons; plugging it in again brings the live picture back.
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

finish
