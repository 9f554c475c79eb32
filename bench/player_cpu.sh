#!/usr/bin/env bash
# CPU time of the player control against plain mpv playing the same clip
# with the same output settings, each for the same wall time, on one Xvfb
# display; rounds alternate between them. The control runs twice: with its
# default hardware decoding (auto-safe, which falls back to software where
# the machine has no decoder) and with KELVARA_MPV_HWDEC=no (software only);
# PLAYER_CPU_SOFTWARE=no leaves the second run out.
#
#   bench/player_cpu.sh [clip] [seconds=20] [rounds=3]
#
# Without a clip, a 640x360 30 fps H.264 + AAC clip is made with ffmpeg
# (falls back to tests/data/clip.mp4 when ffmpeg is missing). Needs Xvfb,
# Debian's mpv and a built build/player_bench (or PLAYER_BENCH=<another build>).
set -euo pipefail
cd "$(dirname "$0")/.."
bench=${PLAYER_BENCH:-build/player_bench}
seconds=${2:-20}
rounds=${3:-3}
width=640
height=360
[ -x "$bench" ] || { echo "build $bench first (cmake --build build --target player_bench)"; exit 1; }
command -v mpv >/dev/null || { echo "needs mpv (apt-get install mpv)"; exit 1; }

clip=${1:-}
tmp=$(mktemp -d)
trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -rf "$tmp"' EXIT
if [ -z "$clip" ]; then
    if command -v ffmpeg >/dev/null; then
        clip=$tmp/bench.mp4
        ffmpeg -hide_banner -loglevel error -f lavfi -i "testsrc2=size=${width}x${height}:rate=30" \
            -f lavfi -i "sine=frequency=440:sample_rate=48000" -t $((seconds + 5)) \
            -c:v libx264 -preset fast -pix_fmt yuv420p -b:v 1200k -c:a aac -b:a 128k \
            -movflags +faststart "$clip"
    else
        clip=tests/data/clip.mp4
    fi
fi

# A display number another X server holds makes this one exit at once: try
# another then.
for attempt in 1 2 3 4 5; do
    display=:$((90 + RANDOM % 100))
    Xvfb "$display" -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    sleep 1
    kill -0 "$xvfb_pid" 2>/dev/null && break
done
export DISPLAY=$display

# CPU seconds (user + system) of the X server so far.
xvfb_cpu() {
    awk -v t="$(getconf CLK_TCK)" '{ printf "%.2f", ($14 + $15) / t }' /proc/$xvfb_pid/stat
}

# Runs a command, prints "user+system" CPU seconds of it and its children.
cpu_of() {
    /usr/bin/time -f "%U %S" -o "$tmp/time" "$@" >/dev/null 2>&1 || true
    tail -n 1 "$tmp/time" | awk '{ printf "%.2f", $1 + $2 }'
}

run_control() {
    KELVARA_MPV_AO=null QT_XCB_GL_INTEGRATION=xcb_egl cpu_of "$bench" "$clip" "$seconds" "$width" "$height"
}

run_control_software() {
    if [ "${PLAYER_CPU_SOFTWARE:-yes}" = no ]; then
        echo 0
    else
        KELVARA_MPV_HWDEC=no run_control
    fi
}

# The same settings as the control: OpenGL through EGL on X11 (Qt is told to
# use EGL too; Debian's mpv has no GLX context), software decoding, no audio
# device, no on-screen display or scripts.
run_mpv() {
    cpu_of timeout -s TERM "$seconds" mpv --no-config --vo=gpu --gpu-api=opengl --gpu-context=x11egl \
        --hwdec=no --gpu-hwdec-interop=no --ao=null --osc=no --osd-level=0 --load-scripts=no \
        --ytdl=no --input-default-bindings=no --loop-file=inf --geometry=${width}x${height} \
        --really-quiet "$clip"
}

echo "clip $clip, ${seconds} s a run, ${width}x${height} window, $rounds rounds"
printf "%-6s %12s %12s %12s %14s %14s\n" round control control-sw mpv "Xvfb(control)" "Xvfb(mpv)"
control_all=() software_all=() mpv_all=() round_ratios=()
# Odd rounds run the control first, even rounds mpv first: whichever goes
# first in a round meets the machine as the round before left it.
control_turn() { x0=$(xvfb_cpu); c=$(run_control); x1=$(xvfb_cpu); s=$(run_control_software); }
mpv_turn() { x2=$(xvfb_cpu); m=$(run_mpv); x3=$(xvfb_cpu); }
run_pair() {
    if [ $(($1 % 2)) = 1 ]; then control_turn; mpv_turn; else mpv_turn; control_turn; fi
}
for r in $(seq "$rounds"); do
    run_pair "$r"
    control_all+=("$c") software_all+=("$s") mpv_all+=("$m")
    round_ratios+=("$(awk -v c="$c" -v m="$m" 'BEGIN { printf "%.3f", c / m }')")
    printf "%-6s %12s %12s %12s %14s %14s\n" "$r" "$c" "$s" "$m" \
        "$(echo "$x1 - $x0" | bc)" "$(echo "$x3 - $x2" | bc)"
done
median() { printf "%s\n" "$@" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
c=$(median "${control_all[@]}") s=$(median "${software_all[@]}") m=$(median "${mpv_all[@]}")
echo "median CPU seconds: control $c, control-sw $s, mpv $m"
[ "$s" = 0 ] || echo "ratio: control / control-sw $(echo "scale=3; $c / $s" | bc)"
echo "ratio: control / mpv $(echo "scale=3; $c / $m" | bc)"
# The same pair's runs meet the same load: the median of the rounds' own
# ratios is steadier than the ratio of the medians on a shared machine.
echo "median of the rounds' ratios: $(median "${round_ratios[@]}")"
