# The picture list shows every picture the program can open, newest first by
# the number in its name: BMPs of 8, 24 and 32 bits and one larger than the
# thumbnail area, a JPEG and a PNG, and a file with no picture in it as a
# cell with its name. A new still comes to the top even when the list was
# scrolled down, and a restart lists everything the same way. A listed
# picture or recording replaced by a FIFO behind the program's back stops
# nothing: stills and recordings go on, other thumbnails still come, and the
# program closes.
. "$(dirname "$0")/lib.sh"
e2e_setup

VIDEOS="$HOME/Documents/Orvanti files/Video"
mkdir -p "$E2E_PICTURES" "$VIDEOS"

# Pictures of one colour each, written by hand.
python3 - "$E2E_PICTURES" <<'EOF'
import os, struct, sys
folder = sys.argv[1]

def write(name, info, palette, rows):
    pixels = b"".join(rows)
    off = 14 + len(info) + len(palette)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", off + len(pixels), 0, 0, off) + info + palette + pixels)

def info(w, h, bits, colours=0):
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, 0, 2835, 2835, colours, 0)

def bmp24(name, w, h, rgb):
    stride = (w * 3 + 3) & ~3
    row = bytes([rgb[2], rgb[1], rgb[0]]) * w + b"\0" * (stride - 3 * w)
    write(name, info(w, h, 24), b"", [row] * h)

def bmp8(name, w, h, rgb):
    palette = b"\0\0\0\0" + bytes([rgb[2], rgb[1], rgb[0], 0]) + b"\0\0\0\0" * 254
    stride = (w + 3) & ~3
    write(name, info(w, h, 8, 256), palette, [b"\x01" * w + b"\0" * (stride - w)] * h)

def bmp32(name, w, h, rgb):
    write(name, info(w, h, 32), b"", [bytes([rgb[2], rgb[1], rgb[0], 0]) * w] * h)

stamp = "Still_2024-05-01_1201%02d_60X_N%04d.bmp"
for n in range(1, 9):
    bmp24(stamp % (n, n), 64, 48, (255, 128, 0))  # older pictures: orange
bmp24(stamp % (1, 101), 64, 48, (255, 0, 0))
bmp8(stamp % (2, 102), 64, 48, (0, 255, 0))
bmp32(stamp % (3, 103), 64, 48, (0, 0, 255))
bmp24(stamp % (4, 104), 1400, 1300, (255, 255, 0))  # more than the 5 MiB area
with open(os.path.join(folder, stamp % (7, 107)), "wb") as f:
    f.write(os.urandom(300))  # no picture in it
EOF
convert -size 64x48 'xc:rgb(255,0,255)' "$E2E_PICTURES/Still_2024-05-01_120105_60X_N0105.JPG"
convert -size 64x48 'xc:rgb(0,255,255)' "$E2E_PICTURES/Still_2024-05-01_120106_60X_N0106.png"
# Modification times against the numbers: the order must come from the names.
n=0
for f in $(ls "$E2E_PICTURES" | sort -r); do
    touch -d "2024-01-01 00:00:$(printf %02d $n)" "$E2E_PICTURES/$f"
    n=$((n + 1))
done

start_app
sleep 2

# Cell i of the list in window coordinates (any menu bar up to 35 pixels):
# a strip in its upper left part, clear of the unsaved mark.
cell_crop() { echo "14x30+$((22 + 79 * ($1 % 2)))+$((130 + 80 * ($1 / 2)))"; }
# The whole inside of cell i, for comparing pictures.
cell_inside() { echo "60x40+$((20 + 79 * ($1 % 2)))+$((126 + 80 * ($1 / 2)))"; }
mean_rgb() {
    convert "$1" -crop "$2" +repage -format '%[fx:mean.r] %[fx:mean.g] %[fx:mean.b]' info:
}
# is_colour shot cell r g b: the cell's strip is that colour (0..1 each).
is_colour() {
    read -r r g b <<<"$(mean_rgb "$1" "$(cell_crop "$2")")"
    python3 -c "import sys; sys.exit(0 if max(abs($r-$3), abs($g-$4), abs($b-$5)) < 0.12 else 1)"
}
# The named cell of a file with no picture: mostly its plain grey-blue.
is_named_cell() {
    local share
    share=$(convert "$1" -crop "$(cell_crop "$2")" +repage \
        -fx '(abs(r-0.275)<0.05 && abs(g-0.298)<0.05 && abs(b-0.337)<0.05) ? 1 : 0' \
        -format '%[fx:mean]' info:)
    fcmp "$share" '>' 0.3
}
is_lit() { fcmp "$(bright_share "$1" "$(cell_crop "$2")")" '>' 0.3; }

screenshot "$E2E_TMP/start.png"
check "cell 0: the newest, a file with no picture, named" is_named_cell "$E2E_TMP/start.png" 0
check "cell 1: the PNG" is_colour "$E2E_TMP/start.png" 1 0 1 1
check "cell 2: the JPEG saved by Photo Measure" is_colour "$E2E_TMP/start.png" 2 1 0 1
check "cell 3: the BMP larger than the thumbnail area" is_colour "$E2E_TMP/start.png" 3 1 1 0
check "cell 4: the 32-bit BMP" is_colour "$E2E_TMP/start.png" 4 0 0 1
check "cell 5: the 8-bit BMP" is_colour "$E2E_TMP/start.png" 5 0 1 0
check "cell 6: the 24-bit BMP" is_colour "$E2E_TMP/start.png" 6 1 0 0
check "cell 7: an older picture" is_colour "$E2E_TMP/start.png" 7 1 0.5 0

bmps() { find "$E2E_PICTURES" -maxdepth 1 -type f -name '*.bmp' | wc -l; }
bmps_are() { [ "$(bmps)" -eq "$1" ]; }

# Scrolled down, the next still still comes to the top, selected.
xdotool mousemove --window "$E2E_WIN" 90 300
for i in 1 2 3 4; do
    xdotool click 5
    sleep 0.2
done
sleep 0.5
screenshot "$E2E_TMP/scrolled.png"
# Fifteen pictures in eight rows, six shown: the wheel stops two rows down,
# with the last row in sight.
check "the wheel scrolled the list to its end" is_colour "$E2E_TMP/scrolled.png" 0 0 0 1
check "the oldest picture is in the last row" is_colour "$E2E_TMP/scrolled.png" 10 1 0.5 0
send_keys F2
wait_for 15 bmps_are 14 || die "F2 wrote no picture"
sleep 1
send_keys F2
wait_for 15 bmps_are 15 || die "the second F2 wrote no picture"
sleep 1
screenshot "$E2E_TMP/stills.png"
check "the newest still is at the top" is_lit "$E2E_TMP/stills.png" 0
check "the still before it is next" is_lit "$E2E_TMP/stills.png" 1
check "then the file with no picture" is_named_cell "$E2E_TMP/stills.png" 2
check "then the PNG" is_colour "$E2E_TMP/stills.png" 3 0 1 1
for i in 0 1 2 3 4 5; do
    convert "$E2E_TMP/stills.png" -crop "$(cell_inside $i)" +repage "$E2E_TMP/before-$i.png"
done

# After a restart the list is the same, cell for cell.
stop_app
start_app
sleep 2
screenshot "$E2E_TMP/restarted.png"
same=0
for i in 0 1 2 3 4 5; do
    convert "$E2E_TMP/restarted.png" -crop "$(cell_inside $i)" +repage "$E2E_TMP/after-$i.png"
    diff=$(compare -metric AE "$E2E_TMP/before-$i.png" "$E2E_TMP/after-$i.png" null: 2>&1)
    [ "${diff%% *}" = 0 ] && same=$((same + 1))
done
check "after a restart the first six cells show the same pictures ($same of 6)" [ "$same" -eq 6 ]

# A listed picture replaced by a FIFO: the next still is taken and shown,
# and so is the one after it.
png="$E2E_PICTURES/Still_2024-05-01_120106_60X_N0106.png"
rm -f "$png"
mkfifo "$png"
send_keys F2
check "F2 still takes a picture with a FIFO in the list" wait_for 15 bmps_are 16
sleep 1
send_keys F2
check "and the next one" wait_for 15 bmps_are 17
sleep 1
screenshot "$E2E_TMP/fifo.png"
check "the new still is shown at the top" is_lit "$E2E_TMP/fifo.png" 0
check "the FIFO is a named cell" is_named_cell "$E2E_TMP/fifo.png" 5

# A listed recording replaced by a FIFO: the next recording's thumbnail
# still comes, and the program closes.
avis() { find "$VIDEOS" -maxdepth 1 -type f -name '*.avi' | wc -l; }
avis_are() { [ "$(avis)" -eq "$1" ]; }
read -r wx wy ww wh <<<"$(window_geometry)"
menu=$((wh - 610))
send_keys F3
sleep 2
send_keys F4
wait_for 15 avis_are 1 || die "F3, F4 gave no recording"
first=$(find "$VIDEOS" -maxdepth 1 -type f -name '*.avi' | head -n 1)
sleep 1
rm -f "$first"
mkfifo "$first"
xdotool mousemove --window "$E2E_WIN" 95 $((menu + 61)) click 1
sleep 1
send_keys F3
sleep 2
send_keys F4
check "a recording is made with a FIFO in the video list" wait_for 15 avis_are 1
lit_video() {
    screenshot "$E2E_TMP/videos.png"
    is_lit "$E2E_TMP/videos.png" 0
}
check "the new recording's first frame is shown" wait_for 10 lit_video
check "the FIFO is a named cell" is_named_cell "$E2E_TMP/videos.png" 1

# Closed as a window manager would close it (WM_DELETE_WINDOW).
python3 - "$E2E_WIN" <<'EOF'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]
class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]
d = x.XOpenDisplay(None)
e = Event()
e.xclient.type = 33  # ClientMessage
e.xclient.window = int(sys.argv[1])
e.xclient.message_type = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
e.xclient.format = 32
e.xclient.data[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(d, int(sys.argv[1]), 0, 0, ctypes.byref(e))
x.XFlush(d)
EOF
app_gone() { ! app_alive; }
if wait_for 15 app_gone; then
    pass "the program closes"
    E2E_APP_PID=""
else
    fail "the program did not close within 15 s"
fi
finish
