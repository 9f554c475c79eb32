#!/usr/bin/env bash
# Start-up time and memory of the real client with the embedded demo server:
# the time from the process's start until all nine panes of the main window
# have finished loading, and the proportional set size (PSS) of kelvara and
# all its child processes (the browser engine's) at that moment.
#
#   bench/client_startup.sh [rounds] [build folder]
#
# STARTUP_SETTLE_MS=<ms> takes the memory that long after the load instead.
#
# Each round starts the client twice: on a new application folder (a first
# run: the QVOD folder is set up, the engine's profile is created) and again
# on the same folder. Runs under its own Xvfb unless DISPLAY is set. Needs
# the client built (kelvara and Qvod/QvodTerminal.exe).
set -euo pipefail

rounds=${1:-5}
build=${2:-"$(cd "$(dirname "$0")/.." && pwd)/build"}
kelvara="$build/kelvara"
[ -x "$kelvara" ] || { echo "no $kelvara; build first" >&2; exit 1; }

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$rounds" "$build"
fi

panes=(catalogue_pane web_player_pane network_list_pane local_list_pane episode_pane software_ad_pane statistics_pane tv_pane qvod_ad_pane)
work=$(mktemp -d /tmp/kelvara-startup.XXXXXX)
client=0
cleanup() {
    if [ "$client" != 0 ] && kill -0 "$client" 2>/dev/null; then
        kill -KILL "$client" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# The initial settings. Quitting ends the QVOD terminal of the client's own
# folder, so that every start, as a user's with these settings, starts its
# terminal while the panes load.
write_settings() {
    printf '%s\r\n' '[main]' 'Name=Kelvara' '[User]' 'Name=' '[Skin]' 'Num=0' '[Ver]' \
        'Name=2.1' '[S_q]' 'ts=3' 'quit=2' 'qvodk=2' 's_size=2' 'h_w=13560' 'h_h=8475' \
        's_h=2' 's_bo=2' 's_jd=2' 'qvodqi=2' 's_pao=2' >"$1/config.ini"
}

# Milliseconds since the epoch of a log line's "yyyy-MM-dd hh:mm:ss.zzz".
log_ms() {
    local stamp=$1
    echo $(( $(date -d "${stamp%.*}" +%s) * 1000 + 10#${stamp##*.} ))
}

descendants() {
    local all
    all=$(awk '{ sub(/^.*\) /, ""); print FILENAME, $2 }' /proc/[0-9]*/stat 2>/dev/null |
        sed -E 's|/proc/([0-9]+)/stat|\1|')
    local found=" $1 " grew=1
    while [ $grew = 1 ]; do
        grew=0
        while read -r pid parent; do
            if [[ "$found" == *" $parent "* && "$found" != *" $pid "* ]]; then
                found+="$pid "
                grew=1
            fi
        done <<<"$all"
    done
    echo $found
}

pss_kb() {
    awk '/^Pss:/ { print $2 }' "/proc/$1/smaps_rollup" 2>/dev/null || echo 0
}

# One start on the folder; sets ms (to the nine panes), own and children
# (PSS in KB of kelvara and of its child processes) and count (processes).
measure() {
    local home=$1 log=$1/run.log
    local start_ms
    start_ms=$(($(date +%s%N) / 1000000))
    KELVARA_HOME="$home" KELVARA_MPV_AO=null QTWEBENGINE_DISABLE_SANDBOX=1 \
        QT_LOGGING_RULES="kelvara.panes.debug=true" \
        QT_MESSAGE_PATTERN="%{time yyyy-MM-dd hh:mm:ss.zzz}|%{category}|%{message}" \
        "$kelvara" >"$log" 2>&1 &
    client=$!
    local waited=0 last=""
    while :; do
        local done_count=0
        last=""
        for pane in "${panes[@]}"; do
            local line
            line=$(grep -m1 "|kelvara.panes|load finished $pane " "$log" || true)
            if [ -n "$line" ]; then
                done_count=$((done_count + 1))
                local stamp=${line%%|*}
                [[ -z "$last" || "$stamp" > "$last" ]] && last=$stamp
            fi
        done
        [ $done_count = ${#panes[@]} ] && break
        if [ $waited -ge 60000 ] || ! kill -0 "$client" 2>/dev/null; then
            echo "the panes did not all load; see $log" >&2
            cat "$log" >&2
            exit 1
        fi
        sleep 0.05
        waited=$((waited + 50))
    done
    local loaded_ms
    loaded_ms=$(log_ms "$last")
    sleep "$(bc -l <<<"${STARTUP_SETTLE_MS:-0} / 1000")"
    own=0 children=0 count=0
    for pid in $(descendants "$client"); do
        local kb
        kb=$(pss_kb "$pid")
        if [ "$pid" = "$client" ]; then own=$kb; else children=$((children + kb)); fi
        count=$((count + 1))
    done
    kill -TERM "$client"
    for _ in $(seq 100); do kill -0 "$client" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$client" 2>/dev/null || true
    wait "$client" 2>/dev/null || true
    client=0
    ms=$((loaded_ms - start_ms))
}

median() { sort -n | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2); print (NR % 2) ? v[m] : (v[m] + v[m + 1]) / 2 }'; }

printf '%-6s %-6s %12s %12s %14s %12s %6s\n' round start "nine panes" "kelvara PSS" "engine PSS" "total PSS" procs
printf '%-6s %-6s %12s %12s %14s %12s %6s\n' "" "" "ms" MB MB MB ""
: >"$work/first" && : >"$work/again"
for r in $(seq "$rounds"); do
    home="$work/home$r"
    mkdir -p "$home"
    write_settings "$home"
    for kind in first again; do
        measure "$home"
        total=$((own + children))
        printf '%-6s %-6s %12d %12.1f %14.1f %12.1f %6d\n' "$r" "$kind" "$ms" \
            "$(bc -l <<<"$own / 1024")" "$(bc -l <<<"$children / 1024")" \
            "$(bc -l <<<"$total / 1024")" "$count"
        echo "$ms $total" >>"$work/$kind"
    done
done
for kind in first again; do
    printf 'median %-6s nine panes %s ms, total PSS %.1f MB\n' "$kind" \
        "$(cut -d' ' -f1 "$work/$kind" | median)" \
        "$(bc -l <<<"$(cut -d' ' -f2 "$work/$kind" | median) / 1024")"
done
