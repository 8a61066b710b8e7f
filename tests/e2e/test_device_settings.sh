# Device Settings from the Setting menu: moving the brightness slider changes
# the simulated microscope's live picture while the dialog is open.
. "$(dirname "$0")/lib.sh"
e2e_setup
start_app

read -r wx wy ww wh <<<"$(window_geometry)"
menu=$((wh - 610)) # the client area is 860 x 610 below the menu bar
live_x=$((wx + 204))
live_y=$((wy + 52 + menu))

# Mean grey level (0 … 1) of a region of a picture.
mean_grey() {
    convert "$1" -crop "$2" +repage -colorspace Gray -format '%[fx:mean]' info:
}

# The part of the live view right of the dialog, in screen coordinates; the
# whole view before the dialog is there.
live_strip() {
    local left=$1
    local w=$((live_x + 640 - 10 - left))
    echo "${w}x440+${left}+$((live_y + 20))"
}

# Let the live picture run first.
sleep 1

# Setting menu: click the bar's first title, Right to the next menu, whose
# first entry is highlighted; two entries down (the separator is skipped) is
# Device Settings.
xdotool mousemove $((wx + 20)) $((wy + menu / 2)) click 1
sleep 0.5
xdotool key Right
sleep 0.3
xdotool key Down Down Return
wait_for 10 has_dialog || die "Device Settings did not open"
dlg=$(dialog_windows | head -n 1)
check "the dialog is Video Settings ($(xdotool getwindowname "$dlg"))" \
    [ "$(xdotool getwindowname "$dlg" | cut -d' ' -f1-2)" = "Video Settings" ]
read -r dx dy dw dh <<<"$(xdotool getwindowgeometry --shell "$dlg" |
    awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, y, w, h}')"
e2e_log "dialog at $dx,$dy ${dw}x$dh"
strip=$(live_strip $((dx + dw + 10)))
[ $((live_x + 640 - dx - dw)) -gt 80 ] || die "the dialog covers the live view ($strip)"

sleep 0.5
screenshot "$E2E_TMP/before.png" root
before=$(mean_grey "$E2E_TMP/before.png" "$strip")

# The brightness slider is the first of the properties; a click gives it the
# focus (and moves it a page), End takes it to its maximum.
xdotool mousemove $((dx + 114 + 105)) $((dy + 156 + 11)) click 1
sleep 0.3
xdotool key --clearmodifiers End
brighter() {
    screenshot "$E2E_TMP/after.png" root
    after=$(mean_grey "$E2E_TMP/after.png" "$strip")
    fcmp "$after" '>' "$(python3 -c "print($before + 0.15)")"
}
if wait_for 10 brighter; then
    pass "the live picture got brighter ($before -> $after)"
else
    fail "the live picture did not get brighter ($before -> $after)"
fi
[ -n "${E2E_SHOTS:-}" ] && cp "$E2E_TMP/after.png" "$E2E_SHOTS/device-settings.png"

# Home: the other end, darker than at the start.
xdotool key --clearmodifiers Home
darker() {
    screenshot "$E2E_TMP/dark.png" root
    dark=$(mean_grey "$E2E_TMP/dark.png" "$strip")
    fcmp "$dark" '<' "$(python3 -c "print($before - 0.15)")"
}
if wait_for 10 darker; then
    pass "the live picture got darker ($before -> $dark)"
else
    fail "the live picture did not get darker ($before -> $dark)"
fi

# Enter is OK: the dialog closes and keeps what was set. It never presses
# Default, which would bring the brightness back and switch to 720 x 480.
xdotool key --clearmodifiers Return
wait_for 10 no_dialog || fail "Enter did not close the dialog"
sleep 1
screenshot "$E2E_TMP/closed.png" root
closed=$(mean_grey "$E2E_TMP/closed.png" "$strip")
check "after Enter the picture keeps its brightness ($before -> $closed)" \
    fcmp "$closed" '<' "$(python3 -c "print($before - 0.15)")"
size=$(python3 -c "
import struct, sys
try:
    print(*struct.unpack_from('<ii', open(sys.argv[1], 'rb').read(), 52))
except Exception:
    print('none')" "$E2E_PROG_DIR/CapConfig.dat")
check "after Enter the capture size is not Default's 720 x 480 ($size)" [ "$size" != "720 480" ]
finish
