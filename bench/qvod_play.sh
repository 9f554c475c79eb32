#!/usr/bin/env bash
# First frame of a qvod:// address against plain http of the same file in
# the player control, and the time to play on after a seek to 80 % of a
# file not yet downloaded (see bench/qvod_play_bench.cpp).
#
#   bench/qvod_play.sh [clip] [rounds=5] [rate KiB/s a reply=4096]
#
# Without a clip, a 60-second 1280x720 H.264 + AAC clip of about 30 MB is
# made with ffmpeg (index at the front, as films made for streaming have it).
# Needs Xvfb, ffmpeg and a built build/qvod_play_bench.
set -euo pipefail
cd "$(dirname "$0")/.."
bench=build/qvod_play_bench
[ -x "$bench" ] || { echo "build $bench first (cmake --build build --target qvod_play_bench)"; exit 1; }

clip=${1:-}
rounds=${2:-5}
rate=${3:-4096}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
if [ -z "$clip" ]; then
    command -v ffmpeg >/dev/null || { echo "needs ffmpeg (apt-get install ffmpeg) or a clip"; exit 1; }
    clip=$tmp/film.mp4
    ffmpeg -hide_banner -loglevel error -f lavfi -i "testsrc2=size=1280x720:rate=25" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000" -t 60 \
        -c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 25 -b:v 4000k -maxrate 4000k \
        -bufsize 4000k -c:a aac -b:a 128k -movflags +faststart "$clip"
fi
KELVARA_MPV_AO=null xvfb-run -a -s "-screen 0 1280x720x24" "$bench" --clip "$clip" \
    --rounds "$rounds" --rate-kb "$rate"
