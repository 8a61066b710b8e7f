# Live calibration on the simulated stage micrometer, then a measurement with
# the line tool: the length read is the true one within a pixel's worth; the
# guides and shapes show on the live view.
. "$(dirname "$0")/lib.sh"
e2e_setup
# Finished live measurements are logged on this category.
export QT_LOGGING_RULES="tavolux.measure.info=true"
start_app
sleep 1.5

live_view_layout

# Marks of the simulated 640 x 480 micrometer, in view pixels (drift moves
# every mark alike and leaves distances alone).
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
row=330

# Calibration: a line from the 0.5 mm to the 5 mm mark is 4.5 mm.
toolbar_button 798 6
live_click "$m0" $row
live_click "$m5" $row
answer_calibration 4.5
live_click 300 $((row + 40))

d_cal=$((m5 - m0))
want_m=$(python3 -c "print($d_cal * 0.0651465798045602 * 10 / 4.5)")
stored() { grep -i '^60\.0=' "$E2E_PROG_DIR/CalibrationIni.ini" | head -n 1 | cut -d= -f2 | tr -d '\r '; }
wait_for 5 test -n "$(stored)"
got_m=$(stored)
check "calibrated magnification $got_m is $want_m" \
    fcmp "$(python3 -c "print(abs(float('${got_m:-0}') - $want_m))")" '<=' 0.051

# The line tool on the 1 mm to 4 mm interval: 3 mm.
toolbar_button 423 6
live_click "$m1" $((row + 60))
live_click "$m4" $((row + 60))
live_click 300 $((row + 90))
label() { grep -o 'kind 1: L:[0-9.]*mm' "$E2E_TMP/tavolux.log" | tail -n 1 | sed 's/.*L://; s/mm//'; }
wait_for 5 test -n "$(label)"
got=$(label)
e2e_log "calibration line $d_cal px, measured line $((m4 - m1)) px, label ${got}mm"
check "the 3 mm interval reads ${got:-nothing} mm, within a pixel's worth" \
    fcmp "$(python3 -c "print(abs(float('${got:-0}') - 3.0))")" '<=' "$(python3 -c "print(1 / $ppm)")"

# A calibration far from the nominal magnification (the 4.5 mm span called
# 3.6 mm), then Calibrate pressed on and off again: the line tool reads the
# span at the calibrated magnification still, 3.6 mm, not at the nominal one.
toolbar_button 798 6
live_click "$m0" $((row + 80))
live_click "$m5" $((row + 80))
answer_calibration 3.6
live_click 300 $((row + 110))
toolbar_button 423 6 # the line tool
toolbar_button 798 6 # Calibrate on
toolbar_button 798 6 # and off
toolbar_button 423 6
lines() { grep -c 'kind 1: L:' "$E2E_TMP/tavolux.log"; }
before=$(lines)
live_click "$m0" $((row + 100))
live_click "$m5" $((row + 100))
live_click 300 $((row + 130))
wait_for 5 test "$(lines)" -gt "$before"
again=$(label)
check "after Calibrate on and off the span reads ${again:-nothing} mm (3.6 calibrated)" \
    fcmp "$(python3 -c "print(abs(float('${again:-0}') - 3.6))")" '<=' 0.02

# A circle and the guides for the picture of the live view.
toolbar_button 543 6
live_click 470 110
live_click 520 110
live_click 480 60
for downs in 4 5 6; do # cross line, ruler, circle grid from the live menu
    toolbar_button 830 6
    sleep 0.3
    for _ in $(seq "$downs"); do xdotool key Down; done
    xdotool key Return
    sleep 0.4
done
sleep 1
shot="$E2E_TMP/live-measure.png"
screenshot "$shot"
# The ruler's red axis crosses the middle of the view.
red=$(convert "$shot" -crop "1x40+$((204 + 320))+$((52 + menu + 10))" +repage -format '%[fx:mean.r-mean.g]' info:)
check "the ruler's vertical axis is drawn (red excess $red)" fcmp "$red" '>' 0.5
[ -n "${E2E_SHOTS:-}" ] && cp "$shot" "$E2E_SHOTS/live-guides-and-measurements.png"
finish
