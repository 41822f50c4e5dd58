// How soon the report page draws its first chart: the time from navigation
// start to the mark the page sets then, in headless Chromium, each run in a
// fresh tab; prints each run and their median, in milliseconds.
//   node tests/report/first-chart.js PAGE [RUNS]   (3 by default)
'use strict';
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { chromium } = require('playwright-core');

(async () => {
  const page = path.resolve(process.argv[2]);
  const runs = Number(process.argv[3] || 3);
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'corvane-first-chart-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium', headless: true, viewport: { width: 1400, height: 900 },
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run'],
  });
  const times = [];
  for (let run = 0; run < runs; ++run) {
    const tab = await context.newPage();
    await tab.goto(`file://${page}`, { timeout: 120000 });
    await tab.waitForFunction(() => document.documentElement.dataset.firstChart === 'drawn', null, { timeout: 120000 });
    times.push(await tab.evaluate(() => performance.getEntriesByName('report:first-chart')[0].startTime));
    await tab.close();
  }
  await context.close();
  fs.rmSync(profile, { recursive: true, force: true });
  const median = times.slice().sort((a, b) => a - b)[Math.floor(times.length / 2)];
  console.log(`first chart: ${times.map((t) => t.toFixed(0)).join(', ')} ms; median ${median.toFixed(0)} ms`);
})();
