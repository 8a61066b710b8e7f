# Without the microscope, another camera stands in: here the test cameras,
# whose frames take the path of real cameras. F2 saves a still of its
# picture; the Device menu switches cameras and sizes; a camera can be
# unplugged and plugged again, its button takes stills, and a recording at
# 2592 x 1944 plays back.
. "$(dirname "$0")/lib.sh"
e2e_setup
export TAVOLUX_TEST_DEVICES="$E2E_FIFO"
E2E_APP_ARGS=""

# What a user attaches to a bug report, printed without a window.
listing=$(cd "$E2E_PROG_DIR" && DISPLAY= timeout 20 ./tavolux --list-devices 2>/dev/null)
e2e_log "--list-devices: $(echo "$listing" | tr '\n' '|')"
listing_has() { [[ $listing == *"$1"* ]]; }
check "--list-devices lists the first test camera with its identity, button and formats" \
    listing_has $'Test UVC Microscope HD\n  identity: test:uvc-hd\n  snapshot button: found\n  MJPG 1920x1080 @ 30\n  MJPG 1280x720 @ 30\n  YUY2 640x480 @ 30\n  YUY2 1280x720 @ 10\n'
check "--list-devices lists the second test camera's largest size" \
    listing_has $'\n  MJPG 2592x1944 @ 15, 5\n'
decoder_named() { [[ $listing =~ $'\n'"JPEG decoder: "[a-z0-9_]+$ ]]; }
check "--list-devices ends with the JPEG decoder's name" decoder_named

start_app

pictures() { ls -1 "$E2E_PICTURES" 2>/dev/null | grep -E '\.bmp$' | sort; }
count_is() { [ "$(pictures | wc -l)" -eq "$1" ]; }
# "width height" of a BMP once it is complete.
bmp_size() {
    python3 - "$1" <<'PY'
import struct, sys
d = open(sys.argv[1], 'rb').read()
if len(d) >= 54:
    w, h = struct.unpack_from('<ii', d, 18)
    off, = struct.unpack_from('<I', d, 10)
    if len(d) >= off + (w * 3 + 3) // 4 * 4 * abs(h):
        print(w, abs(h))
PY
}
size_is() { [ "$(bmp_size "$1")" = "$2" ]; }

sleep 1
send_keys F2
if wait_for 15 count_is 1; then
    first="$E2E_PICTURES/$(pictures | head -n 1)"
    check "the still is 640 x 480 from the camera's raw format" wait_for 10 size_is "$first" "640 480"
else
    fail "F2 with the test camera wrote $(pictures | wc -l) pictures instead of 1"
fi

# The Device menu lists both cameras, then the current one's sizes, the
# smallest first: 640 x 480, 1280 x 720, 1920 x 1080.
device_menu() {
    send_keys alt+d
    sleep 0.5
    local i
    for ((i = 0; i < $1; i++)); do send_keys Down; done
    send_keys Return
}
newest() { echo "$E2E_PICTURES/$(pictures | tail -n 1)"; }

device_menu 4
sleep 2
send_keys F2
if wait_for 20 count_is 2; then
    check "a still after choosing 1920 x 1080 is 1920 x 1080 (decoded from JPEG)" \
        wait_for 10 size_is "$(newest)" "1920 1080"
else
    fail "F2 after the size change wrote no picture"
fi

# The other camera, remembered by its identity.
device_menu 1
settings="$XDG_CONFIG_HOME/tavolux/settings.ini"
check "the choice is remembered" wait_for 10 grep -q 'Camera=test:uvc-5mp' "$settings"
# Its sizes: 640 x 480, 1920 x 1080, 2592 x 1944 @ 15 and 2592 x 1944 @ 5.
device_menu 4
sleep 3
send_keys F2
if wait_for 20 count_is 3; then
    check "a still from the second camera is 2592 x 1944" \
        wait_for 10 size_is "$(newest)" "2592 1944"
else
    fail "F2 on the second camera wrote no picture"
fi

# Its largest size comes at each of its rates, 15 and 5 frames a second; the
# rate chosen is kept with the size (width and frame time in CapConfig.dat).
cap_config_is() {
    python3 - "$E2E_PROG_DIR/CapConfig.dat" "$1" "$2" <<'PY'
import struct, sys
d = open(sys.argv[1], 'rb').read()
sys.exit(0 if len(d) == 88 and struct.unpack_from('<qIi', d, 40)[::2] == (int(sys.argv[3]), int(sys.argv[2])) else 1)
PY
}
device_menu 5
check "choosing 2592 x 1944 @ 5 keeps that rate with the size" wait_for 10 cap_config_is 2592 2000000
device_menu 4
check "and back at 15 a second" wait_for 10 cap_config_is 2592 666666

sim_control "unplug uvc-5mp"
sleep 2
check "the program survives the camera leaving" app_alive
sim_control "plug uvc-5mp"
sleep 3
send_keys F2
check "after plugging it in again F2 saves a still" wait_for 20 count_is 4
check "the camera that came back is the remembered one, at its size" \
    wait_for 10 size_is "$(newest)" "2592 1944"

# Its snapshot button takes a still too.
sim_control "press uvc-5mp"
check "the camera's button saves a still" wait_for 20 count_is 5

# A recording at the camera's largest size plays back at that size.
videos_dir="$HOME/Documents/Orvanti files/Video"
video_count() { ls -1 "$videos_dir" 2>/dev/null | grep -cE '\.avi$'; }
avi_width() {
    python3 - "$1" <<'PY'
import struct, sys
d = open(sys.argv[1], 'rb').read(4096)
i = d.find(b'strf')
print(struct.unpack_from('<i', d, i + 12)[0] if i >= 0 else 0)
PY
}
send_keys F3
sleep 3
send_keys F4
if wait_for 20 [ "$(video_count)" -eq 1 ]; then
    video="$videos_dir/$(ls -1 "$videos_dir" | grep -E '\.avi$' | head -n 1)"
    sleep 1
    check "the recording is 2592 pixels wide" [ "$(avi_width "$video")" = 2592 ]
    probe=${TAVOLUX_AVI_PROBE:-}
    if [ -x "$probe" ]; then
        out=$("$probe" "$video" 2>&1)
        rc=$?
        e2e_log "probe: $(echo "$out" | tr '\n' ' ')"
        check "the recording plays through in FFmpeg and GStreamer" [ "$rc" -eq 0 ]
        frames=$(echo "$out" | grep '^ffmpeg ' | cut -d' ' -f2)
        check "the recording holds frames ($frames)" [ "${frames:-0}" -gt 0 ]
    else
        fail "no AVI probe (TAVOLUX_AVI_PROBE)"
    fi
else
    fail "F3 and F4 on the test camera gave $(video_count) recordings instead of 1"
fi

finish
