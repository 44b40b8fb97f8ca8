#!/bin/sh
# Runs a test program on an X server of its own (Xvfb, on a free display) under a real window
# manager (openbox), which frames windows a moment after they are shown, as on a desktop (the
# offscreen platform knows a frame at once). Without Xvfb or openbox the program runs as it is
# and its tests skip.
#   with_window_manager.sh PROGRAM [ARGUMENTS...]
if ! command -v Xvfb >/dev/null 2>&1 || ! command -v openbox >/dev/null 2>&1; then
    exec "$@"
fi
work="$(mktemp -d)" || exit 1
server=""
manager=""
finish() {
    [ -n "$manager" ] && kill "$manager" 2>/dev/null && wait "$manager" 2>/dev/null
    [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    rm -rf "$work"
}
trap finish EXIT
trap 'exit 1' INT TERM

# Xvfb picks a free display and writes its number once it accepts connections. The waits end on
# that word; their time limit only ends a run whose server or manager never came up.
mkfifo "$work/display" "$work/ready" || exit 1
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
server=$!
number="$(timeout 60 head -n 1 "$work/display")"
[ -n "$number" ] || { cat "$work/xvfb.log" >&2; exit 1; }
DISPLAY=":$number"
export DISPLAY

# openbox runs its startup command once it manages the screen.
openbox --sm-disable --startup "sh -c 'echo >\"$work/ready\"'" >"$work/openbox.log" 2>&1 &
manager=$!
timeout 60 head -n 1 "$work/ready" >/dev/null || { cat "$work/openbox.log" >&2; exit 1; }

QT_QPA_PLATFORM=xcb "$@"
