#!/usr/bin/env bash
# The shared library exports exactly the dbs_ functions its public header
# declares: nothing else, and none of them missing.
set -euo pipefail
lib=$1 header=$2 expected=${3:-}
exported=$(nm -D --defined-only "$lib" | awk '{print $3}' | sort)
declared=$(grep -oE 'DBS_API[^(]*\bdbs_[A-Za-z0-9_]+' "$header" | grep -oE 'dbs_[A-Za-z0-9_]+$' | sort -u || true)
stray=$(grep -v '^dbs_' <<<"$exported" | grep -v '^$' || true)
if [ -n "$stray" ]; then echo "exported but not dbs_: $stray"; exit 1; fi
if [ "$exported" != "$declared" ]; then
  echo "exports and header differ:"; diff <(echo "$declared") <(echo "$exported") || true; exit 1
fi
count=$(grep -c . <<<"$exported" || true)
if [ -n "$expected" ] && [ "$count" -ne "$expected" ]; then echo "libzephra.so exports $count dbs_ functions, not $expected"; exit 1; fi
echo "libzephra.so exports $count dbs_ functions, as declared"
