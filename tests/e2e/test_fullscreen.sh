# The desktop's full-screen state puts the live picture alone on the screen;
# Escape brings the window back to its normal size. (Maximising just
# maximises: the window can grow.)
#
# There is no window manager here, so we act as one: set _NET_WM_STATE on the
# window as a manager would. A manager would also resize the window; we do
# not, so the program itself must make the window cover the screen.
. "$(dirname "$0")/lib.sh"
e2e_setup
start_app

read -r x0 y0 w0 h0 <<<"$(window_geometry)"
e2e_log "normal geometry: $x0 $y0 $w0 $h0"

covers_screen() {
    local x y w h
    read -r x y w h <<<"$(window_geometry)"
    [ "$x" -le 0 ] && [ "$y" -le 0 ] && [ "$w" -ge "$E2E_SCREEN_W" ] && [ "$h" -ge "$E2E_SCREEN_H" ]
}
back_to_normal() {
    local x y w h
    read -r x y w h <<<"$(window_geometry)"
    [ "$w" = "$w0" ] && [ "$h" = "$h0" ]
}
set_wm_state() {
    xprop -id "$E2E_WIN" -f _NET_WM_STATE 32a -set _NET_WM_STATE "$1"
}

entered=0
set_wm_state _NET_WM_STATE_FULLSCREEN
if wait_for 10 covers_screen; then
    pass "full-screen state: the window covers the screen"
    entered=1
else
    fail "the full-screen state did not make the window cover the screen (geometry $(window_geometry))"
fi

sleep 1
screenshot "$E2E_TMP/full.png" root
# In full screen the picture fills the screen: no skin, toolbar or file list
# at the top-left corner, where the normal window has its buttons.
share=$(bright_share "$E2E_TMP/full.png" "400x300+100+100")
check "the live picture fills the top-left of the screen (bright share $share)" fcmp "$share" '>' 0.5
[ -n "${E2E_SHOTS:-}" ] && cp "$E2E_TMP/full.png" "$E2E_SHOTS/full-screen.png"

send_keys Escape
if [ "$entered" = 0 ]; then
    # Nothing to restore: a pass here would prove nothing.
    e2e_log "SKIP: Escape from full screen (full screen was never reached)"
elif wait_for 10 back_to_normal; then
    pass "Escape: the window has its normal size again ($(window_geometry))"
    screenshot "$E2E_TMP/restored.png"
    share=$(bright_share "$E2E_TMP/restored.png" "28x26+4+21")
    check "Escape: the toolbar is shown again" fcmp "$share" '>' 0.05
else
    fail "after Escape the geometry is $(window_geometry), not ${w0}x${h0}"
fi
# Escape outside full screen changes nothing, and the window stays open.
send_keys Escape Return
sleep 1
check "Escape and Return outside full screen leave the window as it is" back_to_normal
check "the program is still running" app_alive

finish
