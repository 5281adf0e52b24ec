#!/usr/bin/env bash
# Takes doc/screenshot.png: the window on a copy of samples/ after a search,
# under a virtual X server (`doc/screenshot.sh --inner` uses the $DISPLAY
# there is instead). Needs xvfb, xdotool and imagemagick (installed if missing).
set -euo pipefail
cd "$(dirname "$0")/.."
SUDO=$([ "$(id -u)" = 0 ] || echo sudo)
for tool in xvfb-run:xvfb xdotool:xdotool import:imagemagick; do
    command -v "${tool%%:*}" >/dev/null || { $SUDO apt-get install -y -qq "${tool##*:}" >/dev/null; }
done
[ -x build/bin/kestu ] || make build

inner() {
    # The picture shows a neutral folder, not the build tree, and a window
    # as a first start shows it: a copy of the samples in /tmp/samples and
    # no settings file (the one beside the program is set aside meanwhile).
    # Not local: the EXIT trap runs after this function has returned.
    shown=/tmp/samples ini=build/bin/kestu.ini
    [ ! -e "$shown" ] || { echo "$shown is in the way; remove it first" >&2; exit 1; }
    cp -r samples "$shown"
    [ ! -e "$ini" ] || mv "$ini" "$ini.away"
    trap 'rm -rf "$shown"; rm -f "$ini"; [ ! -e "$ini.away" ] || mv "$ini.away" "$ini"' EXIT
    build/bin/kestu "$shown" -s検索 -b1 "-f*" &
    local pid=$!
    # Wait for the window, then start the search with Enter in the text box.
    for _ in $(seq 50); do
        xdotool search --name '^kestu$' >/dev/null 2>&1 && break
        sleep 0.1
    done
    local win
    win=$(xdotool search --name '^kestu$' | head -1)
    xdotool windowfocus --sync "$win" key --window "$win" Return
    sleep 2
    xdotool mousemove --window "$win" 120 235 click 1
    sleep 0.5
    import -window "$win" doc/screenshot.png
    kill "$pid"
    wait "$pid" || true
}
if [ "${1:-}" = --inner ]; then
    inner
    exit
fi
xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inner
echo "doc/screenshot.png written"
