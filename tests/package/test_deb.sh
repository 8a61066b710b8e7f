#!/usr/bin/env bash
# Builds the Debian package from this build folder with cpack and checks it:
# control fields, the file list, and that the program unpacked from it runs
# (--version needs no display) and finds its read-only files in share/tavolux.
#   test_deb.sh <build folder> <source folder>
set -u
build=$1
src=$2
failures=0
pass() { printf '[package] PASS: %s\n' "$*"; }
fail() {
    printf '[package] FAIL: %s\n' "$*"
    failures=$((failures + 1))
}
check() {
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

if ! command -v dpkg-deb >/dev/null; then
    echo "[package] dpkg-deb is missing: nothing to check"
    exit 0
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

if ! (cd "$build" && cpack -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1); then
    cat "$tmp/cpack.log"
    fail "cpack writes the package"
    exit 1
fi
deb=$(ls "$tmp"/out/tavolux_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { fail "a tavolux_<version>_<arch>.deb"; exit 1; }
pass "cpack wrote $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
version=$(sed -n 's/^project(tavolux VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
check "Package is tavolux" test "$(field Package)" = tavolux
check "Version is the project's ($version)" test "$(field Version)" = "$version"
check "Architecture is this machine's" test "$(field Architecture)" = "$(dpkg --print-architecture)"
depends=$(field Depends)
for dep in gstreamer1.0-plugins-good gstreamer1.0-libav xdg-utils fonts-noto-cjk fonts-thai-tlwg \
    libqt6svg6 qt6-qpa-plugins; do
    check "Depends names $dep" grep -q "\b$dep\b" <<<"$depends"
done
# The long description is prose, not a CMake list joined with ";".
check "the description has no list separators" \
    bash -c '! dpkg-deb -f "$1" Description | grep -q ";"' _ "$deb"
# The linked libraries come from dpkg-shlibdeps, each with a version floor.
for lib in libqt6widgets6 libqt6openglwidgets6 libgstreamer1.0-0 libavcodec59 libjpeg62-turbo libudev1 \
    libc6; do
    check "Depends names $lib (from the linked libraries)" grep -q "\b$lib\b" <<<"$depends"
done

dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$tmp/files"
expect_file() { check "ships $1" grep -qx "$1" "$tmp/files"; }
expect_file /usr/bin/tavolux
expect_file /usr/share/applications/tavolux.desktop
expect_file /usr/share/metainfo/org.tavolux.Tavolux.metainfo.xml
expect_file /usr/share/icons/hicolor/scalable/apps/tavolux.svg
for n in 16 22 24 32 48 64 128 256; do
    expect_file "/usr/share/icons/hicolor/${n}x${n}/apps/tavolux.png"
done
expect_file /usr/lib/udev/rules.d/70-tavolux-microscope.rules
# The modules, loaded on first use from the library folder beside bin/.
ffmpeg=$(grep -E '^/usr/lib/([^/]+/)?tavolux/tavolux-ffmpeg\.so$' "$tmp/files" | head -n 1)
opencv=$(grep -E '^/usr/lib/([^/]+/)?tavolux/tavolux-opencv\.so$' "$tmp/files" | head -n 1)
check "ships the FFmpeg module under /usr/lib" test -n "$ffmpeg"
check "ships the OpenCV module under /usr/lib" test -n "$opencv"
expect_file /usr/share/tavolux/CalibrationIni.ini
for f in "$src"/resources/lang/*.ini "$src"/resources/manual/*.html; do
    expect_file "/usr/share/tavolux/$(basename "$f")"
done
# The manuals' pictures sit in images/ beside them.
for f in "$src"/resources/manual/images/*.png; do
    expect_file "/usr/share/tavolux/images/$(basename "$f")"
done
check "every picture a manual shows ships" bash -c '
    for m in "$1"/resources/manual/*.html; do
        grep -o "src=\"images/[^\"]*\"" "$m" | sed "s/^src=\"//; s/\"\$//" | while read -r p; do
            grep -qx "/usr/share/tavolux/$p" "$2" || { echo "$m shows $p"; exit 1; }
        done || exit 1
    done' _ "$src" "$tmp/files"
check "no build or test leftovers in the package" \
    bash -c "! grep -Eq '(_tests|gtest|\\.a|/include/)\$' '$tmp/files'"

# Into a throw-away root: the program runs from there.
dpkg-deb -x "$deb" "$tmp/root"
out=$(env -i PATH=/usr/bin:/bin HOME="$tmp/home" "$tmp/root/usr/bin/tavolux" --version 2>&1)
check "the unpacked program answers --version ($out)" grep -q "$version" <<<"$out"
check "the program links neither FFmpeg nor OpenCV itself" \
    bash -c '! ldd "$1" | grep -Eq "libavcodec|libopencv"' _ "$tmp/root/usr/bin/tavolux"
check "every library the FFmpeg module needs is found" \
    bash -c 'ldd "$1" | grep -q libavcodec && ! ldd "$1" | grep -q "not found"' _ "$tmp/root$ffmpeg"
check "every library the OpenCV module needs is found" \
    bash -c 'ldd "$1" | grep -q libopencv_video && ! ldd "$1" | grep -q "not found"' _ \
    "$tmp/root$opencv"
check "its language files are byte for byte those of the source tree" \
    cmp -s "$tmp/root/usr/share/tavolux/Japanese932.ini" "$src/resources/lang/Japanese932.ini"
if command -v desktop-file-validate >/dev/null; then
    check "the desktop entry is valid" \
        desktop-file-validate "$tmp/root/usr/share/applications/tavolux.desktop"
fi
if command -v appstreamcli >/dev/null; then
    check "the metainfo is valid" appstreamcli validate --no-net \
        "$tmp/root/usr/share/metainfo/org.tavolux.Tavolux.metainfo.xml"
fi

[ "$failures" -eq 0 ]
