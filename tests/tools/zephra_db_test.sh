#!/usr/bin/env bash
# The command-line tool from the outside, as an engineer or a script uses it.
set -uo pipefail
tool=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0 passes=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then passes=$((passes + 1)); else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
exits() { local want=$1; shift; "$@" >"$dir/out" 2>"$dir/err"; [ $? -eq "$want" ]; }

db=$dir/x.ZP3
check "create v3" exits 0 "$tool" create "$db" --format v3
check "default v3 size" [ "$(stat -c %s "$db")" -eq 2261304 ]
check "verify a sound file" exits 0 "$tool" verify "$db"
check "verify checks the stored links" grep -q "every sequence tree, free list and salvo chain is sound" "$dir/out"
check "create onto an existing file" exits 3 "$tool" create "$db"
check "says the file exists" grep -q "already exists" "$dir/err"
check "info names the format" exits 0 "$tool" info "$db"
check "info shows V3" grep -q "V3 (tag ZP300.00)" "$dir/out"
check "dump" exits 0 "$tool" dump "$db"
check "dump is JSON with the type" python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); sys.exit(d["configuration"]["configType"] != 4 or d["file"]["blocks"] != 2204)' "$dir/out"
check "dump holds the records" python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); sys.exit(not (len(d["levels"]) == 4 and d["levels"][1]["name"] == "Level 2" and d["levels"][0]["sources"][31]["names"][1] == "m1s32" and d["destinationAssociations"][767]["name"] == "m1d768" and d["title"] == "Database File " and d["generalPorts"][1]["protocol"] == 6 and d["keypads"][32]["keys"][9]["name"] == "Dest 10" and d["salvos"][31]["name"] == "Salvo 32" and d["trigLines"] == [138, 134, 0, 134] and d["panels"][3]["destKeypad"] == 35 and d["panels"][3]["xyDestinations"][767] == 767 and d["umds"][4]["name"] == "UMD 5"))' "$dir/out"

printf '\001' | dd of="$db" bs=1 seek=5000 conv=notrunc status=none
check "verify finds damage" exits 1 "$tool" verify "$db"
check "verify names block 4" grep -q "^block 4 (bytes 4096-5119)" "$dir/out"
cp "$db" "$dir/damaged.copy"
check "salvage a damaged file" exits 0 "$tool" salvage "$db" "$dir/saved.ZP3"
check "salvage names the bad block" grep -q "^block 4 (bytes 4096-5119) does not match its checksum" "$dir/out"
check "salvage leaves the damaged file as it was" cmp -s "$db" "$dir/damaged.copy"
check "the salvaged file verifies" exits 0 "$tool" verify "$dir/saved.ZP3"
check "salvage never writes onto the damaged file" exits 3 "$tool" salvage "$db" "$db" --overwrite
check "nor onto an existing file" exits 3 "$tool" salvage "$db" "$dir/saved.ZP3"
truncate -s 1000000 "$db"
check "verify a short file" exits 1 "$tool" verify "$db"
check "says the size is wrong" grep -q "1000000 bytes long" "$dir/out"
check "salvage a short file" exits 1 "$tool" salvage "$db" "$dir/short.ZP3"
check "says what it lost" grep -q "^dropped: the file ends at byte 1000000" "$dir/out"
head -c 100 "$db" >"$dir/stub.ZP3"
check "salvage a stub" exits 3 "$tool" salvage "$dir/stub.ZP3" "$dir/none.ZP3"

cat >"$dir/small.json" <<'JSON'
{"name": "Small", "configType": 3, "version": "ZP201.00", "matrixCount": 1, "levelCount": [2],
 "sourceCount": [[33, 16]], "destCount": [[32, 16]], "sourceAssocCount": [40], "destAssocCount": [40],
 "generalPortCount": 2, "panelCount": 4, "keypadCount": 8, "keyCount": [64, 64, 64, 64, 36, 36, 36, 36],
 "umdCount": 2, "salvoCount": 2, "salvoXPCount": 100}
JSON
check "create from JSON" exits 0 "$tool" create "$dir/small.ZP2" --config "$dir/small.json"
check "JSON database verifies" exits 0 "$tool" verify "$dir/small.ZP2"
check "dump gives the JSON back" exits 0 "$tool" dump "$dir/small.ZP2"
check "counts survive" python3 -c 'import json,sys; c=json.load(open(sys.argv[1]))["configuration"]; sys.exit(not (c["sourceCount"]==[[33,16]] and c["name"]=="Small" and c["outputSetCount"]==32))' "$dir/out"

echo '{"panelCount": 99, "configType": 4, "version": "ZP300.00"}' >"$dir/big.json"
check "a configuration over the limits" exits 3 "$tool" create "$dir/big.ZP3" --config "$dir/big.json"
check "says which limit" grep -q "breaks a limit" "$dir/err"
check "leaves no file" [ ! -e "$dir/big.ZP3" ]
echo '{"panels": 4}' >"$dir/typo.json"
check "an unknown field" exits 3 "$tool" create "$dir/t.ZP3" --config "$dir/typo.json"
check "names the field" grep -q '"panels"' "$dir/err"
check "a missing file" exits 3 "$tool" info "$dir/none.ZP3"
check "says not found" grep -q "not found" "$dir/err"
check "an unknown command" exits 2 "$tool" frobnicate
check "a bad format" exits 2 "$tool" create "$dir/y.ZP3" --format v9

# Reconfigure and convert.
re=$dir/re.ZP2
"$tool" create "$re" --format v2 >/dev/null
cat >"$dir/bigger.json" <<'JSON'
{"configType": 3, "version": "ZP201.00", "matrixCount": 1, "levelCount": [2], "sourceCount": [[64, 16]],
 "destCount": [[32, 16]], "sourceAssocCount": [64], "destAssocCount": [64], "generalPortCount": 2,
 "multidropPortCount": 2, "panelCount": 8, "keypadCount": 8, "keyCount": [64, 64, 64, 64, 36, 36, 36, 36],
 "umdCount": 4, "salvoCount": 4, "salvoXPCount": 100}
JSON
check "reconfigure" exits 0 "$tool" reconfigure "$re" "$dir/re2.ZP2" --config "$dir/bigger.json"
check "the reconfigured file verifies" exits 0 "$tool" verify "$dir/re2.ZP2"
check "the old file is untouched" exits 0 "$tool" verify "$re"
check "convert to V3" exits 0 "$tool" convert "$re" "$dir/re.ZP3" --format v3
check "the converted file is V3" exits 0 "$tool" info "$dir/re.ZP3"
check "info shows it" grep -q "V3 (tag ZP300.00)" "$dir/out"
check "never onto the open file" exits 3 "$tool" convert "$re" "$re" --format v3 --overwrite
check "says it is in use" grep -q "in use" "$dir/err"

# On-line, against the simulated controller.
sim=${2:-}
if [ -n "$sim" ]; then
  "$sim" --format v3 --no-pace --link "$dir/COM9" --restart-ms 50 >"$dir/sim.out" &
  simpid=$!
  trap 'kill $simpid 2>/dev/null; wait $simpid 2>/dev/null; rm -rf "$dir"' EXIT
  for _ in $(seq 50); do [ -e "$dir/COM9" ] && break; sleep 0.1; done
  live=$dir/live.ZP3
  "$tool" create "$live" --format v3 >/dev/null
  check "a new database differs from an empty controller" exits 1 "$tool" online-status "$live" --port "$dir/COM9"
  check "says it differs" grep -q "holds a different database" "$dir/out"
  check "download" exits 0 "$tool" download "$live" --port "$dir/COM9" --params
  check "now the controller holds it" exits 0 "$tool" online-status "$live" --port "$dir/COM9"
  other=$dir/other.ZP2
  "$tool" create "$other" --format v2 >/dev/null
  check "a V2 database against a V3 controller" exits 3 "$tool" online-status "$other" --port "$dir/COM9"
  check "says which controller" grep -q "not hold a V2 database" "$dir/err"
  back=$dir/back.ZP3
  "$tool" create "$back" --config <(echo '{"configType": 4, "version": "ZP300.00", "matrixCount": 1, "levelCount": [1], "sourceCount": [[8]], "destCount": [[8]]}') >/dev/null
  check "upload" exits 0 "$tool" upload "$back" --port "$dir/COM9"
  check "the uploaded file has the controller's dimensions" [ "$(stat -c %s "$back")" -eq "$(stat -c %s "$live")" ]
  check "and verifies" exits 0 "$tool" verify "$back"
  check "a port that is not there" exits 3 "$tool" online-status "$live" --port "$dir/none"
fi

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
