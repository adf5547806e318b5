#!/usr/bin/env bash
# Render benchmark: loopcaster-render against the single ffmpeg command a power
# user would write for the same mix, timed in the same run on the same corpus.
#
#   bench/render/run.sh [--minutes M] [--case clip|image|both] [--bin PATH] [--keep] [--no-three] [--no-floor]
#                       [--no-peer] [--loudness LUFS [--pairs N]]
#
# The corpus (generated here with the ffmpeg CLI) is 15 songs across mp3, m4a,
# flac, ogg and wav, some at 48 kHz, with a 3 s crossfade; M minutes of mix in
# all (default 60: songs of 4 minutes). Sources: a 10 s 1080p30 H.264 clip with
# B-frames, and a 1080p JPEG.
# Prints wall time and peak RSS of both, our CPU (user+sys) over wall, and the
# wall-time ratio ours/peer; then three clip jobs at once through the job
# service (bench_three_jobs: total wall, CPU/wall, peak RSS, main-loop
# lateness), against three peer runs one after another; and the encode floor:
# the mix's PCM alone, encoded in two halves at once with the same encoder
# (for the image, plus the one GOP the movie repeats, encoded by the CLI).
# --no-peer leaves out the peer (and the three jobs, compared with it): the
# image hour's peer alone takes about half an hour.
# --loudness LUFS renders ours with loudness matching (the peer has none, and
# the floor encodes the matched mix); for the clip it then renders the hour
# without and with matching in turn, --pairs N times (default 2), and reports
# on/off, next to the meter's own share: the song pass timed with and without
# it (bench_song_pass), over the render without matching.
# The summary's first lines are ours against the encode floor and the peer.
# Targets for the hour on 2 cores: clip and image <= 1.15x their encode floor,
# image <= 0.1x the peer, CPU/wall of one clip job >= 1.9, peak RSS <= 120 MB
# per job. The pass that measures the songs before the mix: bench_song_pass.
# Timings depend on the load: the summary prints the load average before and
# after.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
minutes=60
case_sel=both
bin="${LOOPCASTER_RENDER:-}"
keep=0
three=1
floor=1
peer=1
loudness=()
pairs=2
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) minutes="$2"; shift 2 ;;
    --case) case_sel="$2"; shift 2 ;;
    --bin) bin="$2"; shift 2 ;;
    --keep) keep=1; shift ;;
    --no-three) three=0; shift ;;
    --no-floor) floor=0; shift ;;
    --no-peer) peer=0; three=0; shift ;;
    --loudness) loudness=(--loudness "$2"); shift 2 ;;
    --pairs) pairs="$2"; shift 2 ;;
    -h|--help) sed -n '2,30p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
case "$case_sel" in clip|image|both) ;; *) echo "--case must be clip, image or both" >&2; exit 2 ;; esac

if [ -z "$bin" ]; then
  for candidate in "$here"/../../build/src/render/loopcaster-render "$here"/../../build*/src/render/loopcaster-render; do
    if [ -x "$candidate" ]; then bin="$candidate"; break; fi
  done
fi
if [ -z "$bin" ] || [ ! -x "$bin" ]; then
  echo "loopcaster-render not found; build it or pass --bin PATH" >&2
  exit 2
fi
for tool in ffmpeg ffprobe /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh)" >&2; exit 2; }
done

songs_n=15
crossfade=3
# Song length so that the crossfaded mix lasts `minutes`.
song_seconds=$(awk -v m="$minutes" -v n=$songs_n -v f=$crossfade 'BEGIN { printf "%.3f", (m * 60 + (n - 1) * f) / n }')

work="$(mktemp -d "${TMPDIR:-/tmp}/lc-bench-render.XXXXXX")"
if [ "$keep" = 0 ]; then trap 'rm -rf "$work"' EXIT; fi
mkdir -p "$work/songs" "$work/ours" "$work/peer"
ff() { ffmpeg -y -hide_banner -nostdin -loglevel error "$@"; }

echo "corpus: $songs_n songs of ${song_seconds}s, crossfade ${crossfade}s, in $work"
formats=(mp3 m4a flac ogg wav)
songs=()
for i in $(seq 0 $((songs_n - 1))); do
  ext=${formats[$((i % 5))]}
  rate=44100; [ $((i % 3)) = 2 ] && rate=48000
  root=$(awk -v i="$i" 'BEGIN { printf "%.2f", 110 * 2 ^ ((i * 5 % 12) / 12) }')
  if [ $((i % 2)) = 0 ]; then
    # A slowly beating chord.
    src="aevalsrc=0.25*sin(2*PI*$root*t)+0.15*sin(2*PI*$root*1.26*t)*(0.6+0.4*sin(2*PI*0.2*t))+0.1*sin(2*PI*$root*1.5*t)|0.25*sin(2*PI*$root*1.002*t)+0.12*sin(2*PI*$root*2*t)+0.1*sin(2*PI*$root*1.5*t):s=$rate:d=$song_seconds"
  else
    # A band of pink noise 600 Hz wide (the filter's width is a Q unless told
    # otherwise), brought to about -17 LUFS beside the chords' -12: a corpus of
    # near-silent songs would have loudness matching raise them by 40 dB and
    # change what the encoder codes.
    src="anoisesrc=c=pink:a=0.4:r=$rate:d=$song_seconds,bandpass=f=$(awk -v r="$root" 'BEGIN{print r*8}'):t=h:w=600,volume=16dB,aformat=channel_layouts=stereo"
  fi
  case "$ext" in
    mp3) codec=(-c:a libmp3lame -b:a 192k) ;;
    m4a) codec=(-c:a aac -b:a 192k) ;;
    flac) codec=(-c:a flac) ;;
    ogg) codec=(-c:a libvorbis -q:a 5) ;;
    wav) codec=(-c:a pcm_s16le) ;;
  esac
  out="$work/songs/$(printf 'song%02d' $((i + 1))).$ext"
  ff -f lavfi -i "$src" -ac 2 "${codec[@]}" "$out"
  songs+=("$out")
done
ff -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=10" -c:v libx264 -preset veryfast -bf 3 \
   -pix_fmt yuv420p "$work/clip.mp4"
ff -f lavfi -i "mandelbrot=size=1920x1080:rate=1" -frames:v 1 -q:v 3 "$work/image.jpg"

# The peer's audio graph: pairwise acrossfade chain, then resample to 44.1 kHz.
peer_inputs=()
graph=""
prev="1:a"
for i in $(seq 1 $songs_n); do
  peer_inputs+=(-i "${songs[$((i - 1))]}")
  if [ "$i" -ge 2 ]; then
    graph+="[$prev][$i:a]acrossfade=d=$crossfade:c1=tri:c2=tri[x$i];"
    prev="x$i"
  fi
done
graph+="[$prev]aresample=44100[mix]"

our_songs=()
for s in "${songs[@]}"; do our_songs+=(--song "$s"); done

# measure NAME CMD...: runs CMD under GNU time; sets WALL (s), RSS (MB) and
# CPU (user+sys over wall).
measure() {
  local name="$1"; shift
  local stats="$work/$name.time"
  if ! /usr/bin/time -f "%e %M %U %S" -o "$stats" "$@" >"$work/$name.log" 2>&1; then
    echo "$name failed:" >&2; tail -20 "$work/$name.log" >&2; exit 1
  fi
  local user sys
  read -r WALL rss_kb user sys <"$stats"
  RSS=$(awk -v k="$rss_kb" 'BEGIN { printf "%.1f", k / 1024 }')
  CPU=$(awk -v u="$user" -v s="$sys" -v w="$WALL" 'BEGIN { printf "%.2f", (w > 0 ? (u + s) / w : 0) }')
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.3f", a / b; else printf "-" }'; }
summary=()
headline=()

duration_of() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }

run_case() {
  local kind="$1" source="$2"; shift 2
  rm -rf "$work/ours"/* "$work/peer"/*
  measure "ours-$kind" "$bin" "${our_songs[@]}" --crossfade "$crossfade" ${loudness[@]+"${loudness[@]}"} \
    --out "$work/ours" "$source"
  local ours_wall=$WALL ours_rss=$RSS ours_cpu=$CPU
  local peer_wall=0 peer_rss=0 peer_cpu=0 peer_long=0
  if [ "$peer" = 1 ]; then
    measure "peer-$kind" ffmpeg -y -hide_banner -nostdin -loglevel error "$@" "${peer_inputs[@]}" \
      -filter_complex "$graph" -map 0:v -map "[mix]" "${PEER_VIDEO[@]}" -c:a aac -b:a 192k -shortest \
      "$work/peer/$kind.mp4"
    peer_wall=$WALL peer_rss=$RSS peer_cpu=$CPU peer_long=$(duration_of "$work/peer/$kind.mp4")
  fi
  # CPU seconds of each run: less sensitive to a busy machine than wall time.
  local cpu_ratio
  cpu_ratio=$(ratio "$(awk -v c="$ours_cpu" -v w="$ours_wall" 'BEGIN { print c * w }')" \
                    "$(awk -v c="$peer_cpu" -v w="$peer_wall" 'BEGIN { print c * w }')")
  local ours_file
  ours_file=$(ls "$work/ours"/*.mp4)
  printf '%-5s ours %8.2fs %7.1f MB cpu/wall %.2f (%.2fs long) | peer %8.2fs %7.1f MB (%.2fs long) | wall ours/peer %s\n' \
    "$kind" "$ours_wall" "$ours_rss" "$ours_cpu" "$(duration_of "$ours_file")" \
    "$peer_wall" "$peer_rss" "$peer_long" "$(ratio "$ours_wall" "$peer_wall")"
  summary+=("$(printf '%-5s ratio %s  (ours %.1f s, peer %.1f s)  cpu/wall %s (peer %s)  cpu time ours/peer %s  peak RSS %s MB' \
    "$kind" "$(ratio "$ours_wall" "$peer_wall")" "$ours_wall" "$peer_wall" "$ours_cpu" "$peer_cpu" "$cpu_ratio" "$ours_rss")")
  PEER_WALL=$peer_wall
  OURS_WALL=$ours_wall
}

# encode_floor KIND PEER_WALL OURS_WALL [EXTRA_S WHAT]: the wall time of the
# AAC encode alone. The mix's PCM is written first, planned and mixed as our
# render does it (bench_mix_pcm; without it, the peer's graph mixes the same
# songs), then its two halves are encoded at once by the ffmpeg CLI with the
# settings of the mix (native encoder, 192 kbit/s), one process per core. No
# render that uses this encoder on this machine can beat this time by much; it
# shows how much of the target the encoder itself leaves. (Our movie's audio
# decoded is no stand-in for the mix: audio that has been through the encoder
# once encodes about a fifth faster.) EXTRA_S seconds of other unavoidable
# work (the still image's GOP) are added to it. With --case both the same mix
# is encoded again for the image, on purpose: each case is set against a floor
# taken next to it, as the machine's speed drifts over minutes.
encode_floor() {
  local kind="$1" peer_wall="$2" ours_wall="$3" extra="${4:-0}" what="${5:-}" pcm="$work/floor.f32"
  if [ -x "$mix_pcm_bin" ]; then
    LOUDNESS="${loudness[1]:-}" "$mix_pcm_bin" "$pcm" "$crossfade" "${songs[@]}"
  else
    echo "bench_mix_pcm not built: the floor encodes the peer's mix" >&2
    # Input 0 stands where the peer has its video, so the graph's numbering holds.
    ffmpeg -y -hide_banner -nostdin -loglevel error -f lavfi -i anullsrc=d=1 "${peer_inputs[@]}" \
      -filter_complex "$graph" -map "[mix]" -f f32le -ac 2 -ar 44100 "$pcm"
  fi
  local frames half
  frames=$(( $(stat -c %s "$pcm") / 8 ))
  half=$(( frames / 2 ))
  /usr/bin/time -f "%e %U %S" -o "$work/floor.time" bash -c '
    enc() { ffmpeg -hide_banner -nostdin -loglevel error -f f32le -ar 44100 -ac 2 "$@" -c:a aac -b:a 192k -f null -; }
    enc -i "$1" -t "$2" &
    enc -ss "$2" -i "$1" &
    wait' _ "$pcm" "$(awk -v h="$half" 'BEGIN { printf "%.6f", h / 44100 }')"
  rm -f "$pcm"
  local wall user sys
  read -r wall user sys <"$work/floor.time"
  local total
  total=$(awk -v w="$wall" -v e="$extra" 'BEGIN { printf "%.2f", w + e }')
  printf '%s encode floor: the mix'"'"'s PCM encoded in two halves at once: %.2fs (%.2f cpu/wall)%s = %s of the peer\n' \
    "$kind" "$wall" "$(awk -v u="$user" -v s="$sys" -v w="$wall" 'BEGIN { printf "%.2f", (u + s) / w }')" \
    "${what:+ + $what ${extra}s = ${total}s}" "$(ratio "$total" "$peer_wall")"
  summary+=("$(printf '%-5s encode floor ratio %s  (the AAC encode alone on both cores: %.1f s%s)' "$kind" \
    "$(ratio "$total" "$peer_wall")" "$wall" "${what:+, + $what ${extra} s}")")
  # The headline: how close the whole render comes to its own encoder's limit.
  headline+=("$(printf '%-5s ours/floor %s  ours/peer %s' "$kind" "$(ratio "$ours_wall" "$total")" "$(ratio "$ours_wall" "$peer_wall")")")
}

# gop_seconds IMAGE: wall time of the one GOP a still-image movie repeats,
# encoded by the ffmpeg CLI with the settings of the render, from the picture
# decoded once (as the render does), not once per frame.
gop_seconds() {
  local size
  size=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=s=x:p=0 "$1")
  ffmpeg -y -hide_banner -nostdin -loglevel error -i "$1" -vf scale=out_range=tv,format=yuv420p -f rawvideo \
    "$work/picture.yuv"
  /usr/bin/time -f "%e" -o "$work/gop.time" ffmpeg -hide_banner -nostdin -loglevel error -stream_loop 299 \
    -f rawvideo -pix_fmt yuv420p -s "$size" -framerate 30 -i "$work/picture.yuv" -frames:v 300 -c:v libx264 \
    -preset medium -tune stillimage -crf 18 -g 300 -keyint_min 300 -bf 0 \
    -x264-params scenecut=0:open-gop=0:rc-lookahead=0:mbtree=0:ipratio=4 -f null -
  rm -f "$work/picture.yuv"
  cat "$work/gop.time"
}

# loudness_pair SOURCE: the render without and with matching, alternated
# --pairs times (the machine's speed drifts over minutes), and the meter's
# share measured alone.
loudness_pair() {
  local off=() on=() r
  for r in $(seq "$pairs"); do
    rm -rf "$work/ours"/*
    measure ours-off "$bin" "${our_songs[@]}" --crossfade "$crossfade" --out "$work/ours" "$1"
    off+=("$WALL")
    rm -rf "$work/ours"/*
    measure ours-on "$bin" "${our_songs[@]}" --crossfade "$crossfade" "${loudness[@]}" --out "$work/ours" "$1"
    on+=("$WALL")
  done
  local mean_off mean_on
  mean_off=$(printf '%s\n' "${off[@]}" | awk '{ s += $1 } END { printf "%.2f", s / NR }')
  mean_on=$(printf '%s\n' "${on[@]}" | awk '{ s += $1 } END { printf "%.2f", s / NR }')
  echo "clip without matching: ${off[*]} s; with: ${on[*]} s"
  local pass="" extra=""
  if [ -x "$song_pass_bin" ]; then
    pass=$("$song_pass_bin" --rounds 3 "${songs[@]}" | tail -1)
    extra=$(echo "$pass" | sed -n 's/.*wall [0-9.]* (+\([0-9.]*\) s).*/\1/p')
    echo "$pass"
  fi
  headline+=("$(printf 'clip  matching on/off %s  (%s s / %s s, %s pairs)%s' "$(ratio "$mean_on" "$mean_off")" \
    "$mean_on" "$mean_off" "$pairs" \
    "${extra:+; the meter alone +$extra s = $(ratio "$extra" "$mean_off") of the render}")")
}

three_bin="$(dirname "$bin")/../../bench/render/bench_three_jobs"
song_pass_bin="$(dirname "$bin")/../../bench/audio/bench_song_pass"
mix_pcm_bin="$(dirname "$bin")/../../bench/render/bench_mix_pcm"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
echo "binary: $bin"
echo "mix: $minutes min expected; load average $load_before"
if [ "$case_sel" != image ]; then
  PEER_VIDEO=(-c:v copy)
  run_case clip "$work/clip.mp4" -stream_loop -1 -i "$work/clip.mp4"
  clip_peer_wall=$PEER_WALL
  [ "$floor" = 1 ] && encode_floor clip "$clip_peer_wall" "$OURS_WALL"
  [ "${#loudness[@]}" -gt 0 ] && loudness_pair "$work/clip.mp4"
  if [ "$three" = 1 ]; then
    if [ -x "$three_bin" ]; then
      rm -rf "$work/ours"/*
      for k in 1 2 3; do cp "$work/clip.mp4" "$work/clip$k.mp4"; done
      if ! "$three_bin" --crossfade "$crossfade" --out "$work/ours" "${our_songs[@]}" \
          "$work/clip1.mp4" "$work/clip2.mp4" "$work/clip3.mp4" >"$work/three.log" 2>&1; then
        echo "three jobs failed:" >&2; tail -20 "$work/three.log" >&2; exit 1
      fi
      line=$(grep '^jobs=' "$work/three.log")
      eval "$(echo "$line" | tr ' ' '\n' | sed 's/^/t_/')"
      printf 'three clip jobs at once: %.2fs, cpu/wall %s, peak RSS %s MB (%.1f MB per job), main loop p99 %s ms max %s ms\n' \
        "$t_wall" "$t_cpu_per_wall" "$t_peak_rss_mb" "$(awk -v r="$t_peak_rss_mb" 'BEGIN { print r / 3 }')" \
        "$t_loop_p99_ms" "$t_loop_max_ms"
      summary+=("$(printf 'three clip jobs: ratio %s against 3 peer runs in turn  (%.1f s)  cpu/wall %s  peak RSS %s MB (%.1f per job)  main loop max %s ms' \
        "$(ratio "$t_wall" "$(awk -v p="$clip_peer_wall" 'BEGIN { print 3 * p }')")" "$t_wall" "$t_cpu_per_wall" \
        "$t_peak_rss_mb" "$(awk -v r="$t_peak_rss_mb" 'BEGIN { print r / 3 }')" "$t_loop_max_ms")")
    else
      echo "bench_three_jobs not built (cmake --build build --target bench_three_jobs); skipping three jobs" >&2
    fi
  fi
fi
if [ "$case_sel" != clip ]; then
  PEER_VIDEO=(-c:v libx264 -tune stillimage -pix_fmt yuv420p)
  run_case image "$work/image.jpg" -loop 1 -framerate 30 -i "$work/image.jpg"
  [ "$floor" = 1 ] && encode_floor image "$PEER_WALL" "$OURS_WALL" "$(gop_seconds "$work/image.jpg")" "one GOP"
fi

echo
echo "== summary ($minutes min mix; load average before $load_before, after $(cut -d' ' -f1-3 /proc/loadavg)) =="
for l in ${headline[@]+"${headline[@]}"} "${summary[@]}"; do echo "$l"; done
