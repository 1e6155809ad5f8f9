#!/bin/sh
# Pictures of the Windows program's two windows for docs/: the condition dialog filled as a run
# over the sample books fills it (at 96 and at 144 DPI), and the progress window at 40 per cent;
# then kcbooks.exe's import window and kcoffice.exe's window, each as a drop opens it.
#
#   screenshots.sh BUILD-DIR [OUT-DIR]      (OUT-DIR: docs by default)
#
# BUILD-DIR is the Windows build (its wine-run, its prefix and kc_show_windows.exe). The windows
# are shown on an X server of this script's own, inside a Wine virtual desktop (Wine then draws
# the frames and captions itself, as Windows does), and each picture is cropped to its window.
# Needs Xvfb, xdotool and imagemagick's import.
set -eu
. "$(cd "$(dirname "$0")" && pwd)/../../lib/wine.sh"

build=${1:?usage: screenshots.sh BUILD-DIR [OUT-DIR]}
out=${2:-docs}
build=$(cd "$build" && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)

run="$build/wine-run"
show="$build/tests/host/win32/kc_show_windows.exe"
for needed in "$run" "$show"; do
    [ -e "$needed" ] || { echo "screenshots.sh: $needed is missing: build kc_show_windows first" >&2; exit 1; }
done
for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null || { echo "screenshots.sh: $tool is not installed" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=""
show_pid=""
cleanup() {
    if [ -n "$show_pid" ]; then
        kill "$show_pid" 2>/dev/null || true
    fi
    # The persistent wineserver of the prefix would outlive the script and keep the next test
    # run waiting for it.
    WINEPREFIX="$build/wineprefix" wineserver -k >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

start_display 150 screenshots.sh

# One wineserver for the whole script; the templates' font name maps to the IPA font.
WINEPREFIX="$build/wineprefix" wineserver -p >/dev/null 2>&1 || true
"$run" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
    /v 'ＭＳ Ｐゴシック' /t REG_SZ /d IPAPGothic /f >/dev/null 2>&1

# A path of this machine as Wine's Z: drive names it.
windows_path() { printf 'Z:%s' "$1" | tr '/' '\134'; }

# shoot NAME.png ARGUMENTS...: shows a window with kc_show_windows, on a virtual desktop of its
# own, and saves it cropped to the window.
shot=0
shoot() {
    picture=$1
    shift
    shot=$((shot + 1))
    geometry="$work/$shot.geometry"
    done_file="$work/$shot.done"
    desktop="kcshots$display-$shot"
    "$run" explorer "/desktop=$desktop,1024x768" "$(windows_path "$show")" "$@" --seconds 60 \
        --geometry "$(windows_path "$geometry")" --close-when "$(windows_path "$done_file")" \
        >"$work/$shot.log" 2>&1 &
    show_pid=$!
    tries=0
    until [ -s "$geometry" ]; do
        tries=$((tries + 1))
        if [ "$tries" -ge 600 ] || ! kill -0 "$show_pid" 2>/dev/null; then
            echo "screenshots.sh: the window for $picture did not appear" >&2
            cat "$work/$shot.log" >&2
            exit 1
        fi
        sleep 0.1
    done
    window=$(xdotool search --name "^$desktop" | head -n 1)
    [ -n "$window" ] || { echo "screenshots.sh: no Wine desktop window on $DISPLAY" >&2; exit 1; }
    # The keyboard focus makes the window the active one, with an active caption.
    xdotool windowfocus "$window" 2>/dev/null || true
    sleep 1  # let it paint
    import -window "$window" -crop "$(cat "$geometry")" +repage "$out/$picture"
    echo "$out/$picture: $(cut -d+ -f1 "$geometry") pixels"
    touch "$done_file"
    wait "$show_pid" || true
    show_pid=""
}

shoot condition-dialog.png condition \
    --company ' 株式会社さくら製作所' --period ' 2025/04/01～2026/03/31' \
    --start 4 --end 3 --path 'C:\Users\yamada\Documents\決算書\さくら製作所_2026.xml'
shoot progress-window.png progress --position 4000

# The dialog again as a screen of 144 DPI shows it (150 % scale), then the prefix back at 96.
set_dpi() {
    "$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
set_dpi 144
shoot condition-dialog-144dpi.png condition \
    --company ' 株式会社さくら製作所' --period ' 2025/04/01～2026/03/31' \
    --start 4 --end 3 --path 'C:\Users\yamada\Documents\決算書\さくら製作所_2026.xml'
set_dpi 96

# kcbooks.exe's import window once the sample books were dropped on it and imported (取り込む
# has the focus: Enter presses it), at 96 and at 144 DPI. The program runs from a layout of its
# own beside an edition folder, as the packages lay it out. The window is cut out of the desktop
# around it, which is one colour.
# It lies on the prefix's C: drive, so that the paths shown are a user's (C:\決算書link\…).
source=$(cd "$(dirname "$0")/../../.." && pwd)
layout="$build/wineprefix/drive_c/決算書link"
rm -rf "$layout"
mkdir -p "$layout/kcsakura"
cp "$build/dist/kcbooks.exe" "$layout/"
cp "$build/dist/kcsakura/ZezavareDef.ini" "$layout/kcsakura/"
printf '[Books]\r\n' >"$layout/kcsakura/kcbooks.ini"
cp -r "$source/examples/sample-books" "$layout/サンプル帳簿"
shoot_import() {
    picture=$1
    shot=$((shot + 1))
    desktop="kcshots$display-$shot"
    store="$layout/サンプル帳簿.books"
    rm -f "$store"
    "$run" explorer "/desktop=$desktop,1024x768" 'C:\決算書link\kcbooks.exe' \
        'C:\決算書link\サンプル帳簿' >"$work/$shot.log" 2>&1 &
    show_pid=$!
    tries=0
    window=""
    until [ -n "$window" ]; do
        tries=$((tries + 1))
        [ "$tries" -lt 300 ] || { echo "screenshots.sh: no window for $picture" >&2; exit 1; }
        sleep 0.1
        window=$(xdotool search --name "^$desktop" 2>/dev/null | head -n 1) || true
    done
    sleep 3  # the window opens and finds the books
    xdotool windowfocus "$window" 2>/dev/null || true
    sleep 0.5
    xdotool key Return
    tries=0
    until [ -s "$store" ]; do
        tries=$((tries + 1))
        [ "$tries" -lt 300 ] || { echo "screenshots.sh: $picture: the books were not imported" >&2; exit 1; }
        sleep 0.1
    done
    sleep 2  # the result is written and painted
    import -window "$window" "$work/$shot.png"
    convert "$work/$shot.png" -trim +repage "$out/$picture"
    echo "$out/$picture: $(identify -format '%wx%h' "$out/$picture") pixels"
    xdotool key Return  # 閉じる has the focus once the books are in
    wait "$show_pid" || true
    show_pid=""
}
shoot_import import-window.png
set_dpi 144
shoot_import import-window-144dpi.png
set_dpi 96

# kcoffice.exe's window as a clients' folder dropped on it opens it, the month typed in (the window
# offers the last month that has ended, which changes with the day the picture is taken). The
# console Explorer gives the program is hidden: the desktop around the window is one colour.
cp "$build/dist/kcoffice.exe" "$layout/"
clients="$build/wineprefix/drive_c/事務所/顧問先"
rm -rf "$build/wineprefix/drive_c/事務所"
mkdir -p "$clients/さくら製作所" "$clients/つぐみ商事"
shot=$((shot + 1))
desktop="kcshots$display-$shot"
"$run" explorer "/desktop=$desktop,1024x768" 'C:\決算書link\kcoffice.exe' 'C:\事務所\顧問先' \
    >"$work/$shot.log" 2>&1 &
show_pid=$!
tries=0
window=""
until [ -n "$window" ]; do
    tries=$((tries + 1))
    [ "$tries" -lt 300 ] || { echo "screenshots.sh: no window for office-window.png" >&2; exit 1; }
    sleep 0.1
    window=$(xdotool search --name "^$desktop" 2>/dev/null | head -n 1) || true
done
sleep 3  # the window opens
xdotool windowfocus "$window" 2>/dev/null || true
sleep 0.5
xdotool key alt+m ctrl+a
xdotool type 2026-03
sleep 1
import -window "$window" "$work/$shot.png"
convert "$work/$shot.png" -trim +repage "$out/office-window.png"
echo "$out/office-window.png: $(identify -format '%wx%h' "$out/office-window.png") pixels"
xdotool key Escape  # キャンセル
wait "$show_pid" || true
show_pid=""
rm -rf "$layout" "$build/wineprefix/drive_c/事務所"
