#!/usr/bin/env bash
# The demo: installs what is missing, builds the updater, lays out a ZOV 4.3F installation
# (tables written by our engine, a stand-in zov.exe), starts a loopback update server that
# offers 4.3G, runs the real updater from the installation's UPDATE folder (on the display
# when there is one, offscreen otherwise) and shows what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

build=build/demo
port=${ZOV_DEMO_PORT:-18731}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZOV_BUILD_BENCH=OFF \
  -DZOV_UPDATE_SERVER_URL="http://127.0.0.1:$port" >/dev/null
cmake --build "$build" -j "$(nproc)" --target zovupd zov_demo_server zov_demo_setup

demo=$(mktemp -d /tmp/zov-demo.XXXXXX)
"$build/tools/zov_demo_setup" "$demo"
cp "$build/app/zovupd" "$demo/ZOV/UPDATE/zovupd"

"$build/tools/zov_demo_server" "$demo/server" "$port" >"$demo/server.log" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  grep -q . "$demo/server.log" 2>/dev/null && break
  sleep 0.1
done

echo "== before the update: $demo/ZOV"
ls -l "$demo/ZOV"
[ -n "${DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen
echo "== running $demo/ZOV/UPDATE/zovupd U \"-demo 1\""
(cd "$demo/ZOV/UPDATE" && ./zovupd U "-demo 1")
status=$?
for _ in $(seq 50); do
  [ -f "$demo/ZOV/zov-started.txt" ] && break
  sleep 0.1
done

echo "== after the update (exit code $status)"
ls -l "$demo/ZOV"
for d in "$demo"/ZOV/ZOV_SICH_U*; do
  echo "== backup directory: $d"
  ls -l "$d"
  sed 's/\r$//' "$d/ZOV_BAK_ID.txt"
done
for d in "$demo"/ZOV/ums_*; do
  echo "== staging directory: $d"
  ls -l "$d"
  sed 's/\r$//' "$d/down_ok.txt"
  echo
done
echo "== installed files"
for f in readme.txt zovres.dll formulare.txt; do
  printf '%-14s %s\n' "$f" "$(tr -d '\r' <"$demo/ZOV/$f")"
done
echo "== the restarted program"
cat "$demo/ZOV/zov-started.txt"
