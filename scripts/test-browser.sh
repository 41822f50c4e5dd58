#!/usr/bin/env bash
# The report page in a real browser: Debian's Chromium, headless, driven by
# playwright-core (tests/report/package-lock.json) under Node.js's own test
# runner. Uses the default preset's dev host (test-native.sh builds it) and
# keeps the pages and screenshots in build/report-artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh browser
scripts/build.sh default --target corvane-devhost >/dev/null
npm ci --prefix tests/report --no-audit --no-fund --silent
CORVANE_DEVHOST=build/bin/corvane-devhost CORVANE_ARTIFACTS=build/report-artifacts \
  node --test tests/report/report.test.js
