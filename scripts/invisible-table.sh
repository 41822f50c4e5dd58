#!/usr/bin/env bash
# Writes engine/InvisibleTable.cpp, the code points that audit and log lines
# write as escapes because they show nothing or steer how text shows: Unicode's
# Default_Ignorable_Code_Point and general category Cf, read from Debian's
# unicode-data package (install-deps.sh tests installs it).
#   invisible-table.sh           writes the table
#   invisible-table.sh --check   exits 1, showing the difference, when the
#                                committed table is not the one the data gives
set -euo pipefail
cd "$(dirname "$0")/.."
data=${UNICODE_DATA:-/usr/share/unicode}
table=engine/InvisibleTable.cpp

# Every range of either property, one "first last" line each, in hexadecimal.
ranges() {
  awk -F';' '/^[0-9A-F]/ && $2 ~ /^ *Default_Ignorable_Code_Point *(#|$)/ {
      gsub(/ /, "", $1); n = split($1, r, /\.\./); print r[1], r[n] }' "$data/DerivedCoreProperties.txt"
  # A range of UnicodeData.txt is its "First>" and "Last>" lines.
  awk -F';' '$3 == "Cf" { if ($2 ~ /First>$/) first = $1; else { print ($2 ~ /Last>$/ ? first : $1), $1 } }' \
    "$data/UnicodeData.txt"
}

# The ranges in order, those that touch or overlap merged, as C++ lines.
merged() {
  ranges | awk '
    function value(hex,    i, v) {
      v = 0
      for (i = 1; i <= length(hex); i++) v = v * 16 + index("0123456789ABCDEF", substr(hex, i, 1)) - 1
      return v
    }
    { print value($1), value($2) }' | sort -n -k1,1 -k2,2 | awk '
    function emit() { printf "    {0x%04X, 0x%04X},\n", first, last }
    NR == 1 { first = $1; last = $2; next }
    $1 <= last + 1 { if ($2 > last) last = $2; next }
    { emit(); first = $1; last = $2 }
    END { if (NR > 0) emit() }'
}

generate() {
  local version
  version=$(sed -n '1s/^# DerivedCoreProperties-\(.*\)\.txt$/\1/p' "$data/DerivedCoreProperties.txt")
  cat <<HEAD
// The code points that show nothing or steer how text shows: Unicode ${version}'s
// Default_Ignorable_Code_Point and general category Cf, in order, touching
// ranges merged. Written by scripts/invisible-table.sh from Debian's
// unicode-data package; run it again rather than edit this file.
#include "engine/InvisibleTable.h"

namespace Corvane::Engine {
namespace {

// clang-format off
constexpr CodeRange kInvisible[] = {
HEAD
  merged
  cat <<'TAIL'
};
// clang-format on

}  // namespace

std::span<const CodeRange> InvisibleRanges() {
    return kInvisible;
}

}  // namespace Corvane::Engine
TAIL
}

for file in DerivedCoreProperties.txt UnicodeData.txt; do
  [ -r "$data/$file" ] || { echo "invisible-table.sh: no $data/$file (install-deps.sh tests installs it)" >&2; exit 2; }
done
case "${1:-}" in
  "") generate >"$table" ;;
  --check) generate | diff -u "$table" - ;;
  *) echo "usage: invisible-table.sh [--check]" >&2; exit 2 ;;
esac
