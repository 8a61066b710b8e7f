# FIFOs in place of the files read at start-up (settings.ini, CapConfig.dat,
# CalibrationIni.ini, filepath.dat) must not hold the program up: the window
# appears, and each FIFO is left as it was.
. "$(dirname "$0")/lib.sh" "$@"
e2e_setup

settings="$XDG_CONFIG_HOME/tavolux/settings.ini"
fifos=("$settings" "$E2E_PROG_DIR/CapConfig.dat" "$E2E_PROG_DIR/CalibrationIni.ini"
    "$E2E_PROG_DIR/filepath.dat")
for f in "${fifos[@]}"; do
    rm -f "$f"
    mkfifo "$f" || die "could not make the FIFO $f"
done

# Should a read block anyway, opening each FIFO for writing wakes it, so the
# test ends with a failure rather than a hang.
release_fifos() {
    local f
    for f in "${fifos[@]}"; do
        [ -p "$f" ] && timeout 1 bash -c ': >"$1"' _ "$f" 2>/dev/null
    done
}

(cd "$E2E_PROG_DIR" && exec ./tavolux --simulate) >"$E2E_TMP/tavolux.log" 2>&1 &
E2E_APP_PID=$!
if wait_for 20 e2e_find_main_window; then
    pass "the main window appears with FIFOs in place of the start-up files"
else
    fail "no main window within 20 s: start-up blocked on a FIFO"
    release_fifos
    release_fifos
fi

for f in "${fifos[@]}"; do
    check "$(basename "$f") is still a FIFO" test -p "$f"
done
if grep -q "settings.ini is not a regular file" "$E2E_TMP/tavolux.log"; then
    pass "the log says the settings are kept for this run only"
else
    fail "the log does not mention the settings file"
fi

finish
