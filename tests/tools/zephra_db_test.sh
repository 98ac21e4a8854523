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

# Names to a spreadsheet and back.
names=$dir/names.ZP3
"$tool" create "$names" >/dev/null
cat >"$dir/all.csv" <<'CSV'
kind,matrix,level,number,field,name
title,,,,name,Studio Zwölf
matrix,1,,,name,Haupt
level,1,2,,name,Audio ü
source,1,1,3,short,C7
source,1,1,3,name,CAM 7
source,1,1,3,name12,Kamera 7 Süd
source,1,1,3,name16,"Kamera 7, Süd €"
destination,1,,5,short,M5
destination,1,,5,name,MON ∞ 5
panel,,,3,name,Régie
UMD,,,4,name,UMD Vier
UMD,,,4,message,Ça tourne
keypad,,,65,name,Kpd Ω
salvo,,,2,short,SÄ
salvo,,,2,name,"Sal ""2"""
CSV
check "import a name of every family" exits 0 "$tool" names import "$names" "$dir/all.csv"
check "says what it wrote" grep -q "15 names written" "$dir/out"
"$tool" names export "$names" >"$dir/export1.csv"
"$tool" create "$dir/fresh.ZP3" >/dev/null
check "import the export into a fresh copy" exits 0 "$tool" names import "$dir/fresh.ZP3" "$dir/export1.csv"
"$tool" names export "$dir/fresh.ZP3" >"$dir/export2.csv"
check "export, import, export gives the same file" cmp -s "$dir/export1.csv" "$dir/export2.csv"
check "the export holds the names as written" grep -q '^salvo,,,2,name,"Sal ""2"""'$'\r''$' "$dir/export1.csv"
check "non-ASCII names survive" grep -q '^source,1,1,3,name16,"Kamera 7, Süd €"' "$dir/export1.csv"
check "the copies are equal" exits 0 "$tool" diff "$names" "$dir/fresh.ZP3"
check "equal databases print nothing" [ ! -s "$dir/out" ]
check "--kinds chooses kinds" exits 0 "$tool" names export "$names" --kinds panel,UMD
check "only those kinds" [ "$(cut -d, -f1 "$dir/out" | LC_ALL=C sort -u | tr -d '\r' | tr '\n' ' ')" = "UMD kind panel " ]
check "an unknown kind" exits 2 "$tool" names export "$names" --kinds panels

cp "$names" "$dir/before.ZP3"
printf 'source,1,1,1,name,OK 1\npanel,,,99,name,X\nlevel,1,x,,name,Y\nsource,1,1,2,name,OK 2\n' >"$dir/bad.csv"
check "an import with bad rows is refused" exits 1 "$tool" names import "$names" "$dir/bad.csv"
check "names the panel row" grep -q "line 2, column 4 (number): there is no panel 99: the database has 32 panels" "$dir/out"
check "names the level row" grep -q "line 3, column 3 (level): 'x' is not a number" "$dir/out"
check "and writes nothing" grep -q "2 refused; nothing written" "$dir/out"
check "the file is byte for byte as it was" cmp -s "$names" "$dir/before.ZP3"
check "a dry run writes nothing either" exits 0 "$tool" names import "$names" --dry-run "$dir/export2.csv"
check "the file is still as it was" cmp -s "$names" "$dir/before.ZP3"
check "--partial writes the sound rows" exits 1 "$tool" names import "$names" "$dir/bad.csv" --partial
check "two of them" grep -q "2 names written" "$dir/out"
check "only the sound rows changed" exits 1 "$tool" diff "$dir/before.ZP3" "$names"
check "exactly those" [ "$(cat "$dir/out")" = "source 1 of level 1: name 'm1s1' → 'OK 1'
source 2 of level 1: name 'm1s2' → 'OK 2'" ]

# What spreadsheets write back: CRLF, quoted cells and a byte order mark;
# or LF, bare cells, no mark.
printf '\xef\xbb\xbf"kind","matrix","level","number","field","name"\r\n"panel","","","1","name","00123"\r\n"UMD","","","2","name","Ünter, 1"\r\n' >"$dir/excel.csv"
check "a CSV with CRLF, quotes and a BOM imports" exits 0 "$tool" names import "$names" "$dir/excel.csv"
printf 'kind,matrix,level,number,field,name\npanel,,,2,name,00124\nsource,1,2,7,name,Kamera 7\n\n,,,,,\n' >"$dir/calc.csv"
check "what Calc writes back imports" exits 0 "$tool" names import "$names" "$dir/calc.csv"
"$tool" names export "$names" --kinds panel,UMD >"$dir/out"
check "names like 00123 stay text" grep -q '^panel,,,1,name,"00123"' "$dir/out"
check "and the others too" grep -q '^UMD,,,2,name,"Ünter, 1"' "$dir/out"
check "the JSON diff names each change once" exits 1 "$tool" diff "$dir/before.ZP3" "$names" --json
check "as JSON" python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); sys.exit(not (len(d) == 6 and d[0]["record"] == "source 1 of level 1" and d[0]["after"] == "OK 1" and {x["family"] for x in d} == {"source", "panel", "UMD"}))' "$dir/out"
check "diff needs a second database or a port" exits 2 "$tool" diff "$names"

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
