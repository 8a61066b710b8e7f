# Without the microscope, another camera stands in: here the test cameras,
# whose frames take the path of real cameras. F2 saves a still of its
# picture; the Device menu switches cameras and sizes; a camera can be
# unplugged and plugged again.
. "$(dirname "$0")/lib.sh"
e2e_setup
export TAVOLUX_TEST_DEVICES="$E2E_FIFO"
E2E_APP_ARGS=""
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
# Its sizes: 640 x 480, 1920 x 1080, 2592 x 1944.
device_menu 4
sleep 3
send_keys F2
if wait_for 20 count_is 3; then
    check "a still from the second camera is 2592 x 1944" \
        wait_for 10 size_is "$(newest)" "2592 1944"
else
    fail "F2 on the second camera wrote no picture"
fi

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

finish
