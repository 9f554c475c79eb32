#!/usr/bin/env bash
# Makes the demo server's clips: 320x180 H.264 + AAC, a title card over a
# moving gradient, a running clock, a progress bar and a beep each second.
# Each clip has its own colours, seed and tone, so every episode has bytes (and
# a SHA-1) of its own. Needs ffmpeg and fonts-wqy-zenhei; the clips are kept in
# the repository, so neither is needed to build or test.
set -euo pipefail

out_dir=$(cd "$(dirname "$0")" && pwd)
font=${KELVARA_CLIP_FONT:-/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# file | seconds | colour 0 | colour 1 | tone Hz | title | label
clips=(
    "film_1001.mp4|15|0x3a2410|0xc0782c|392|长河落日|高清版"
    "film_1002.mp4|15|0x081830|0x2c7cc0|523|星海信号|高清版"
    "film_1003.mp4|15|0x202428|0x607080|349|雾城来客|高清版"
    "film_1004.mp4|15|0x204a30|0x90c860|587|纸飞机|网页播放"
    "film_1005.mp4|15|0x183820|0x7aa050|440|山那边的风|高清版"
)
for n in 1 2 3 4 5 6; do
    clips+=("series_2001_0$n.mp4|10|0x203a60|0x6a2c70|$((300 + n * 40))|流浪者|第${n}集")
done
for n in 1 2 3 4 5; do
    clips+=("series_2002_0$n.mp4|10|0x400c10|0xb03a28|$((620 + n * 35))|江湖夜雨|第${n}集")
done

seed=1
for entry in "${clips[@]}"; do
    IFS='|' read -r file seconds c0 c1 tone title label <<<"$entry"
    printf '%s' "$title" >"$work/title.txt"
    printf '%s' "$label" >"$work/label.txt"
    clock="%{eif\:floor(t/60)\:d\:2}\:%{eif\:mod(t\,60)\:d\:2}"
    ffmpeg -hide_banner -loglevel error -y \
        -f lavfi -i "gradients=s=320x180:r=25:d=$seconds:c0=$c0:c1=$c1:speed=0.015:seed=$seed" \
        -f lavfi -i "color=c=0xf0c040:s=320x4:r=25:d=$seconds" \
        -f lavfi -i "sine=f=$tone:beep_factor=4:sample_rate=44100:d=$seconds" \
        -filter_complex "[0:v][1:v]overlay=x='-W+W*t/$seconds':y=H-h:shortest=1,\
drawtext=fontfile=$font:textfile=$work/title.txt:fontsize=34:fontcolor=white:shadowx=2:shadowy=2:x=(w-tw)/2:y=48,\
drawtext=fontfile=$font:textfile=$work/label.txt:fontsize=20:fontcolor=0xf0c040:x=(w-tw)/2:y=96,\
drawtext=fontfile=$font:text='$clock':fontsize=16:fontcolor=white@0.9:x=w-tw-10:y=10,\
drawtext=fontfile=$font:text='Kelvara':fontsize=13:fontcolor=white@0.6:x=10:y=10[v]" \
        -map "[v]" -map 2:a \
        -c:v libx264 -preset veryslow -crf 32 -maxrate 100k -bufsize 200k -pix_fmt yuv420p -g 50 \
        -c:a aac -b:a 32k -ac 1 \
        -movflags +faststart -fflags +bitexact -map_metadata -1 \
        "$out_dir/$file"
    seed=$((seed + 1))
done

du -ch "$out_dir"/*.mp4 | tail -1
