#!/usr/bin/env bash
# Compares two runs of the picture benchmark, row by row, by their "x memcpy"
# ratios (each measured against memcpy in its own run): prints both ratios
# and their quotient, and marks rows above the limit (default 1.2).
#   compare_ratios.sh <reference table> <other table> [limit]
set -euo pipefail
limit="${3:-1.2}"
awk -F'|' -v limit="$limit" '
  function trim(s) { gsub(/^ +| +$/, "", s); return s }
  # Rows of the main table: | name | ms | x memcpy | ...
  FNR == 1 { file++ ; table = 0 }
  /^\| Operation \|/ { table = 1; next }
  /^$/ { table = 0 }
  table && /^\| [^-]/ {
    name = trim($2); ratio = trim($4) + 0
    if (file == 1) { ref[name] = ratio; order[++n] = name } else other[name] = ratio
  }
  END {
    printf "| Operation | reference x memcpy | other x memcpy | other / reference |\n|---|---:|---:|---:|\n"
    over = 0
    for (i = 1; i <= n; i++) {
      name = order[i]
      if (!(name in other) || ref[name] <= 0) continue
      q = other[name] / ref[name]
      mark = q > limit ? " (above " limit ")" : ""
      if (q > limit) over++
      printf "| %s | %.2f | %.2f | %.2f%s |\n", name, ref[name], other[name], q, mark
    }
    printf "\n%d row(s) above %s\n", over, limit
  }' "$1" "$2"
