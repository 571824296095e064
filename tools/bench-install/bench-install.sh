#!/usr/bin/env bash
# Many-file install benchmark (not a test). For each file count it builds a signed release of that many small
# asset files with qo-release, serves it with `qo-release serve` on a free port of 127.0.0.1, and times
#   - QoTarmish-dev --baixar-cliente into a fresh game folder (download, hash check and placement of every file),
#   - curl --parallel --parallel-max 12 fetching the same files with the same trust store (system bundle plus
#     the demo CA),
# each run by /usr/bin/time: wall time, CPU time (user + sys), peak RSS. A final run with a few large files shows
# the throughput of big downloads.
#
#   tools/bench-install/bench-install.sh [--build <dir>] [--server <qo-release>] [--files 1000,10000]
#       [--file-kb 26] [--large-mb 1024] [--large-files 48] [--runs 3] [--work <dir>]
#
# --build names the folder holding QoTarmish-dev and tools/release/qo-release (default: build); --server picks
# another qo-release for serving (to compare servers). --large-mb 0 skips the large-file run. Each line printed
# is one run; the summary gives the median run of each side by wall time.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)

build=$root/build
server_tool=
counts=1000,10000
file_kb=26
large_mb=1024
large_files=48
runs=3
work=$root/out/bench-install
while [[ $# -gt 0 ]]; do
  case $1 in
    --build) build=$(realpath "$2"); shift 2 ;;
    --server) server_tool=$(realpath "$2"); shift 2 ;;
    --files) counts=$2; shift 2 ;;
    --file-kb) file_kb=$2; shift 2 ;;
    --large-mb) large_mb=$2; shift 2 ;;
    --large-files) large_files=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --work) work=$(realpath -m "$2"); shift 2 ;;
    *) echo "bench-install: unknown argument $1" >&2; exit 2 ;;
  esac
done

launcher=$build/QoTarmish-dev
release_tool=$build/tools/release/qo-release
server_tool=${server_tool:-$release_tool}
for tool in "$launcher" "$release_tool" "$server_tool"; do
  [[ -x $tool ]] || { echo "bench-install: $tool is missing (build it first)" >&2; exit 1; }
done
keys=$root/tools/release/demo
system_bundle=/etc/ssl/certs/ca-certificates.crt

rm -rf "$work"
mkdir -p "$work"
trust=$work/trust.pem
cat "$system_bundle" "$keys/demo-only-ca.pem" >"$trust"

server_pid=
stop_server() {
  if [[ -n $server_pid ]]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=
  fi
}
trap stop_server EXIT

# The files every release must hold, as small stand-ins.
make_core_files() {  # client folder
  local client=$1 f
  mkdir -p "$client/Data/Custom" "$client/Assets"
  printf '#!/bin/sh\necho bench\n' >"$client/Main.exe"
  for f in FONT.ini glew32.dll icon.ico ogg.dll vorbisfile.dll kvAudio.dll; do echo "bench $f" >"$client/$f"; done
  echo "# Bench assets" >"$client/Assets/AGENTS.md"
  echo "bench asset index" >"$client/Assets/assets.idx"
  printf '[Camera]\nZoom=1\n' >"$client/Data/CameraSession.ini"
  printf '[FPS]\nLimit=144\n' >"$client/Data/Custom/config.ini"
  echo "bench macros" >"$client/Data/Macro.txt"
  printf '<Resolutions>\n</Resolutions>\n' >"$client/Data/Resolutions.xml"
}

# count files of size_bytes random bytes each under Assets/ (each becomes one content-addressed blob).
make_assets() {  # client folder, count, size in bytes
  local assets=$1/Assets/bench
  mkdir -p "$assets"
  head -c $(($2 * $3)) /dev/urandom | split -b "$3" -a 6 -d - "$assets/f"
}

start_server() {  # served folder
  local log=$work/server.log
  "$server_tool" serve --cert "$keys/demo-only-server.pem" --key "$keys/demo-only-server.key" --port 0 "$1" \
    >"$log" 2>&1 &
  server_pid=$!
  for _ in $(seq 100); do grep -q '^serving' "$log" && break; sleep 0.05; done
  port=$(sed -n 's/^serving .* at https:\/\/127\.0\.0\.1:\([0-9]*\)\/$/\1/p' "$log")
  [[ -n $port ]] || { cat "$log" >&2; exit 1; }
}

# /usr/bin/time's figures as "wall cpu rss_kib".
timed() {  # output file, command...
  local out=$1; shift
  /usr/bin/time -f '%e %U %S %M' -o "$out.time" "$@" >"$out.stdout" 2>"$out.stderr" || {
    echo "bench-install: run failed: $*" >&2; cat "$out.stderr" >&2; return 1; }
  awk '{printf "%s %.2f %s\n", $1, $2 + $3, $4}' "$out.time"
}

run_ours() {  # label, file count
  local game=$work/game
  rm -rf "$game"
  mkdir -p "$game"
  cp "$launcher" "$game/QoTarmish-dev"
  local figures
  figures=$(cd "$game" && QO_DEV_UPDATE_URL=https://127.0.0.1:$port QO_DEV_CA_FILE=$keys/demo-only-ca.pem \
    QO_DEV_RELEASE_KEY=$keys/demo-only-release.blob timed "$work/ours" ./QoTarmish-dev --baixar-cliente --teste)
  grep -q '^OK' <(tr -d '\r' <"$game/Data/Launcher/cliente_teste.log") ||
    { echo "bench-install: the launcher failed:" >&2; cat "$game/Data/Launcher/cliente_teste.log" >&2; exit 1; }
  echo "$figures"
}

run_curl() {  # release id, served release folder
  local out=$work/curl-out config=$work/curl.config rel
  rm -rf "$out"
  mkdir -p "$out"
  : >"$config"
  while IFS= read -r rel; do
    printf 'url = "https://127.0.0.1:%s/client/releases/%s/%s"\noutput = "%s/%s"\n' "$port" "$1" "$rel" "$out" "$rel"
  done < <(cd "$2" && find . -type f -printf '%P\n') >"$config"
  timed "$work/curl" curl --parallel --parallel-max 12 --cacert "$trust" --create-dirs --fail -sS -K "$config"
}

median_line() { sort -n -k1,1 | awk '{a[NR]=$0} END {print a[int((NR + 1) / 2)]}'; }

summary=()
bench() {  # label, file count, file size in bytes
  local label=$1 count=$2 size=$3
  local client=$work/client server=$work/server
  rm -rf "$client" "$server"
  make_core_files "$client"
  make_assets "$client" "$count" "$size"
  "$release_tool" build --key "$keys/demo-only-release.pem" "$client" "$server" >/dev/null
  rm -rf "$client"
  local id
  id=$(basename "$(find "$server/client/releases" -mindepth 1 -maxdepth 1 -type d)")
  local files
  files=$(find "$server/client/releases/$id" -type f | wc -l)
  start_server "$server"
  echo "== $label: $files files, $(du -sm "$server/client/releases/$id" | cut -f1) MiB, port $port"
  echo "   side  run  wall_s  cpu_s  peak_rss_kib"
  local ours=() theirs=() i line
  for ((i = 1; i <= runs; i++)); do
    line=$(run_ours "$label" "$count"); ours+=("$line"); echo "   ours  $i    $line"
    line=$(run_curl "$id" "$server/client/releases/$id"); theirs+=("$line"); echo "   curl  $i    $line"
  done
  stop_server
  local mo mc
  mo=$(printf '%s\n' "${ours[@]}" | median_line)
  mc=$(printf '%s\n' "${theirs[@]}" | median_line)
  summary+=("$(awk -v label="$label" -v files="$files" -v o="$mo" -v c="$mc" 'BEGIN {
      split(o, a, " "); split(c, b, " ");
      printf "%-12s %6d files  ours: %7.2f s wall %8.2f s cpu %7.2f ms cpu/file %6.1f MiB rss | curl: %7.2f s wall %8.2f s cpu %7.2f ms cpu/file %6.1f MiB rss",
        label, files, a[1], a[2], 1000 * a[2] / files, a[3] / 1024, b[1], b[2], 1000 * b[2] / files, b[3] / 1024 }')")
  rm -rf "$server" "$work/game" "$work/curl-out"
}

IFS=, read -r -a count_list <<<"$counts"
for n in "${count_list[@]}"; do bench "small-$n" "$n" $((file_kb * 1024)); done
if ((large_mb > 0)); then
  bench "large-$large_files" "$large_files" $((large_mb * 1048576 / large_files))
fi

echo
echo "== summary (median run by wall time)"
printf '%s\n' "${summary[@]}"
if ((large_mb > 0)); then
  echo "large-file throughput: ours $(awk -v mb="$large_mb" -v s="$(echo "${summary[-1]}" | awk '{print $5}')" 'BEGIN {printf "%.0f", mb / s}') MiB/s"
fi
