#!/usr/bin/env bash
# soak.sh [SECONDS]: records SECONDS (default 60) from the virtual sensor with its faults on
# (noise, bad checksums, frames that lose bytes, frames split across reads) through a real
# pseudo-terminal, headless, and checks: exit 0, no hang, memory flat after warm-up, every
# intact data frame the sensor sent parsed as good and every damaged one as bad, and the
# record file exactly the frames the sensor sent last (intact ones whole, damaged ones as far
# as they went), in order. Then a short run in which the sensor hangs up must end the program
# with an error, no hang, and the record so far saved.
#
# Acknowledgements are not dropped in the soak: the program repeats stop and zero until
# acknowledged but sends start only once, so a dropped start leaves the device idle. A last
# short run checks that a record run then fails with a message.
#
# soak.sh --session [SECONDS]: the same faults, but a session (--session) instead of the 20 s
# record: memory must stay flat (at most 5 MB of growth after warm-up, however long the run),
# the session file must be exactly every data frame the sensor sent, in order, and its
# metadata complete with the program's own counts.
#
# Environment: SOAK_BUILD_DIR (default build), SOAK_SEED (default 1), SOAK_SAMPLE_SECONDS (2),
# SOAK_NO_BUILD=1 (use the programs already in SOAK_BUILD_DIR as they are, e.g. copies taken
# for a long run while the build goes on).
set -euo pipefail
cd "$(dirname "$0")/.."

mode=record
if [ "${1:-}" = "--session" ]; then
  mode=session
  shift
fi
secs=${1:-60}
dir=${SOAK_BUILD_DIR:-build}
seed=${SOAK_SEED:-1}
sample_every=${SOAK_SAMPLE_SECONDS:-2}
# The record list fills up to 20 s of frames; memory is compared from after that.
warmup=25
# Allowed growth from the warm-up sample to the last one: 5 MB or 10 %, whichever is larger.
max_growth_kb=5120
max_growth_pct=10
# Beyond the run itself: opening, the stop after the open, stopping, saving, closing.
slack=30
# Frames that arrive while the stop is pending are parsed but not recorded (normally 0 to 2).
max_unrecorded=40
# Replies before a session starts: stop acknowledgement, zero values, serial number, date.
max_bytes_before_session=64

if ! [[ $secs =~ ^[0-9]+$ ]] || [ "$secs" -lt 1 ]; then
  echo "usage: scripts/soak.sh [--session] [SECONDS]" >&2
  exit 2
fi

if [ -z "${SOAK_NO_BUILD:-}" ]; then
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    gen=()
    command -v ninja >/dev/null && gen=(-G Ninja)
    cmake -S . -B "$dir" "${gen[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  cmake --build "$dir" -j"$(nproc)" --target pulse3ch virtual-sensor >/dev/null
fi
prog=$dir/app/pulse3ch
sensor_bin=$dir/tools/virtual-sensor/virtual-sensor

work=$(mktemp -d)
sensor_pid=
run_pid=
cleanup() {
  if [ -n "$run_pid" ]; then kill "$run_pid" 2>/dev/null || true; fi
  if [ -n "$sensor_pid" ]; then kill "$sensor_pid" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "soak: FAIL: $*" >&2
  for f in "$work"/*.err; do [ -s "$f" ] && { echo "--- $f" >&2; tail -20 "$f" >&2; }; done
  exit 1
}

# start_sensor NAME ARGS...: starts the sensor with a link at $work/NAME and waits for it.
start_sensor() {
  local name=$1
  shift
  "$sensor_bin" --link "$work/$name" --seed "$seed" "$@" >"$work/$name.sensor.out" \
    2>"$work/$name.sensor.err" &
  sensor_pid=$!
  for _ in $(seq 100); do
    [ -L "$work/$name" ] && return 0
    kill -0 "$sensor_pid" 2>/dev/null || fail "virtual sensor did not start"
    sleep 0.05
  done
  fail "virtual sensor made no link"
}

# stop_sensor NAME: SIGTERM, then its statistics are in $work/NAME.sensor.out.
stop_sensor() {
  kill -TERM "$sensor_pid" 2>/dev/null || true
  wait "$sensor_pid" || fail "virtual sensor exited with $?"
  sensor_pid=
}

sensor_stat() {  # sensor_stat NAME LABEL: the figure after "LABEL:" in the sensor's report
  sed -n "s/^$2: *\([0-9][0-9]*\).*/\1/p" "$work/$1.sensor.out"
}

prog_stat() {  # prog_stat NAME WORD: the figure after WORD in the program's "frames:" line
  sed -n "s/^frames: .*$2 \([0-9][0-9]*\).*/\1/p" "$work/$1.out"
}

rss_kb() {  # rss_kb PID: resident set size in kB, empty once the process is gone
  sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$1/status" 2>/dev/null || true
}

# watch_rss NAME PID_OF_TIMEOUT: samples the program's RSS until it exits into samples[].
watch_rss() {
  local start_s=$1 parent=$2
  pid=
  for _ in $(seq 100); do
    pid=$(awk '{print $1}' "/proc/$parent/task/$parent/children" 2>/dev/null) || true
    [ -n "$pid" ] && break
    sleep 0.05
  done
  [ -n "$pid" ] || fail "program did not start"
  samples=()
  while kill -0 "$pid" 2>/dev/null; do
    kb=$(rss_kb "$pid")
    [ -n "$kb" ] && samples+=("$(($(date +%s) - start_s)) $kb")
    sleep "$sample_every"
  done
}

# growth_after_warmup: sets base_t base_kb last_t last_kb first_kb growth_kb allowed_kb.
growth_after_warmup() {
  [ "${#samples[@]}" -ge 2 ] || fail "too few memory samples"
  local base=
  for s in "${samples[@]}"; do
    read -r t kb <<<"$s"
    if [ "$t" -ge "$warmup" ] || [ "$t" -ge $((secs / 2)) ]; then
      base=$s
      break
    fi
  done
  [ -n "$base" ] || base=${samples[0]}
  read -r base_t base_kb <<<"$base"
  read -r last_t last_kb <<<"${samples[-1]}"
  read -r _ first_kb <<<"${samples[0]}"
  growth_kb=$((last_kb - base_kb))
  allowed_kb=$max_growth_kb
}

# sent_lines NAME: the data frames the sensor sent, as the program records them, into NAME.sent
sent_lines() {
  sed -n -E 's/^(intact|bad) //p; s/^short (F0 1F (05|0D) 34( .*)?)$/\1/p' "$work/$1.frames" \
    >"$work/$1.sent"
}

if [ "$mode" = session ]; then
  # A session keeps nothing in memory beyond about a second of lines: growth is measured
  # from the warm-up on, with no allowance for a filling list.
  echo "soak (session): ${secs} s, faults: noise 0.05, bad checksum 0.02, lost bytes 0.05," \
    "split frames; seed $seed"
  start_sensor sess --noise 0.05 --bad-checksum 0.02 --lose-bytes 0.05 --split \
    --frame-log "$work/sess.frames"
  start=$(date +%s)
  timeout -k 5 $((secs + slack)) "$prog" --port "COM1=$work/sess" --session "$work/sess.txt" \
    --seconds "$secs" --stats >"$work/sess.out" 2>"$work/sess.err" &
  run_pid=$!
  watch_rss "$start" "$run_pid"
  rc=0
  wait "$run_pid" || rc=$?
  run_pid=
  took=$(($(date +%s) - start))
  stop_sensor sess
  [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ] && fail "program hung (killed after $((secs + slack)) s)"
  [ "$rc" -eq 0 ] || fail "program exited with $rc"
  [ -s "$work/sess.txt" ] || fail "no session file written"
  [ -s "$work/sess.txt.json" ] || fail "no metadata file written"
  growth_after_warmup
  good=$(prog_stat sess good)
  bad=$(prog_stat sess bad)
  bytes=$(prog_stat sess bytes)
  [ -n "$good" ] && [ -n "$bad" ] && [ -n "$bytes" ] || fail "no --stats line from the program"
  sent_lines sess
  tr -d '\r' <"$work/sess.txt" >"$work/sess.recorded"
  rec_lines=$(wc -l <"$work/sess.recorded")
  sent_n=$(wc -l <"$work/sess.sent")
  md() { python3 -c "import json,sys; d=json.load(open(sys.argv[1])); print(d$1)" "$work/sess.txt.json"; }
  md_complete=$(md "['complete']")
  md_lines=$(md "['lines']")
  md_good=$(md "['good_frames']")
  md_bad=$(md "['bad_frames']")
  md_bytes=$(md "['bytes']")
  md_serial=$(md "['serial_number']")
  echo "soak (session): ran ${took} s (session ${secs} s), exit ${rc}"
  echo "soak (session): RSS ${first_kb} kB at ${samples[0]%% *} s, ${base_kb} kB at ${base_t} s" \
    "(after warm-up), ${last_kb} kB at ${last_t} s: growth ${growth_kb} kB (allowed" \
    "${allowed_kb} kB); ${#samples[@]} samples every ${sample_every} s"
  echo "soak (session): sensor sent ${sent_n} data frame lines; session file ${rec_lines} lines" \
    "($(stat -c %s "$work/sess.txt") bytes); program parsed ${good} good + ${bad} bad;" \
    "metadata: complete ${md_complete}, lines ${md_lines}, good ${md_good}, bad ${md_bad}," \
    "bytes ${md_bytes}, serial ${md_serial}"
  [ "$growth_kb" -le "$allowed_kb" ] || fail "memory grew by ${growth_kb} kB after warm-up"
  cmp -s "$work/sess.sent" "$work/sess.recorded" ||
    fail "the session file is not every frame sent, in order (sent ${sent_n}, recorded ${rec_lines})"
  [ "$md_complete" = True ] || fail "metadata not marked complete"
  [ "$md_lines" -eq "$rec_lines" ] || fail "metadata says ${md_lines} lines, the file has ${rec_lines}"
  [ "$md_good" -eq "$good" ] && [ "$md_bad" -eq "$bad" ] ||
    fail "metadata frame counts differ from the program's"
  # The program's byte count also holds the replies read before the session began (the stop
  # after the open, zero values, serial number, production date).
  [ "$md_bytes" -le "$bytes" ] && [ $((bytes - md_bytes)) -le "$max_bytes_before_session" ] ||
    fail "metadata says ${md_bytes} bytes, the program received ${bytes}"
  [ $((good + bad)) -eq "$rec_lines" ] || fail "good + bad frames differ from the session's lines"
  echo "soak (session): every frame accounted for"

  # The sensor hangs up mid-session: exit 1, no hang, and the session complete up to then.
  hang_after=3
  start_sensor shang --noise 0.05 --bad-checksum 0.02 --split --hangup-after "$hang_after" \
    --frame-log "$work/shang.frames"
  rc=0
  timeout -k 5 $((hang_after + slack)) "$prog" --port "COM1=$work/shang" \
    --session "$work/shang.txt" --seconds $((hang_after + 60)) >"$work/shang.out" \
    2>"$work/shang.err" || rc=$?
  stop_sensor shang
  [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ] && fail "program hung after the sensor hung up"
  [ "$rc" -ne 0 ] || fail "program reported success after the sensor hung up"
  sent_lines shang
  tr -d '\r' <"$work/shang.txt" >"$work/shang.recorded"
  cmp -s "$work/shang.sent" "$work/shang.recorded" ||
    fail "after the hang-up the session file is not every frame sent"
  [ "$(python3 -c "import json,sys; print(json.load(open(sys.argv[1]))['complete'])" \
    "$work/shang.txt.json")" = True ] || fail "metadata not complete after the hang-up"
  echo "soak (session): hang-up after ${hang_after} s: exit ${rc}, $(wc -l <"$work/shang.recorded")" \
    "lines, every frame sent, metadata complete; said: $(grep pulse3ch: "$work/shang.err" | tr '\n' ' ')"
  echo "soak: PASS"
  exit 0
fi

# ---- the soak run ----
echo "soak: ${secs} s, faults: noise 0.05, bad checksum 0.02, lost bytes 0.05, split frames;" \
  "seed $seed"
start_sensor soak --noise 0.05 --bad-checksum 0.02 --lose-bytes 0.05 --split \
  --frame-log "$work/soak.frames"
start=$(date +%s)
timeout -k 5 $((secs + slack)) "$prog" --port "COM1=$work/soak" --record "$work/soak.txt" \
  --seconds "$secs" --stats >"$work/soak.out" 2>"$work/soak.err" &
run_pid=$!
# The program is timeout's child.
pid=
for _ in $(seq 100); do
  pid=$(awk '{print $1}' "/proc/$run_pid/task/$run_pid/children" 2>/dev/null) || true
  [ -n "$pid" ] && break
  sleep 0.05
done
[ -n "$pid" ] || fail "program did not start"

samples=()  # "elapsed_s rss_kb"
while kill -0 "$pid" 2>/dev/null; do
  kb=$(rss_kb "$pid")
  [ -n "$kb" ] && samples+=("$(($(date +%s) - start)) $kb")
  sleep "$sample_every"
done
rc=0
wait "$run_pid" || rc=$?
run_pid=
took=$(($(date +%s) - start))
stop_sensor soak

[ "$rc" -eq 124 ] || [ "$rc" -eq 137 ] && fail "program hung (killed after $((secs + slack)) s)"
[ "$rc" -eq 0 ] || fail "program exited with $rc"
[ -s "$work/soak.txt" ] || fail "no record file written"

# Memory: the first sample after warm-up against the last one.
[ "${#samples[@]}" -ge 2 ] || fail "too few memory samples"
base=
for s in "${samples[@]}"; do
  read -r t kb <<<"$s"
  if [ "$t" -ge "$warmup" ] || [ "$t" -ge $((secs / 2)) ]; then
    base=$s
    break
  fi
done
[ -n "$base" ] || base=${samples[0]}
read -r base_t base_kb <<<"$base"
read -r last_t last_kb <<<"${samples[-1]}"
read -r _ first_kb <<<"${samples[0]}"
growth_kb=$((last_kb - base_kb))
allowed_kb=$((base_kb * max_growth_pct / 100))
[ "$allowed_kb" -lt "$max_growth_kb" ] && allowed_kb=$max_growth_kb

good=$(prog_stat soak good)
bad=$(prog_stat soak bad)
bytes=$(prog_stat soak bytes)
s_good=$(sensor_stat soak "data frames intact")
s_bad=$(sensor_stat soak "data frames bad checksum")
s_short=$(sensor_stat soak "data frames lost bytes")
s_lost=$(sensor_stat soak "data frames discarded")
s_bytes=$(sensor_stat soak "bytes written")
noise=$(sed -n 's/^noise bursts \/ bytes: *\([0-9]*\) \/ \([0-9]*\)/\1 bursts, \2 bytes/p' \
  "$work/soak.sensor.out")
split=$(sensor_stat soak "split frames")
if [ -z "$good" ] || [ -z "$bad" ] || [ -z "$bytes" ]; then fail "no --stats line from the program"; fi
if [ -z "$s_good" ] || [ -z "$s_bad" ] || [ -z "$s_short" ]; then
  fail "no statistics from the sensor"
fi
# A short frame whose header survived is one bad frame, recorded up to where the next began;
# one that lost its length or code byte is no frame at all.
s_short_seen=$(grep -c -E '^short F0 1F (05|0D) 34( |$)' "$work/soak.frames" || true)

echo "soak: ran ${took} s (recording ${secs} s), exit ${rc}"
echo "soak: RSS ${first_kb} kB at ${samples[0]%% *} s, ${base_kb} kB at ${base_t} s (after warm-up)," \
  "${last_kb} kB at ${last_t} s: growth ${growth_kb} kB (allowed ${allowed_kb} kB);" \
  "${#samples[@]} samples every ${sample_every} s"
echo "soak: sensor sent ${s_good} intact + ${s_bad} bad-checksum + ${s_short} short data frames" \
  "(${s_short_seen} with their header; ${s_lost} discarded), ${noise} of noise," \
  "${split} frames split, ${s_bytes} bytes"
echo "soak: program parsed ${good} good + ${bad} bad data frames, received ${bytes} bytes"

[ "$growth_kb" -le "$allowed_kb" ] || fail "memory grew by ${growth_kb} kB after warm-up"
[ "$s_good" -gt 0 ] || fail "the sensor sent no data frames"
[ "$s_bad" -gt 0 ] || fail "no bad-checksum frame was injected"
[ "$s_lost" -eq 0 ] || fail "the sensor discarded ${s_lost} frames (nobody reading)"
[ "$s_short" -gt 0 ] || fail "no frame lost bytes"
[ "$good" -eq "$s_good" ] || fail "good frames: program ${good}, sensor ${s_good} intact"
[ "$bad" -eq $((s_bad + s_short_seen)) ] ||
  fail "bad frames: program ${bad}, sensor ${s_bad} bad checksum + ${s_short_seen} short"
[ "$bytes" -eq "$s_bytes" ] || fail "bytes: program received ${bytes}, sensor wrote ${s_bytes}"

# The record keeps the last 20 s: it must be a run of what the sensor sent, line for line,
# ending where the stop began.
sed -n -E 's/^(intact|bad) //p; s/^short (F0 1F (05|0D) 34( .*)?)$/\1/p' "$work/soak.frames" \
  >"$work/sent.txt"
tr -d '\r' <"$work/soak.txt" >"$work/recorded.txt"
sent_lines=$(wc -l <"$work/sent.txt")
rec_lines=$(wc -l <"$work/recorded.txt")
[ "$(grep -c '^intact ' "$work/soak.frames")" -eq "$s_good" ] || fail "frame log incomplete"
from=
for k in $(grep -n -x -F "$(head -1 "$work/recorded.txt")" "$work/sent.txt" | cut -d: -f1); do
  last=$((k + rec_lines - 1))
  if sed -n "${k},${last}p;${last}q" "$work/sent.txt" | cmp -s - "$work/recorded.txt"; then
    from=$k
    break
  fi
done
[ -n "$from" ] || fail "the record is not a run of the frames sent (missing, extra or changed lines)"
unrecorded=$((sent_lines - (from - 1) - rec_lines))
echo "soak: record holds ${rec_lines} lines: frames $from to $((from + rec_lines - 1)) of" \
  "${sent_lines} sent, line for line; ${unrecorded} arrived while the stop was pending"
[ "$unrecorded" -le "$max_unrecorded" ] || fail "${unrecorded} frames at the end not recorded"
echo "soak: every frame accounted for"

# ---- the sensor hangs up mid-recording ----
hang_after=3
start_sensor hangup --noise 0.05 --bad-checksum 0.02 --lose-bytes 0.05 --split \
  --hangup-after "$hang_after"
start=$(date +%s)
rc=0
timeout -k 5 $((hang_after + slack)) "$prog" --port "COM1=$work/hangup" \
  --record "$work/hangup.txt" --seconds $((hang_after + 60)) --stats \
  >"$work/hangup.out" 2>"$work/hangup.err" || rc=$?
took=$(($(date +%s) - start))
stop_sensor hangup
[ "$rc" -eq 124 ] || [ "$rc" -eq 137 ] && fail "program hung after the sensor hung up"
[ "$rc" -ne 0 ] || fail "program reported success after the sensor hung up"
[ -s "$work/hangup.err" ] || fail "no message after the sensor hung up"
[ -s "$work/hangup.txt" ] || fail "the frames recorded before the hang-up were not saved"
echo "soak: hang-up after ${hang_after} s: exit ${rc} after ${took} s," \
  "$(wc -l <"$work/hangup.txt") lines saved; said: $(grep pulse3ch: "$work/hangup.err" | tr '\n' ' ')"

# ---- the first start is dropped ----
# The start is never repeated, so the run must fail plainly instead of saving nothing as success.
start_sensor dropped --drop-acks 1
rc=0
timeout -k 5 $((3 + slack)) "$prog" --port "COM1=$work/dropped" --record "$work/dropped.txt" \
  --seconds 3 --stats >"$work/dropped.out" 2>"$work/dropped.err" || rc=$?
stop_sensor dropped
[ "$rc" -eq 124 ] || [ "$rc" -eq 137 ] && fail "program hung with a dropped start"
[ "$rc" -ne 0 ] || fail "program reported success although the start was never acknowledged"
grep -q "no data after the start" "$work/dropped.err" || fail "no message for a dropped start"
echo "soak: start dropped: exit ${rc}; said: $(grep pulse3ch: "$work/dropped.err" | tr '\n' ' ')"
echo "soak: PASS"
