# Every capture size is shown whole with its aspect kept (bars in the live
# panel's colour beside it, not a cut), and a line drawn over the view at 720 x 576 lands in the still on
# the micrometer marks it was drawn on.
. "$(dirname "$0")/lib.sh"
e2e_setup
start_app
sleep 1.5

cap="$E2E_PROG_DIR/CapConfig.dat"
cap_size() { python3 -c "
import struct, sys
d = open(sys.argv[1], 'rb').read()
print(*struct.unpack_from('<ii', d, 52))" "$cap" 2>/dev/null; }

read -r wx wy ww wh <<<"$(window_geometry)"
menu=$((wh - 610)) # the client area is 860 x 610 below the menu bar
vx=204             # the live view in the window's picture
vy=$((52 + menu))

# Mean brightness (0 … 1) of a part of the live view (view pixels).
view_mean() { # shot w h x y
    convert "$1" -crop "$2x$3+$((vx + $4))+$((vy + $5))" +repage -colorspace Gray \
        -format '%[fx:mean]' info:
}

# The average colour of a part of the live view, as RRGGBB.
view_colour() { # shot w h x y
    convert "$1" -crop "$2x$3+$((vx + $4))+$((vy + $5))" +repage -depth 8 -scale '1x1!' \
        -format '%[hex:u.p{0,0}]' info:
}
panel=1D242D # the live panel's colour (CClientArea::kPanelColour)

# 720 x 480 in a 640 x 480 view: 640 x 426 with bars above and below.
send_keys F12
wait_for 15 test "$(cap_size)" = "720 480" || die "F12 did not switch to 720 x 480"
sleep 1.5
shot="$E2E_TMP/ntsc.png"
screenshot "$shot"
check "a panel-coloured bar above the 720 x 480 picture ($(view_colour "$shot" 600 20 20 2))" \
    test "$(view_colour "$shot" 600 20 20 2)" = $panel
check "a panel-coloured bar below it ($(view_colour "$shot" 600 20 20 458))" \
    test "$(view_colour "$shot" 600 20 20 458)" = $panel
check "the picture fills the width to its right edge ($(view_mean "$shot" 4 300 634 90))" \
    fcmp "$(view_mean "$shot" 4 300 634 90)" '>' 0.3

# 720 x 576: the stored format of that size at the next start.
stop_app
python3 - "$cap" <<'PY'
import struct, sys
path = sys.argv[1]
d = bytearray(open(path, 'rb').read())
struct.pack_into('<ii', d, 52, 720, 576)
struct.pack_into('<I', d, 68, 720 * 576 * 2)
open(path, 'wb').write(bytes(d))
PY
start_app
sleep 1.5
sim_control "drift off"
sleep 1
shot="$E2E_TMP/pal.png"
screenshot "$shot"
check "panel-coloured bars beside the 720 x 576 picture ($(view_colour "$shot" 16 400 2 40), $(view_colour "$shot" 16 400 622 40))" \
    test "$(view_colour "$shot" 16 400 2 40)$(view_colour "$shot" 16 400 622 40)" = $panel$panel
check "the picture between them ($(view_mean "$shot" 560 400 40 40))" \
    fcmp "$(view_mean "$shot" 560 400 40 40)" '>' 0.3

# The simulated micrometer at 720 x 576, in picture pixels (the slide held
# still): 1 mm is 1000 x 60 / (63.49206349 x 10) pixels.
read -r ppm origin <<<"$(python3 -c "
import math
ppm = 1000 * 60.0 / (63.49206349 * 10)
length = max(0.5, math.floor(0.85 * 720 / ppm * 2) / 2)
print(ppm, (720 - length * ppm) / 2)")"
mark() { python3 -c "print($origin + $1 * $ppm)"; }
m1=$(mark 1.0)
m5=$(mark 5.0)
row=240 # picture row, above the scale's ticks
# Where a picture point is in the view: x 20 + x * 600 / 720, y * 480 / 576.
to_view_x() { python3 -c "print(int(round(20 + $1 * 600 / 720)))"; }
to_view_y() { python3 -c "print(int(round($1 * 480 / 576)))"; }

live_click() {
    xdotool mousemove $((wx + vx + $1)) $((wy + vy + $2))
    sleep 0.2
    xdotool click 1
    sleep 0.7 # slower than a double click
}
xdotool mousemove $((wx + 423 + 14)) $((wy + menu + 6 + 14)) click 1 # the line tool
sleep 0.4
live_click "$(to_view_x "$m1")" "$(to_view_y $row)"
live_click "$(to_view_x "$m5")" "$(to_view_y $row)"
live_click 300 420 # the label

pictures() { ls -1 "$E2E_PICTURES" 2>/dev/null | grep -E '\.bmp$'; }
send_keys F2
wait_for 15 test -n "$(pictures)" || die "F2 wrote no picture"
still="$E2E_PICTURES/$(pictures | head -n 1)"
sleep 0.5
read -r w h left right <<<"$(python3 - "$still" $row <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
off, = struct.unpack_from('<I', data, 10)
w, h = struct.unpack_from('<ii', data, 18)
stride = (w * 3 + 3) & ~3
xs = []
for y in range(int(sys.argv[2]) - 2, int(sys.argv[2]) + 3):
    row = off + (h - 1 - y) * stride
    for x in range(w):
        b, g, r = data[row + 3 * x:row + 3 * x + 3]
        if r > 200 and g < 60 and b < 60:
            xs.append(x)
print(w, h, min(xs) if xs else -1, max(xs) if xs else -1)
PY
)"
e2e_log "still ${w}x$h, red line from $left to $right, marks at $m1 and $m5"
check "the still is 720 x 576" [ "$w $h" = "720 576" ]
check "the line starts on the 1 mm mark ($left against $m1)" \
    fcmp "$(python3 -c "print(abs($left - $m1))")" '<=' 2
check "the line ends on the 5 mm mark ($right against $m5)" \
    fcmp "$(python3 -c "print(abs($right - $m5))")" '<=' 2
[ -n "${E2E_SHOTS:-}" ] && cp "$shot" "$E2E_SHOTS/live-720x576.png"
finish
