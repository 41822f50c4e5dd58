#!/usr/bin/env bash
# Writes an audit record to standard output, with awk, in a few seconds: the
# mix of lines a busy server writes, in the plugin's own form, a thousand
# players, one second passing every three lines from 2026-12-01T00:00:00Z.
#   busy-record.sh [LINES]   (1,000,000 by default)
# 30 % granted fly, 15 % granted giveitem with four arguments, 10 % held back
# by a cooldown, 10 % a wrapped command, 13 % refused, 8 % denied, 4 %
# rejected, 8 % other granted commands, 1 % /corvane lines and 1 % failed.
set -euo pipefail
awk -v lines="${1:-1000000}" 'BEGIN {
  srand(17)
  for (i = 0; i < lines; i++) {
    t = int(i / 3)  # seconds since 2026-12-01T00:00:00Z
    time = sprintf("2026-12-%02dT%02d:%02d:%02dZ", 1 + int(t / 86400), int(t / 3600) % 24, int(t / 60) % 60, t % 60)
    p = int(rand() * 1000)
    who = sprintf("\"time\":\"%s\",\"steamId\":\"7656119800000%04d\",\"character\":\"player %d\"", time, p, p)
    r = rand()
    if (r < 0.30) {
      print "{" who ",\"command\":\"fly\",\"permission\":\"Cheat.fly\",\"outcome\":\"granted\"}"
    } else if (r < 0.45) {
      printf "{%s,\"command\":\"giveitem Pickaxe %d 0 0\",\"permission\":\"Cheat.giveitem\",\"outcome\":\"granted\"}\n", who, 1 + int(rand() * 100)
    } else if (r < 0.55) {
      print "{" who ",\"command\":\"fly\",\"permission\":\"Cheat.fly\",\"asked\":[{\"permission\":\"Corvane.NoCooldown\",\"held\":false}],\"outcome\":\"cooldown\"}"
    } else if (r < 0.65) {
      print "{" who ",\"command\":\"wrap god\",\"permission\":\"Cheat.wrap\",\"outcome\":\"granted\"}"
    } else if (r < 0.78) {
      print "{" who ",\"command\":\"spawn wolf 3\",\"permission\":\"Cheat.spawn\",\"outcome\":\"refused\"}"
    } else if (r < 0.86) {
      print "{" who ",\"command\":\"quit\",\"outcome\":\"denied\"}"
    } else if (r < 0.90) {
      print "{" who ",\"command\":\"fly | god\",\"outcome\":\"rejected\"}"
    } else if (r < 0.98) {
      print "{" who ",\"command\":\"slomo 5\",\"permission\":\"Cheat.slomo\",\"outcome\":\"granted\"}"
    } else if (r < 0.99) {
      print "{" who ",\"action\":\"reload\",\"permission\":\"Corvane.Reload\",\"outcome\":\"reloaded\"}"
    } else {
      print "{" who ",\"command\":\"fly\",\"permission\":\"Cheat.fly\",\"outcome\":\"failed\",\"error\":\"No current game mode\"}"
    }
  }
}'
