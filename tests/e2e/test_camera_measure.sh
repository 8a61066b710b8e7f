# A camera other than the microscope has no pitch of its own: it measures in
# pixels, and asks once to be calibrated, until a calibration line on it is
# given its length. The calibration goes into a file of that camera and
# size; the microscope's CalibrationIni.ini is left alone. Lengths are then
# in the unit, in proportion to the calibration line whatever the view's
# scale.
. "$(dirname "$0")/lib.sh"
e2e_setup
export TAVOLUX_TEST_DEVICES="$E2E_FIFO"
export QT_LOGGING_RULES="tavolux.measure.info=true"
E2E_APP_ARGS=""
start_app
sleep 1.5
microscope_file="$E2E_PROG_DIR/CalibrationIni.ini"
[ -f "$microscope_file" ] || die "no CalibrationIni.ini to compare"
before=$(md5sum <"$microscope_file")

live_view_layout
label() { grep -o "kind 1: L:[0-9.]*$1" "$E2E_TMP/tavolux.log" | tail -n 1 | sed "s/.*L://; s/$1//"; }

# The line tool before any calibration: it asks once, and reads pixels.
toolbar_button 423 6
live_click 200 300
if wait_for 5 has_dialog; then
    pass "measuring on an uncalibrated camera asks for a calibration"
    dismiss_dialog "$(dialog_windows | head -n 1)"
    wait_for 10 no_dialog || fail "the message stayed open"
    live_click 200 300
else
    fail "measuring on an uncalibrated camera did not ask for a calibration"
fi
live_click 400 300
live_click 300 360
check "the uncalibrated line reads in pixels" wait_for 5 test -n "$(label px)"
px=$(label px)
e2e_log "uncalibrated line: ${px}px"

camera_file="$E2E_PROG_DIR/Calibration/test_uvc-hd_640x480.ini"
check "no calibration file is made for the camera before it is calibrated" [ ! -e "$camera_file" ]

# Calibration: a 400-pixel line is 4.5 mm.
toolbar_button 798 6
live_click 100 330
live_click 500 330
answer_calibration 4.5
live_click 300 370

check "the calibration is stored in the camera's own file for 640 x 480" \
    wait_for 5 grep -qi '^60\.0=' "$camera_file"
check "the microscope's CalibrationIni.ini is unchanged" \
    [ "$(md5sum <"$microscope_file" 2>/dev/null)" = "$before" ]

# A 300-pixel line: three quarters of the calibration line, 3.375 mm.
toolbar_button 423 6
live_click 150 390
live_click 450 390
live_click 300 420
wait_for 5 test -n "$(label mm)"
got=$(label mm)
e2e_log "calibrated line: ${got}mm"
check "the 300-pixel line reads ${got:-nothing} mm, 3.375 within two pixels' worth" \
    fcmp "$(python3 -c "print(abs(float('${got:-0}') - 3.375))")" '<=' 0.023
# The uncalibrated line spanned half the calibration line's view pixels:
# in picture pixels, whatever the view's scale, half of them.
check "the uncalibrated 200-pixel line read ${px:-nothing} px" \
    fcmp "$(python3 -c "print(abs(float('${px:-0}') / 400 * 4.5 - 2.25))")" '<=' 0.023

finish
