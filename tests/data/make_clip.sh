#!/usr/bin/env bash
# Regenerates clip.mp4, the 6-second 160x120 H.264 + AAC clip the player
# tests play: a moving colour test picture and a 440 Hz tone, index at the
# front so that it plays while it downloads. Needs ffmpeg (not a test
# dependency: the clip is kept in the repository).
set -euo pipefail
cd "$(dirname "$0")"
ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "testsrc2=size=160x120:rate=25:duration=6" \
    -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=6" \
    -c:v libx264 -preset veryslow -profile:v baseline -pix_fmt yuv420p -g 25 -b:v 60k \
    -c:a aac -b:a 24k -ac 1 \
    -movflags +faststart -map_metadata -1 -fflags +bitexact clip.mp4
