# The live picture drawn by OpenGL, asked for on this software renderer:
# the picture shows in the window with the focus meter over it, fills the
# screen in full screen, and the window comes back with Escape. Machines
# with graphics hardware take this path by themselves.
. "$(dirname "$0")/lib.sh"
e2e_setup
export TAVOLUX_LIVE_GL=1
export QT_LOGGING_RULES="tavolux.capture.info=true"
cat >>"$XDG_CONFIG_HOME/tavolux/settings.ini" <<'INI'
[Tavolux]
FocusMeter=1
INI
start_app
sleep 2

log="$E2E_TMP/tavolux.log"
if grep -q "stretches the picture" "$log"; then
    pass "the live view draws with OpenGL ($(grep -o 'renderer "[^"]*"' "$log" | head -n 1))"
else
    fail "the live view did not take OpenGL: $(grep 'live view' "$log" | head -n 1)"
fi

shot="$E2E_TMP/window.png"
screenshot "$shot"
share=$(bright_share "$shot" "$E2E_LIVE_CROP")
check "the slide shows in the window (bright share $share)" fcmp "$share" '>' 0.5
spread=$(grey_spread "$shot" "$E2E_LIVE_CROP")
check "with its details, not one flat colour (spread $spread)" fcmp "$spread" '>' 0.01
# The focus meter is a widget over the canvas, in the view's bottom left;
# its peak mark is pure white, which the slide nowhere is.
white=$(convert "$shot" -crop "150x80+206+496" +repage -fill black +opaque white \
    -colorspace Gray -format '%[fx:round(mean*w*h)]' info:)
check "the focus meter stays over the picture ($white white pixels)" [ "$white" -ge 30 ]
[ -n "${E2E_SHOTS:-}" ] && cp "$shot" "$E2E_SHOTS/live-opengl.png"

read -r _ _ w0 h0 <<<"$(window_geometry)"
covers_screen() {
    local x y w h
    read -r x y w h <<<"$(window_geometry)"
    [ "$x" -le 0 ] && [ "$y" -le 0 ] && [ "$w" -ge "$E2E_SCREEN_W" ] && [ "$h" -ge "$E2E_SCREEN_H" ]
}
back_to_normal() {
    local w h
    read -r _ _ w h <<<"$(window_geometry)"
    [ "$w" = "$w0" ] && [ "$h" = "$h0" ]
}
xprop -id "$E2E_WIN" -f _NET_WM_STATE 32a -set _NET_WM_STATE _NET_WM_STATE_FULLSCREEN
if wait_for 10 covers_screen; then
    sleep 1
    screenshot "$E2E_TMP/full.png" root
    # The 4:3 picture fills the screen's height with its aspect kept: the
    # slide's bright background reaches the corners of that part, and black
    # bars stand beside it.
    read -r px pw <<<"$(python3 -c "
w, h = $E2E_SCREEN_W, $E2E_SCREEN_H
pw = min(w, h * 4 // 3)
print((w - pw) // 2, pw)")"
    for corner in "200x150+$px+0" "200x150+$((px + pw - 200))+0" \
        "200x150+$px+$((E2E_SCREEN_H - 150))" "200x150+$((px + pw - 200))+$((E2E_SCREEN_H - 150))"; do
        share=$(bright_share "$E2E_TMP/full.png" "$corner")
        check "full screen: the picture reaches $corner (bright share $share)" fcmp "$share" '>' 0.5
    done
    if [ "$px" -ge 20 ]; then
        bar=$(bright_share "$E2E_TMP/full.png" "$((px - 10))x400+0+100")
        check "full screen: a black bar beside the picture (bright share $bar)" fcmp "$bar" '<' 0.02
    fi
    send_keys Escape
    check "Escape: the window has its normal size again" wait_for 10 back_to_normal
else
    fail "the window did not go full screen (geometry $(window_geometry))"
fi
# In a larger window the picture keeps its shape between bars of the live
# panel's colour (CClientArea::kPanelColour), about 96 pixels wide here.
menu=$((h0 - 610))
xdotool windowsize "$E2E_WIN" 1280 800
sleep 1.5
screenshot "$E2E_TMP/large.png"
bar=$(convert "$E2E_TMP/large.png" -crop "40x200+$((204 + 20))+$((menu + 52 + 200))" +repage \
    -depth 8 -scale '1x1!' -format '%[hex:u.p{0,0}]' info:)
check "a bar in the live panel's colour beside the picture ($bar)" test "$bar" = 1D242D
check "the program is still running" app_alive
finish
