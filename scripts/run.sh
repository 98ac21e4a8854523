#!/usr/bin/env bash
# `make run`: shows what the build produced.
set -euo pipefail
build=${1:-build/debug}
echo "Built in $build/bin:"
ls -1 "$build/bin"
echo
echo "libzephra.so exports:"
nm -D --defined-only "$build/bin/libzephra.so" | awk '{print "  " $3}'
