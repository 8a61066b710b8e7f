# The focus meter, switched on in the settings store, shows over the live
# picture while the simulated microscope drifts through focus, and is not
# part of a still taken at the same moment.
. "$(dirname "$0")/lib.sh"
e2e_setup
cat >>"$XDG_CONFIG_HOME/tavolux/settings.ini" <<'INI'
[Tavolux]
FocusMeter=1
INI
start_app

pictures() { ls -1 "$E2E_PICTURES" 2>/dev/null | grep -E '\.bmp$' | sort; }
count_is() { [ "$(pictures | wc -l)" -eq "$1" ]; }
# Pixels of pure white in a region: the meter's peak-hold mark is pure
# white, the simulated slide nowhere is.
white_pixels() {
    convert "$1" -crop "$2" +repage -fill black +opaque white -colorspace Gray \
        -format '%[fx:round(mean*w*h)]' info:
}

sim_control "focus drift"
# Past the blurriest point, on the way back to sharp: the bar rises.
sleep 7
shot="$E2E_TMP/meter.png"
screenshot "$shot"
send_keys F2
# The meter's corner of the live view, for any menu bar up to 40 pixels high.
corner="150x80+206+496"
shown=$(white_pixels "$shot" "$corner")
check "the meter is drawn over the live picture ($shown white pixels)" [ "$shown" -ge 30 ]

if wait_for 15 count_is 1; then
    still="$E2E_PICTURES/$(pictures | head -n 1)"
    sleep 0.5
    in_still=$(white_pixels "$still" "150x50+0+430")
    check "the still has no meter ($in_still white pixels)" [ "$in_still" -eq 0 ]
    if [ -n "${E2E_SHOTS:-}" ]; then
        cp "$shot" "$E2E_SHOTS/focus-meter.png"
        convert "$still" "$E2E_SHOTS/focus-meter-still.png"
    fi
else
    fail "F2 wrote no picture"
fi

# The figure follows the knob: a blurred slide is not all the meter shows.
sim_control "focus 8"
sleep 2
check "the program still runs after the focus controls" app_alive

finish
