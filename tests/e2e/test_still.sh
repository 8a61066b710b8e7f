# F2 and the microscope's own button save numbered BMP stills in the Picture
# folder; without a camera F2 saves nothing and says why.
. "$(dirname "$0")/lib.sh"
e2e_setup
start_app

name_re='^Still_[0-9]{4}-[0-9]{2}-[0-9]{2}_[0-9]{6}_60\.0X_N([0-9]{4,})\.bmp$'

pictures() { ls -1 "$E2E_PICTURES" 2>/dev/null | grep -E '\.bmp$' | sort; }
picture_count() { pictures | wc -l; }
count_is() { [ "$(picture_count)" -eq "$1" ]; }
# Waits until the file has stopped growing (it is written in one go, but on a
# loaded machine the check may see it half-written).
settled() {
    local a b
    a=$(stat -c %s "$1" 2>/dev/null) || return 1
    sleep 0.3
    b=$(stat -c %s "$1" 2>/dev/null) || return 1
    [ "$a" = "$b" ] && [ "$a" -gt 0 ]
}

# "magic bpp width height size" of a BMP, read from its headers.
bmp_info() {
    python3 - "$1" <<'PY'
import struct, sys
d = open(sys.argv[1], 'rb').read()
if len(d) < 54:
    print('short', len(d)); sys.exit()
magic = d[0:2].decode('latin-1')
file_size, = struct.unpack_from('<I', d, 2)
offset, = struct.unpack_from('<I', d, 10)
w, h = struct.unpack_from('<ii', d, 18)
bpp, = struct.unpack_from('<H', d, 28)
row = (w * 3 + 3) // 4 * 4
complete = len(d) >= offset + row * abs(h) and file_size == len(d)
print(magic, bpp, w, h, 'complete' if complete else 'truncated')
PY
}

check_still() {
    local file=$1 want_n=$2 base
    base=$(basename "$file")
    if [[ $base =~ $name_re ]]; then
        pass "name $base has the still pattern"
        check "counter of $base is $want_n" [ "$((10#${BASH_REMATCH[1]}))" -eq "$want_n" ]
    else
        fail "name $base does not have the still pattern"
    fi
    wait_for 10 settled "$file"
    local info
    info=$(bmp_info "$file")
    check "$base is a complete 24-bit 640 x 480 BMP ($info)" [ "$info" = "BM 24 640 480 complete" ]
}

# Let the live picture run first so there is a frame to keep.
sleep 1
[ "$(picture_count)" -eq 0 ] || fail "the Picture folder is not empty at start"

send_keys F2
if wait_for 15 count_is 1; then
    pass "F2 wrote one picture"
    check_still "$E2E_PICTURES/$(pictures | head -n 1)" 1
else
    fail "F2 wrote $(picture_count) pictures instead of 1"
fi

sim_control press
if wait_for 15 count_is 2; then
    pass "the microscope's button wrote a second picture"
    second=$(pictures | grep -E 'N0002\.bmp$' | head -n 1)
    if [ -n "$second" ]; then
        check_still "$E2E_PICTURES/$second" 2
    else
        fail "no picture with counter 2: $(pictures | tr '\n' ' ')"
    fi
else
    fail "the microscope's button gave $(picture_count) pictures instead of 2"
fi
# One press is one picture, not one per frame while the request stands.
sleep 2
check "one press gave exactly one picture" count_is 2

# Without a camera the window is not in the preview state.
sim_control unplug
sleep 2
no_dialog || fail "a dialog is open before F2"
send_keys F2
if wait_for 10 has_dialog; then
    pass "F2 without a camera shows a message"
    box=$(dialog_windows | head -n 1)
    dismiss_dialog "$box"
    check "Return closes the message" wait_for 10 no_dialog
else
    fail "F2 without a camera shows no message"
fi
sleep 1
check "F2 without a camera wrote no picture" count_is 2

finish
