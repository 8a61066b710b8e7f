# Under a real window manager (openbox) the window behaves as a desktop
# window: it can be resized and maximised, the live picture grows with it and
# keeps its shape, maximising is not full screen, and the next start opens at
# the size it was left at.
. "$(dirname "$0")/lib.sh"
e2e_setup
command -v openbox >/dev/null || die "openbox is missing (scripts/setup installs it)"
command -v wmctrl >/dev/null || die "wmctrl is missing (scripts/setup installs it)"
openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null; e2e_cleanup' EXIT
# The manager owns the screen once it has set its supporting window.
wait_for 10 bash -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    die "openbox did not start"
start_app

read -r _ _ w0 h0 <<<"$(window_geometry)"
check "the first start opens at the smallest size (${w0}x${h0})" test "$w0" -eq 860 -a "$h0" -eq 629

# The picture's right half at the smallest size ends at x 844 of the window;
# grown, the picture reaches further.
size_at_least() {
    local w h
    read -r _ _ w h <<<"$(window_geometry)"
    [ "$w" -ge "$1" ] && [ "$h" -ge "$2" ]
}
size_is() {
    local w h
    read -r _ _ w h <<<"$(window_geometry)"
    [ "$w" -eq "$1" ] && [ "$h" -eq "$2" ]
}
xdotool windowsize "$E2E_WIN" 1200 760
wait_for 10 size_at_least 1150 720
read -r _ _ w1 h1 <<<"$(window_geometry)"
check "the window takes the size the manager gives it (${w1}x${h1})" test "$w1" -ge 1150 -a "$h1" -ge 720
# Right of where the picture ended at the smallest size.
picture_grown() {
    screenshot "$E2E_TMP/grown.png"
    fcmp "$(bright_share "$E2E_TMP/grown.png" "60x200+960+250")" '>' 0.5
}
check "the live picture grows with the window" wait_for 5 picture_grown

wmctrl -i -r "$E2E_WIN" -b add,maximized_vert,maximized_horz
wait_for 10 size_at_least "$((E2E_SCREEN_W - 10))" 0
read -r _ _ wm_w wm_h <<<"$(window_geometry)"
check "maximised, the window fills the screen's width (${wm_w}x${wm_h})" test "$wm_w" -ge "$((E2E_SCREEN_W - 10))"
toolbar_shown() {
    screenshot "$E2E_TMP/maximised.png"
    fcmp "$(bright_share "$E2E_TMP/maximised.png" "28x26+4+21")" '>' 0.05
}
check "maximised is not full screen: the toolbar is there" wait_for 5 toolbar_shown
wmctrl -i -r "$E2E_WIN" -b remove,maximized_vert,maximized_horz
wait_for 10 bash -c "! xprop -id $E2E_WIN _NET_WM_STATE | grep -q MAXIMIZED"

xdotool windowsize "$E2E_WIN" 1000 700
wait_for 10 size_is 1000 700
read -r _ _ w2 h2 <<<"$(window_geometry)"
send_keys ctrl+q
wait_for 10 bash -c "! kill -0 $E2E_APP_PID 2>/dev/null" || fail "Ctrl+Q did not end the program"
start_app
read -r _ _ w3 h3 <<<"$(window_geometry)"
check "the next start opens at the size left (${w3}x${h3}, was ${w2}x${h2})" test "$w3" -eq "$w2" -a "$h3" -eq "$h2"

finish
