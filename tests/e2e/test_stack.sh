# Focus stacking on the simulated slide with relief: a stack started with
# F6 keeps the frames of a hand-held focus sweep, stops by itself when the
# sweep has passed through the slide, and is saved as a new still (with its
# depth map and its frames, as the settings ask) that comes at least 6 dB
# nearer the truth than the best of its frames. A second stack, dropped as
# soon as its work has begun, leaves nothing behind (the stacker's own tests
# drop one in the middle of the fusion).
. "$(dirname "$0")/lib.sh"
e2e_setup
score_tool=${TAVOLUX_STACK_SCORE:-$(dirname "$E2E_BINARY")/tests/tavolux_stack_score}
[ -x "$score_tool" ] || die "the scoring tool is missing: $score_tool"
cat >>"$XDG_CONFIG_HOME/tavolux/settings.ini" <<'INI'
[Tavolux]
StackDepthMap=1
StackKeepFrames=1
INI
start_app

stills() { ls -1 "$E2E_PICTURES" 2>/dev/null | grep -E '^Still_.*_N[0-9]+\.bmp$' | sort; }
everything() { ls -1A "$E2E_PICTURES" 2>/dev/null | sort; }
still_count_is() { [ "$(stills | wc -l)" -eq "$1" ]; }

# Below the lowest part of the slide: everything soft.
sim_control "focus at -40"
sleep 1
sim_control "truth $E2E_TMP/truth.png"
wait_for 20 test -s "$E2E_TMP/truth.png" || die "the simulated microscope wrote no truth"

send_keys F6
# A slow turn, as the manual asks for. The simulated microscope blurs every
# frame of a sweep afresh and, on a busy machine, gives fewer frames a second
# than its rate; a slow turn keeps its frames closer together in focus.
sim_control "focus sweep -40 220 10"
# The sweep is over after 10 s; the stack stops by itself once the slide
# has passed through focus, then aligns and fuses.
if wait_for 40 still_count_is 1; then
    pass "the stack stopped by itself and wrote a still"
else
    fail "no stacked still appeared (the stack did not stop by itself?)"
    send_keys F6
    wait_for 20 still_count_is 1 || die "no stacked still even after F6"
fi
still="$E2E_PICTURES/$(stills | head -n 1)"
stem="${still%.bmp}"
check "the depth map is beside the still" test -s "${stem}_depth.bmp"
frames=("$stem frames"/frame_*.png)
check "the source frames were kept (${#frames[@]})" [ "${#frames[@]}" -ge 5 ]

scores=$(timeout 120 "$score_tool" "$E2E_TMP/truth.png" "$still" "${frames[@]}")
e2e_log "scores: $(tr '\n' ' ' <<<"$scores")"
stacked=$(awk '/^stacked/{print $2}' <<<"$scores")
best=$(awk '/^best/{print $2}' <<<"$scores")
if [ -n "$stacked" ] && [ -n "$best" ]; then
    gain=$(python3 -c "print(f'{$stacked - $best:.2f}')")
    check "the stack is $gain dB nearer the truth than its best frame (6 dB wanted)" \
        fcmp "$gain" '>=' 6
else
    fail "the still could not be scored"
fi
[ -n "${E2E_SHOTS:-}" ] && cp "$still" "$E2E_SHOTS/stack-still.bmp"

# A second stack, stopped during the sweep and dropped at once while its
# frames are worked on: the second F6 stops the sweep, the third drops the work.
before=$(everything)
sim_control "focus at -40"
sleep 1
send_keys F6
sim_control "focus sweep -40 100 3"
sleep 3.5
xdotool windowfocus --sync "$E2E_WIN" 2>/dev/null
xdotool key --clearmodifiers F6 F6
sleep 3
check "the dropped stack wrote nothing" [ "$(everything)" = "$before" ]
check "no message was shown for it" no_dialog
check "the program still runs" app_alive

finish
