# F12 and F11 switch the capture size, and CapConfig.dat in the program
# folder follows: an 88-byte video-info header whose picture header holds
# the width at byte 52 and the height at byte 56.
. "$(dirname "$0")/lib.sh"
e2e_setup
start_app

cap="$E2E_PROG_DIR/CapConfig.dat"

# "size width height" of the stored format, or nothing when unreadable.
cap_format() {
    [ -f "$cap" ] || return 1
    python3 - "$cap" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
if len(data) >= 60:
    size, w, h = struct.unpack_from('<Iii', data, 48)
    print(len(data), size, w, h)
else:
    print(len(data), 0, 0, 0)
PY
}

cap_is() { [ "$(cap_format)" = "$1" ]; }

send_keys F12
if wait_for 15 cap_is "88 40 720 480"; then
    pass "after F12 CapConfig.dat is 88 bytes with 720 x 480"
else
    fail "after F12 CapConfig.dat holds: $(cap_format || echo 'no file')"
fi

send_keys F11
if wait_for 15 cap_is "88 40 640 480"; then
    pass "after F11 CapConfig.dat is 88 bytes with 640 x 480"
else
    fail "after F11 CapConfig.dat holds: $(cap_format || echo 'no file')"
fi

# The live picture keeps coming at the new size.
sleep 1
screenshot "$E2E_TMP/after.png"
share=$(bright_share "$E2E_TMP/after.png" "$E2E_LIVE_CROP")
check "live picture still shown after the switches (bright share $share)" fcmp "$share" '>' 0.5

finish
