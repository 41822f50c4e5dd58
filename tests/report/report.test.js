// The report page in a real browser (Debian's Chromium, headless): a record
// the dev host made with the real plugin, its counts against those worked out
// apart by expected.py, the filters, a player's whole history, the caps, and
// hostile records whose text must show as text and run nothing. Screenshots
// are kept in CORVANE_ARTIFACTS for a person to look at.
//
//   CORVANE_DEVHOST=build/bin/corvane-devhost CORVANE_ARTIFACTS=build/report-artifacts node --test tests/report/
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { chromium } = require('playwright-core');
const records = require('./records.js');

const devhost = path.resolve(process.env.CORVANE_DEVHOST || 'build/bin/corvane-devhost');
const artifacts = path.resolve(process.env.CORVANE_ARTIFACTS || 'build/report-artifacts');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'corvane-report-'));
let context;

test.before(async () => {
  fs.mkdirSync(artifacts, { recursive: true });
  context = await chromium.launchPersistentContext(fs.mkdtempSync(path.join(work, 'profile-')), {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run'],
    viewport: { width: 1400, height: 900 },
  });
});

test.after(async () => {
  await context?.close();
  fs.rmSync(work, { recursive: true, force: true });
});

// Opens a page, and collects whatever it must not do: run a dialog, load
// anything, break its Content-Security-Policy or log an error.
async function open(file, fragment = '') {
  const page = await context.newPage();
  const trouble = [];
  page.on('dialog', (dialog) => { trouble.push(`dialog ${dialog.message()}`); dialog.dismiss(); });
  page.on('request', (request) => {
    if (!request.url().startsWith('file://')) trouble.push(`request ${request.url()}`);
  });
  page.on('console', (message) => {
    if (message.type() === 'error') trouble.push(`console ${message.text()}`);
  });
  page.on('pageerror', (error) => trouble.push(`error ${error.message}`));
  await page.addInitScript(() => {
    document.addEventListener('securitypolicyviolation', (event) => {
      (window.__violations = window.__violations || []).push(`${event.violatedDirective} ${event.sample}`);
    });
  });
  await page.goto(`file://${file}${fragment}`);
  await page.waitForFunction(() => document.documentElement.dataset.firstChart === 'drawn');
  page.trouble = async () => trouble.concat(await page.evaluate(() => window.__violations || []));
  return page;
}

const rows = (page, selector) => page.$$eval(`${selector} tbody tr`, (trs) =>
  trs.map((tr) => [...tr.cells].map((cell) => cell.textContent)));
const count = (text) => Number(String(text).replace(/,/g, '') || 0);
const matchCount = async (page) => count((await page.textContent('#lines-note')).match(/^([\d,]+) of/)[1]);

// The two servers' record and its page, made once for the tests that read them.
let serversRecord;
function servers() {
  if (!serversRecord) {
    const record = records.makeServers(devhost, work);
    serversRecord = { want: records.expected(record.files),
      page: records.makePage(devhost, record, path.join(artifacts, 'servers.html')) };
  }
  return serversRecord;
}

async function filter(page, fragment) {
  await page.evaluate((f) => { location.hash = f; }, fragment);
  await page.waitForFunction((f) => decodeURIComponent(location.hash) === f, fragment);
}

test('the counts a record shows are the record\'s, worked out apart', async () => {
  const { want, page: file } = servers();
  const page = await open(file);
  await page.screenshot({ path: path.join(artifacts, 'servers.png'), fullPage: true });
  await page.screenshot({ path: path.join(artifacts, 'servers-top.png') });

  const outcomeRows = (await rows(page, '#outcome-table')).filter(([word]) => word !== 'all');
  const outcomes = Object.fromEntries(outcomeRows.map(([word, lines]) => [word, count(lines)]));
  assert.deepEqual(outcomes, want.outcomes);
  const omitted = Object.fromEntries(outcomeRows.filter(([, , n]) => n).map(([word, , n]) => [word, count(n)]));
  assert.deepEqual(omitted, want.omitted);
  const commands = Object.fromEntries((await rows(page, '#command-table'))
    .map(([name, uses]) => [name === '(no name)' ? '' : name, count(uses)]));
  assert.deepEqual(commands, want.commands);
  const players = Object.fromEntries((await rows(page, '#player-table')).map(([id, , lines]) => [id, count(lines)]));
  assert.deepEqual(players, want.players);
  assert.equal(await matchCount(page), want.lines.length);
  const files = await rows(page, '#file-table');
  assert.equal(files.reduce((n, file) => n + count(file[3]), 0), want.invalid);
  assert.deepEqual(files.map((file) => file[1]), ['island', 'island', 'dunes']);
  assert.deepEqual(await page.trouble(), []);
});

test('filters narrow the tables, a player\'s history is whole, and the charts say what they can\'t follow', async () => {
  const { want: { lines: want }, page: file } = servers();
  const page = await open(file);
  const times = want.map((l) => l.time).sort();
  const bob = '76561198000000002';
  const cases = [
    ['#outcome=refused', (l) => l.outcome === 'refused'],
    ['#player=bob&outcome=refused', (l) => l.steamId === bob && l.outcome === 'refused'],
    [`#player=${bob}`, (l) => l.steamId === bob],
    ['#command=FLY&server=island', (l) => l.name === 'fly' && l.server === 'island'],
    ['#server=cave', (l) => l.server === 'cave'],
    ['#text=pick', (l) => l.command.toLowerCase().includes('pick')],
    [`#from=${times[5]}&to=${times[12]}`, (l) => l.time >= times[5] && l.time <= times[12]],
  ];
  for (const [fragment, wanted] of cases) {
    await filter(page, fragment);
    assert.equal(await matchCount(page), want.filter(wanted).length, fragment);
    const shown = await rows(page, '#line-table');
    assert.equal(shown.length, Math.min(100, want.filter(wanted).length), fragment);
  }
  await filter(page, '#player=bob');
  assert.match(await page.textContent('#uses-chart-note'), /can't follow the player filter/);
  await filter(page, '#command=fly');
  assert.doesNotMatch(await page.textContent('#uses-chart-note'), /can't follow/);

  // A shared link opens the same view; a Steam id opens the player's history, oldest first.
  const shared = await open(file, `#history=${bob}&outcome=refused`);
  assert.equal(await shared.inputValue('select[name=outcome]'), 'refused');
  await shared.click('#clear');
  await shared.click(`#player-table button:text-is("${bob}")`);
  await shared.waitForSelector('#history:not([hidden])');
  const history = await rows(shared, '#history-table');
  const theirs = want.filter((l) => l.steamId === bob);
  assert.equal(history.length, theirs.length);
  assert.deepEqual(history.map((row) => row[0]), theirs.map((l) => l.time).sort());
  assert.match(await shared.textContent('#history-note'), /All [\d,]+ of their lines are in the page/);
  await shared.screenshot({ path: path.join(artifacts, 'history.png'), fullPage: true });
  assert.deepEqual(await page.trouble(), []);
  assert.deepEqual(await shared.trouble(), []);
});

test('a hostile record runs nothing and shows its text as text, every invisible character escaped', async () => {
  const hostile = records.makeHostile(devhost, work);
  const page = await open(records.makePage(devhost, hostile, path.join(artifacts, 'hostile.html')));
  await page.screenshot({ path: path.join(artifacts, 'hostile.png'), fullPage: true });
  const state = await page.evaluate(() => ({
    pwned: window.__pwned,
    images: document.images.length,
    scripts: document.scripts.length,
    handlers: [...document.querySelectorAll('*')].flatMap((e) => [...e.attributes].map((a) => a.name))
      .filter((name) => name.startsWith('on')),
    links: [...document.querySelectorAll('a')].map((a) => a.getAttribute('href')).filter((h) => !h.startsWith('#')),
  }));
  assert.deepEqual(state, { pwned: undefined, images: 0, scripts: 3, handlers: [], links: [] });
  const text = (await rows(page, '#line-table')).map((row) => row.join('\t')).join('\n');
  for (const shown of ['fly </script><script>window.__pwned = 1</script>', '<img src=x onerror="window.__pwned = 2">',
    'javascript:window.__pwned = 3', 'ex\\u200Bit', '\\u202Emallory', '\\u202Edlrow\\u202C', '\\u2066x\\u2069',
    '\\uFEFFa\\u00ADb', '\\uDB40\\uDC41', '\\u061C', '\\u180E', '<b><b><b>']) {
    assert.ok(text.includes(shown), shown);
  }
  assert.ok(!/[\u200B\u202E\u2066\uFEFF\u00AD\u061C\u180E]|\u{E0041}/u.test(text), 'an invisible character shows raw');
  const escapes = await page.$$eval('#line-table .esc', (spans) => spans.map((s) => s.textContent));
  assert.ok(escapes.includes('\\u200B'));
  // A 16 KiB line shows its start and says how much more there was.
  assert.match(text, /A{996} … [\d,]+ more characters/);
  assert.equal(await page.$eval('select[name=server]', (s) => s.options[s.options.length - 1].textContent),
    '<script>window.__pwned = 6</script>');
  const files = await rows(page, '#file-table');
  assert.equal(count(files[0][3]), 2);
  for (const fragment of ['#text=<script>', '#player=<img', '#text=javascript:']) {
    await filter(page, fragment);
  }
  assert.equal(await page.evaluate(() => window.__pwned), undefined);
  assert.deepEqual(await page.trouble(), []);
});

test('past the raw-line cap the page says how many lines it left out, and still counts them', async () => {
  const long = records.makeLong(work, 25000);
  const page = await open(records.makePage(devhost, long, path.join(artifacts, 'long.html')));
  assert.equal(await matchCount(page), 20000);
  assert.match(await page.textContent('#lines-note'),
    /^20,000 of the 20,000 lines in the page match, newest first\. 5,001 older lines are left out/);
  const [outcomes] = await rows(page, '#outcome-table');
  assert.deepEqual(outcomes.slice(0, 2), ['granted', '25,000']);
  await page.click('#player-table button');
  await page.waitForSelector('#history:not([hidden])');
  assert.match(await page.textContent('#history-note'), /5,001 of their 25,001 lines are left out by the raw-line cap/);
  assert.deepEqual(await page.trouble(), []);
});
