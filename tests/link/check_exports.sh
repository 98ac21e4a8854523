#!/usr/bin/env bash
# libtolvex.so exports exactly the commands its public header declares.
set -euo pipefail
lib=$1 header=$2 expected=${3:-}
exported=$(nm -D --defined-only "$lib" | awk '{print $3}' | grep -v '^$' | sort)
declared=$(grep -v '^#' "$header" | grep -oE 'TOLVEX_API [^(]*\(' | grep -oE '[A-Za-z_][A-Za-z0-9_]*\($' | tr -d '(' | sort -u)
if [ "$exported" != "$declared" ]; then
  echo "exports and header differ:"; diff <(echo "$declared") <(echo "$exported") || true; exit 1
fi
count=$(grep -c . <<<"$exported")
if [ -n "$expected" ] && [ "$count" -ne "$expected" ]; then echo "libtolvex.so exports $count commands, not $expected"; exit 1; fi
echo "libtolvex.so exports $(grep -c . <<<"$exported") commands, as declared"
