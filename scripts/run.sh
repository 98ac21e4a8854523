#!/usr/bin/env bash
# `make run`: starts the editor. With no display it runs the editor under a
# virtual one, makes a demo database in a scratch folder and saves pictures
# of its windows instead, and says where.
set -euo pipefail
build=${1:-build/debug}
bin=$build/bin
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/zephra-editor"
fi
out=$build/../screenshots
mkdir -p "$out"
out=$(cd "$out" && pwd)
if command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1280x1024x24" "$bin/zephra-editor" --screenshots "$out"
else
  QT_QPA_PLATFORM=offscreen "$bin/zephra-editor" --screenshots "$out"
fi
echo "No display: the editor ran on a virtual one over a demo database. Its windows are in $out:"
ls -1 "$out" | sed 's/^/  /'
