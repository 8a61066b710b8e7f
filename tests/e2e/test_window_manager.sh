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
sleep 1
start_app
sleep 1

read -r _ _ w0 h0 <<<"$(window_geometry)"
check "the first start opens at the smallest size (${w0}x${h0})" test "$w0" -eq 860 -a "$h0" -eq 629

# The picture's right half at the smallest size ends at x 844 of the window;
# grown, the picture reaches further.
xdotool windowsize --sync "$E2E_WIN" 1200 760 2>/dev/null || xdotool windowsize "$E2E_WIN" 1200 760
sleep 1.5
read -r _ _ w1 h1 <<<"$(window_geometry)"
check "the window takes the size the manager gives it (${w1}x${h1})" test "$w1" -ge 1150 -a "$h1" -ge 720
screenshot "$E2E_TMP/grown.png"
share=$(bright_share "$E2E_TMP/grown.png" "60x200+960+250")
check "the live picture grows with the window (bright share $share right of the old picture)" \
    fcmp "$share" '>' 0.5

wmctrl -i -r "$E2E_WIN" -b add,maximized_vert,maximized_horz
sleep 1.5
read -r _ _ wm_w wm_h <<<"$(window_geometry)"
check "maximised, the window fills the screen's width (${wm_w}x${wm_h})" test "$wm_w" -ge "$((E2E_SCREEN_W - 10))"
screenshot "$E2E_TMP/maximised.png"
share=$(bright_share "$E2E_TMP/maximised.png" "28x26+4+21")
check "maximised is not full screen: the toolbar is there (bright share $share)" fcmp "$share" '>' 0.05
wmctrl -i -r "$E2E_WIN" -b remove,maximized_vert,maximized_horz
sleep 1.5

xdotool windowsize "$E2E_WIN" 1000 700
sleep 1
read -r _ _ w2 h2 <<<"$(window_geometry)"
send_keys ctrl+q
wait_for 10 bash -c "! kill -0 $E2E_APP_PID 2>/dev/null" || fail "Ctrl+Q did not end the program"
start_app
sleep 1
read -r _ _ w3 h3 <<<"$(window_geometry)"
check "the next start opens at the size left (${w3}x${h3}, was ${w2}x${h2})" test "$w3" -eq "$w2" -a "$h3" -eq "$h2"

finish
