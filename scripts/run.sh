#!/usr/bin/env bash
# `make run`: makes a fresh default database with the command-line tool and
# shows what it holds.
set -euo pipefail
build=${1:-build/debug}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$build/bin/zephra-db" create "$dir/Studio.ZP3" --format v3 --name Studio
"$build/bin/zephra-db" verify "$dir/Studio.ZP3"
echo
"$build/bin/zephra-db" info "$dir/Studio.ZP3"
