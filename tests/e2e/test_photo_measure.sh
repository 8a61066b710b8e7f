# A still taken with F2 opens in Photo Measure from the file list: a
# calibration on the micrometer is stored under the picture's magnification
# (and the main window shows it), a measured line and a text note are drawn,
# and Save writes a JPEG that carries both. On the way, a right click that
# cancels the next line leaves the measured one, and Undo and Redo take it
# away and bring it back, from their buttons and from Ctrl+Z and Ctrl+Y.
. "$(dirname "$0")/lib.sh"
e2e_setup
start_app

pictures() { ls -1 "$E2E_PICTURES" 2>/dev/null | grep -E '\.bmp$'; }
count_is() { [ "$(pictures | wc -l)" -eq "$1" ]; }

sleep 1
send_keys F2
wait_for 15 count_is 1 || die "F2 wrote no picture"
still="$E2E_PICTURES/$(pictures | head -n 1)"
pass "F2 wrote $(basename "$still")"

# The first cell of the list (window coordinates, any menu bar up to 35 px).
sleep 1
xdotool mousemove --window "$E2E_WIN" 50 150
sleep 0.2
xdotool click --repeat 2 --delay 80 1
wait_for 10 has_dialog || die "a double click on the thumbnail opened nothing"
dlg=$(dialog_windows | head -n 1)
check "the dialog is Photo Measure ($(xdotool getwindowname "$dlg"))" \
    [ "$(xdotool getwindowname "$dlg" | cut -d' ' -f1-2)" = "Photo Measure" ]
read -r dx dy <<<"$(xdotool getwindowgeometry --shell "$dlg" |
    awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}')"
cx=$((dx + 5)) # the canvas: the picture at full size
cy=$((dy + 41))

# The dialog on top of another dialog of the program.
other_dialog() { dialog_windows | grep -v "^$dlg\$" | head -n 1; }
has_other_dialog() { [ -n "$(other_dialog)" ]; }
no_other_dialog() { [ -z "$(other_dialog)" ]; }
toolbar() { # toolbar button at dialog x
    xdotool mousemove $((dx + $1 + 20)) $((dy + 18)) click 1
    sleep 0.5
}
canvas_click() {
    xdotool mousemove $((cx + $1)) $((cy + $2))
    sleep 0.2
    xdotool click 1
    # Slower than a double click.
    sleep 0.7
}

# Marks of the simulated 640 x 480 micrometer in picture pixels (drift moves
# them all alike).
read -r ppm origin <<<"$(python3 -c "
import math
ppm = 1000 * 60.0 / (65.1465798045602 * 10)
length = max(0.5, math.floor(0.85 * 640 / ppm * 2) / 2)
print(ppm, (640 - length * ppm) / 2)")"
mark() { python3 -c "print(int(round($origin + $1 * $ppm)))"; }
m0=$(mark 0.5)
m5=$(mark 5.0)
m1=$(mark 1.0)
m4=$(mark 4.0)

# Calibration: 0.5 mm to 5 mm is 4.5 mm.
toolbar 410
canvas_click "$m0" 300
canvas_click "$m5" 300
wait_for 10 has_other_dialog || die "no Calibration dialog"
cal=$(other_dialog)
xdotool windowfocus --sync "$cal" 2>/dev/null
xdotool type --delay 50 "4.5"
xdotool key --clearmodifiers Return
wait_for 10 no_other_dialog || fail "the Calibration dialog stayed open"
canvas_click 300 340 # the length's label

want_m=$(python3 -c "print($((m5 - m0)) * 0.0651465798045602 * 10 / 4.5)")
stored() { grep -i '^60\.0=' "$E2E_PROG_DIR/CalibrationIni.ini" 2>/dev/null | head -n 1 | cut -d= -f2 | tr -d '\r '; }
wait_for 5 test -n "$(stored)"
got_m=$(stored)
check "calibration $got_m is stored for 60.0 (want $want_m)" \
    fcmp "$(python3 -c "print(abs(float('${got_m:-0}') - $want_m))")" '<=' 0.051
check "nothing is stored under another magnification" \
    [ "$(grep -v '^//' "$E2E_PROG_DIR/CalibrationIni.ini" | grep -c '=')" -eq 1 ]

# Share of the columns of a region with at least one red (pen and text
# colour) pixel; JPEG blurs a one-pixel line, so "red" is generous.
red_columns() {
    convert "$1" -crop "$2" +repage -fx '(r > 0.5 && r - g > 0.25 && r - b > 0.25) ? 1 : 0' \
        -scale "x1!" -fx 'p > 0 ? 1 : 0' -format '%[fx:mean]' info:
}

# The line tool from the Measure menu (its first entry), 1 mm to 4 mm.
toolbar 158
xdotool mousemove $((dx + 190)) $((dy + 45)) click 1
sleep 0.5
line_y=380
canvas_click "$m1" $line_y
canvas_click "$m4" $line_y
canvas_click 300 $((line_y + 40))
line_band="$((m4 - m1 - 20))x9+$((m1 + 10))+$((line_y - 4))"

# The line as the dialog shows it (the canvas is at (5, 41) in the dialog).
shown_line() {
    screenshot "$E2E_TMP/shown.png" "$dlg"
    red_columns "$E2E_TMP/shown.png" "$((m4 - m1 - 20))x9+$((m1 + 15))+$((line_y + 37))"
}
line_shown() { fcmp "$(shown_line)" '>' 0.9; }
line_gone() { fcmp "$(shown_line)" '<' 0.05; }
check "the measured line is on the canvas" wait_for 5 line_shown

# The first click of another line, then the right button: only that goes.
canvas_click "$m1" $((line_y + 60))
xdotool click 3
sleep 1
check "a right click after a first click leaves the line before it" line_shown

toolbar 311 # Undo
check "Undo takes the line away" wait_for 5 line_gone
toolbar 362 # Redo
check "Redo can be pressed after Undo and brings the line back" wait_for 5 line_shown
xdotool windowfocus --sync "$dlg" 2>/dev/null
xdotool key --clearmodifiers ctrl+z
check "Ctrl+Z takes it away" wait_for 5 line_gone
xdotool key --clearmodifiers ctrl+y
check "Ctrl+Y brings it back" wait_for 5 line_shown

# A text note, placed where the next click is.
toolbar 260
wait_for 10 has_other_dialog || die "no Text dialog"
txt=$(other_dialog)
check "the Text dialog opens ($(xdotool getwindowname "$txt"))" \
    [ "$(xdotool getwindowname "$txt" | cut -d' ' -f1)" = "Text" ]
xdotool windowfocus --sync "$txt" 2>/dev/null
xdotool type --delay 30 "TAVOLUX NOTE"
xdotool mousemove --window "$txt" $((170 + 43)) $((224 + 13)) click 1
wait_for 10 no_other_dialog || die "the Text dialog stayed open"
note_x=60
note_y=80
xdotool mousemove $((cx + note_x - 20)) $((cy + note_y - 20))
sleep 0.3
canvas_click $note_x $note_y
sleep 0.5
screenshot "$E2E_TMP/dialog.png" "$dlg"
[ -n "${E2E_SHOTS:-}" ] && cp "$E2E_TMP/dialog.png" "$E2E_SHOTS/photo-measure.png"
[ -n "${E2E_SHOTS:-}" ] && cp "$E2E_TMP/dialog.png" "$E2E_SHOTS/photo_measure_fit.png"

# Zoom from the keyboard: two steps up from the fitted 100 % is 400 % about
# the middle, where the line (lower down) is out of view; two middle-button
# drags of 280 pixels bring it to the view's middle row, 4 × (380 - 320)
# pixels down; Ctrl+0 fits again.
xdotool windowfocus --sync "$dlg" 2>/dev/null
xdotool key --clearmodifiers ctrl+equal ctrl+equal
check "Ctrl++ twice zooms the line out of view" wait_for 5 line_gone
pan_up() {
    xdotool mousemove $((cx + 320)) $((cy + 440)) mousedown 2
    sleep 0.2
    xdotool mousemove $((cx + 320)) $((cy + 300))
    sleep 0.2
    xdotool mousemove $((cx + 320)) $((cy + 160)) mouseup 2
    sleep 0.3
}
pan_up
pan_up
zoomed_line() {
    screenshot "$E2E_TMP/zoomed.png" "$dlg"
    # Columns of view x 4 × (m1 - 240) … 4 × (m4 - 240), inside the view.
    local from=$((4 * (m1 - 240) + 10)) to=$((4 * (m4 - 240) - 10))
    [ $from -lt 10 ] && from=10
    [ $to -gt 630 ] && to=630
    fcmp "$(red_columns "$E2E_TMP/zoomed.png" "$((to - from))x9+$((from + 5))+$((240 - 4 + 41))")" '>' 0.9
}
check "at 400 % and panned, the line runs across the view's middle row" wait_for 5 zoomed_line
[ -n "${E2E_SHOTS:-}" ] && cp "$E2E_TMP/zoomed.png" "$E2E_SHOTS/photo_measure_400.png"
xdotool key --clearmodifiers ctrl+0
check "Ctrl+0 fits the picture again" wait_for 5 line_shown

# Save, as a JPEG, through the file dialog.
out="$HOME/measured.jpg"
toolbar 56
wait_for 10 has_other_dialog || die "Save asked for no file name"
fd=$(other_dialog)
xdotool windowfocus --sync "$fd" 2>/dev/null
sleep 0.5
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 "$out"
xdotool key --clearmodifiers Return
saved_box() { has_other_dialog && [ "$(other_dialog)" != "$fd" ]; }
wait_for 10 saved_box || fail "no message after saving"
check "the file is written" wait_for 5 test -s "$out"
check "it is a JPEG" [ "$(identify -format '%m' "$out" 2>/dev/null)" = JPEG ]
check "it keeps the picture's size" [ "$(identify -format '%wx%h' "$out" 2>/dev/null)" = 640x480 ]
xdotool windowfocus --sync "$(other_dialog)" 2>/dev/null
xdotool key --clearmodifiers Return
wait_for 5 no_other_dialog || fail "the message stayed open"

on_line=$(red_columns "$out" "$line_band")
before=$(red_columns "$still" "$line_band")
check "the measured line is in the saved picture ($on_line of its columns red, $before before)" \
    fcmp "$on_line" '>' 0.9
check "the line was not in the still" fcmp "$before" '<' 0.05
note_box="150x30+$note_x+$((note_y - 5))"
in_note=$(red_columns "$out" "$note_box")
before=$(red_columns "$still" "$note_box")
check "the text is in the saved picture ($in_note of its columns red, $before before)" \
    fcmp "$in_note" '>' 0.3
check "the text was not in the still" fcmp "$before" '<' 0.05
[ "${E2E_KEEP:-0}" = 1 ] && cp "$out" "$E2E_TMP/"
finish
