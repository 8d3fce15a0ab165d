#!/usr/bin/env bash
# Writes a linker map beside a linked program, in the layout the fault report reads:
# a "Timestamp is" line, the preferred load address, then "Publics by Value" with one
# " 0001:" line per code symbol in address order and " 0002:" lines for data after them.
#   cmake/mapfile.sh NM OBJDUMP program.exe program.map
set -eu
nm=$1 objdump=$2 program=$3 map=$4

base=$("$objdump" -p "$program" | awk '$1 == "ImageBase" { print $2; exit }')
text=$("$objdump" -h "$program" | awk '$2 == ".text" { print $4; exit }')
stamp=$(date +%s)
{
  printf ' %s\n\n' "$(basename "${program%.*}")"
  printf ' Timestamp is %08x (%s)\n\n' "$stamp" "$(date -u -d "@$stamp")"
  printf ' Preferred load address is %s\n\n' "$base"
  printf '  Address         Publics by Value              Rva+Base               Lib:Object\n\n'
  "$nm" -n --defined-only "$program" | awk -v text="$text" '
    function hex(s,   i, v) { v = 0; s = tolower(s); for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1; return v }
    BEGIN { start = hex(text) }
    NF == 3 && substr($3, 1, 1) != "." {
      if ($2 == "T" || $2 == "t") code[++ncode] = sprintf(" 0001:%08x       %-40s %s f", hex($1) - start, $3, $1)
      else data[++ndata] = sprintf(" 0002:00000000       %-40s %s", $3, $1)
    }
    END { for (i = 1; i <= ncode; i++) print code[i]; for (i = 1; i <= ndata; i++) print data[i] }'
} >"$map"
