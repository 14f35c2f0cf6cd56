#!/usr/bin/env bash
# Writes CHANGELOG.md as a Debian changelog on standard output: one entry per "## VERSION (DATE)"
# section, its text and "- " items as "  * " items wrapped at 80 columns, signed by the maintainer.
# Usage: changelog.sh CHANGELOG.md "NAME <ADDRESS>"
set -euo pipefail
changelog=$1
maintainer=$2

# Each section as lines "entry VERSION DATE", "item TEXT" (an item's wrapped lines joined; the
# prose before the items counts as one item) and "end"; Markdown's backticks dropped.
sections() {
  awk '
    function flush() { if (text != "") print "item " text; text = "" }
    /^## / {
      if (open) { flush(); print "end" }
      version = $2; date = $3; gsub(/[()]/, "", date)
      print "entry " version " " date; open = 1; next
    }
    !open { next }
    /^- / { flush(); text = substr($0, 3); next }
    /^[[:space:]]*$/ { flush(); next }
    { sub(/^[[:space:]]+/, ""); text = text (text == "" ? "" : " ") $0 }
    END { if (open) { flush(); print "end" } }
  ' "$1" | tr -d '`'
}

while read -r kind rest; do
  case $kind in
    entry)
      read -r version date <<<"$rest"
      stamp=$(LC_ALL=C date -u -R -d "$date 12:00") || { echo "changelog.sh: bad date '$date'" >&2; exit 1; }
      printf 'glyphcast-convert (%s) unstable; urgency=medium\n\n' "$version"
      ;;
    item)
      fold -s -w 76 <<<"$rest" | sed -e 's/ *$//' -e '1s/^/  * /' -e '2,$s/^/    /'
      ;;
    end)
      printf '\n -- %s  %s\n\n' "$maintainer" "$stamp"
      ;;
  esac
done < <(sections "$changelog") | sed '$d'
