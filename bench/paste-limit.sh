#!/usr/bin/env bash
# How large a page can be pasted sensibly: puts the classic page's cells on an X clipboard as
# text/html (as Wine hands "HTML Format" on to X programs) and pastes them into a Chromium editor
# (a contenteditable element, as webmail and chat editors are), timing each paste from the key press
# to the pasted cells laid out. Needs Xvfb, xdotool, xclip and chromium; runs on a display of its own.
# Usage: bench/paste-limit.sh [CELLS...]   (default 10000 25000 50000 100000 200000 400000)
set -euo pipefail
work=$(mktemp -d)
display=:${PASTE_DISPLAY:-93}
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
browser=""
cleanup() {
  [ -n "$browser" ] && kill "$browser" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

cat >"$work/editor.html" <<'HTML'
<!doctype html><html><head><title>ready</title></head><body>
<div id="editor" contenteditable="true" style="min-height:300px;border:1px solid #888"></div>
<script>
const editor = document.getElementById('editor');
editor.focus();
let start = 0;
document.addEventListener('paste', () => { start = performance.now(); }, true);
editor.addEventListener('input', () => requestAnimationFrame(() => setTimeout(() => {
  document.title = 'pasted ' + Math.round(performance.now() - start) + ' ms, ' +
    editor.getElementsByTagName('font').length + ' cells';
}, 0)));
</script></body></html>
HTML

for cells in "${@:-10000 25000 50000 100000 200000 400000}"; do
  python3 - "$cells" >"$work/fragment.html" <<'PY'
import random, sys
cells = int(sys.argv[1]); columns = 200
random.seed(1)
out = ["<html><body><!--StartFragment--><TABLE CELLPADDING=0 CELLSPACING=0><TR><TD BGCOLOR=#000000>",
       "<CENTER><FONT FACE='Courier New' SIZE=1>\r\n"]
for n in range(cells):
    out.append("<FONT COLOR=#%06X>%d</FONT>" % (random.getrandbits(24), n % 2))
    if n % columns == columns - 1:
        out.append("<BR>\r\n")
out.append("</FONT></CENTER></TD></TR></TABLE><!--EndFragment--></body></html>")
sys.stdout.write("".join(out))
PY
  bytes=$(stat -c %s "$work/fragment.html")
  # -quiet keeps xclip in the foreground, serving the selection, until it is ended.
  xclip -quiet -selection clipboard -t text/html -i "$work/fragment.html" >/dev/null 2>&1 &
  owner=$!
  sleep 0.5
  rm -rf "$work/profile"
  chromium --no-sandbox --disable-gpu --no-first-run --disable-background-networking --disable-sync \
    --user-data-dir="$work/profile" --window-size=1200,900 "file://$work/editor.html" >/dev/null 2>&1 &
  browser=$!
  window=""
  for _ in $(seq 300); do window=$(xdotool search --name '^ready' 2>/dev/null | head -n 1) && [ -n "$window" ] && break; sleep 0.1; done
  xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
  sleep 1
  begin=$(date +%s.%N)
  xdotool key --window "$window" ctrl+v
  result="no paste within 180 s"
  for _ in $(seq 1800); do
    title=$(xdotool getwindowname "$window" 2>/dev/null || true)
    if [[ $title == pasted* ]]; then
      result="$title; $(python3 -c "import sys; print('%.1f s from the key' % (float(sys.argv[2]) - float(sys.argv[1])))" "$begin" "$(date +%s.%N)")"
      break
    fi
    sleep 0.1
  done
  echo "$cells cells, $bytes bytes of HTML: $result"
  kill "$browser" 2>/dev/null || true
  wait "$browser" 2>/dev/null || true
  browser=""
  kill "$owner" 2>/dev/null || true
  wait "$owner" 2>/dev/null || true
done
