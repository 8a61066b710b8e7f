#!/usr/bin/env bash
# The layer check must catch a header of the composition root included from
# the imaging library, a widget used below ui/, and a message shown below ui/.
set -u
src="$1"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/imaging" "$tree/app" "$tree/capture"
printf '#include "app/application.h"\n' >"$tree/imaging/planted.cpp"
printf '#include <QDialog>\n' >"$tree/capture/planted.h"
mkdir -p "$tree/session" "$tree/measure"
printf 'void F() {\n    prompts().Message(t, x, Prompts::Icon::Warning);\n}\n' >"$tree/session/planted.cpp"
printf '// QMessageBox would be wrong here.\nvoid G(Prompts& p) { p.Message(t, x, i); }\n' >"$tree/measure/planted.cpp"
out=$(bash "$src/scripts/check-layers" "$tree") && { echo "the planted includes passed"; exit 1; }
grep -q 'imaging/planted.cpp:1: imaging may not include "app/application.h"' <<<"$out" || { echo "$out"; exit 1; }
grep -q 'capture/planted.h:1:.*must not use Qt Widgets' <<<"$out" || { echo "$out"; exit 1; }
grep -q 'session/planted.cpp:2:.*must not show messages' <<<"$out" || { echo "$out"; exit 1; }
grep -q 'measure/planted.cpp:2:.*must not show messages' <<<"$out" || { echo "$out"; exit 1; }
grep -q 'measure/planted.cpp:1:' <<<"$out" && { echo "a comment was taken for a call: $out"; exit 1; }
# And the real tree holds.
bash "$src/scripts/check-layers" "$src"
