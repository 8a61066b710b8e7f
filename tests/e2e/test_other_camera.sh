# Without the microscope, another camera stands in: here the test cameras,
# whose frames take the path of real cameras. F2 saves a still of its
# picture; it can be unplugged and plugged again.
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

sim_control "unplug uvc-hd"
sleep 2
check "the program survives the camera leaving" app_alive
sim_control "plug uvc-hd"
sleep 3
send_keys F2
check "after plugging it in again F2 saves a second still" wait_for 20 count_is 2

finish
