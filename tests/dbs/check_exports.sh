#!/usr/bin/env bash
# The shared library exports exactly the dbs_ functions of its public header
# and the zephra_ extras of the headers beside it: nothing else, none of them
# missing. The two are counted apart.
set -euo pipefail
lib=$1 header=$2 expected=${3:-} expectedExtras=${4:-}
dir=$(dirname "$header")
exported=$(nm -D --defined-only "$lib" | awk '{print $3}' | sort)
declared=$(grep -oE 'DBS_API[^(]*\bdbs_[A-Za-z0-9_]+' "$header" | grep -oE 'dbs_[A-Za-z0-9_]+$' | sort -u || true)
extras=$(cat "$dir"/*.h | grep -oE 'DBS_API[^(]*\bzephra_[A-Za-z0-9_]+' | grep -oE 'zephra_[A-Za-z0-9_]+$' | sort -u || true)
stray=$(grep -vE '^(dbs_|zephra_)' <<<"$exported" | grep -v '^$' || true)
if [ -n "$stray" ]; then echo "exported but not dbs_ or zephra_: $stray"; exit 1; fi
exportedDbs=$(grep '^dbs_' <<<"$exported" || true)
exportedExtras=$(grep '^zephra_' <<<"$exported" || true)
if [ "$exportedDbs" != "$declared" ]; then
  echo "dbs_ exports and header differ:"; diff <(echo "$declared") <(echo "$exportedDbs") || true; exit 1
fi
if [ "$exportedExtras" != "$extras" ]; then
  echo "zephra_ exports and headers differ:"; diff <(echo "$extras") <(echo "$exportedExtras") || true; exit 1
fi
count=$(grep -c . <<<"$exportedDbs" || true)
extraCount=$(grep -c . <<<"$exportedExtras" || true)
if [ -n "$expected" ] && [ "$count" -ne "$expected" ]; then echo "libzephra.so exports $count dbs_ functions, not $expected"; exit 1; fi
if [ -n "$expectedExtras" ] && [ "$extraCount" -ne "$expectedExtras" ]; then
  echo "libzephra.so exports $extraCount zephra_ extras, not $expectedExtras"; exit 1
fi
echo "libzephra.so exports $count dbs_ functions and $extraCount zephra_ extras, as declared"
