# A still taken with F2 shows up selected in the thumbnail list; Delete from
# the list's right-click menu, confirmed in the real message box, moves the
# file away and empties the cell.
. "$(dirname "$0")/lib.sh"
e2e_setup
start_app

pictures() { ls -1 "$E2E_PICTURES" 2>/dev/null | grep -E '\.bmp$'; }
picture_count() { pictures | wc -l; }
count_is() { [ "$(picture_count)" -eq "$1" ]; }

# Regions in window coordinates, inside the first cell of the list for any
# menu bar up to 35 pixels high: its picture, and the strip just left of it
# where the selection frame is drawn.
CELL="14x30+22+130"
FRAME_EDGE="3x30+11+130"
CELL_CENTRE_X=50
CELL_CENTRE_Y=150

# Share of the pixels of a region that are clearly green.
green_share() {
    convert "$1" -crop "$2" +repage -fx '(g>0.45 && r<0.35 && b<0.35) ? 1 : 0' \
        -format '%[fx:mean]' info:
}

# A message box of the program (titled like the window, but not the window).
message_box() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$E2E_APP_PID" --name '^Tavolux$' 2>/dev/null); do
        [ "$w" = "$E2E_WIN" ] && continue
        echo "$w"
        return 0
    done
    return 1
}
has_message_box() { message_box >/dev/null; }

sleep 1
[ "$(picture_count)" -eq 0 ] || fail "the Picture folder is not empty at start"
screenshot "$E2E_TMP/before.png"
check "the first cell is empty at start" fcmp "$(bright_share "$E2E_TMP/before.png" "$CELL")" '<' 0.1

send_keys F2
wait_for 15 count_is 1 || die "F2 wrote $(picture_count) pictures instead of 1"
pass "F2 wrote a picture"
sleep 1
screenshot "$E2E_TMP/after.png"
[ -n "${E2E_SHOTS:-}" ] && cp "$E2E_TMP/after.png" "$E2E_SHOTS/file-list.png"
shown=$(bright_share "$E2E_TMP/after.png" "$CELL")
check "the new picture's thumbnail is in the first cell ($shown lit)" fcmp "$shown" '>' 0.3
frame=$(green_share "$E2E_TMP/after.png" "$FRAME_EDGE")
check "the first cell carries the selection frame ($frame green)" fcmp "$frame" '>' 0.2
check "no selection frame before" fcmp "$(green_share "$E2E_TMP/before.png" "$FRAME_EDGE")" '<' 0.05

# Right click on the thumbnail: the file menu; its third entry is Delete.
xdotool mousemove --window "$E2E_WIN" "$CELL_CENTRE_X" "$CELL_CENTRE_Y"
sleep 0.2
xdotool click 3
sleep 0.5
xdotool key --clearmodifiers Down Down Down Return
if wait_for 10 has_message_box; then
    pass "Delete asks first"
    check "the picture is still there while the question is open" count_is 1
    dismiss_dialog "$(message_box)"
    check "Return on the question deletes the picture" wait_for 10 count_is 0
else
    fail "Delete asked nothing"
fi
sleep 1
screenshot "$E2E_TMP/deleted.png"
check "the cell is empty again" fcmp "$(bright_share "$E2E_TMP/deleted.png" "$CELL")" '<' 0.1
trash="$XDG_DATA_HOME/Trash/files"
check "the picture went to the trash" [ "$(ls -1 "$trash" 2>/dev/null | grep -c '\.bmp$')" -eq 1 ]

finish
