// The records the browser tests open. The dev host makes them with the real
// plugin; they are then laid out as an operator gathers several servers'
// files (a rotated file, a folder per server), and the lines the plugin's
// later versions write (names, the flood control's summaries, carried lines,
// reloads naming paths, use limits, forgive lines, a server member) are added
// by hand in their fixed format.
'use strict';
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');

const AUDIT = path.join('Velkor', 'Plugins', 'Corvane', 'CheatAudit.jsonl');

function fnv1a(text) {
  let hash = 0xcbf29ce484222325n;
  for (const byte of Buffer.from(text, 'utf8')) {
    hash = ((hash ^ BigInt(byte)) * 0x100000001b3n) & 0xffffffffffffffffn;
  }
  return hash.toString(16).padStart(16, '0');
}

// The audit lines the dev host's plugin writes for a script.
function runDevHost(devhost, work, name, script) {
  const server = path.join(work, `${name}-server`);
  fs.rmSync(server, { recursive: true, force: true });
  execFileSync(devhost, ['--server-dir', server, '-'], { input: script, stdio: ['pipe', 'ignore', 'inherit'] });
  return fs.readFileSync(path.join(server, AUDIT), 'utf8').split('\n').filter(Boolean);
}

function writeLines(file, lines) {
  fs.mkdirSync(path.dirname(file), { recursive: true });
  fs.writeFileSync(file, lines.map((line) => line + '\n').join(''));
}

const utc = (seconds) => new Date(seconds * 1000).toISOString().replace('.000Z', 'Z');
const seconds = (line) => Date.parse(JSON.parse(line).time) / 1000;

// island: a rotated file and the current one, which starts with the uses the
// rotation carried; dunes: a second server, named on the command line.
function makeServers(devhost, work) {
  const lines = runDevHost(devhost, work, 'island', fs.readFileSync(path.join(__dirname, 'record.script'), 'utf8'));
  const t = seconds(lines[lines.length - 1]);
  const line = (at, members) => JSON.stringify({ time: utc(t + at), ...members });
  const [alice, bob, carol] = ['76561198000000001', '76561198000000002', '76561198000000003'];
  const carried = (original) => {
    const o = JSON.parse(original);
    return JSON.stringify({ time: o.time, steamId: o.steamId, action: 'carried', outcome: 'granted',
      names: [o.command.split(' ')[0]], carries: fnv1a(original) });
  };
  const gone = JSON.stringify({ time: utc(seconds(lines[0]) - 30), steamId: carol, action: 'carried',
    outcome: 'granted', names: ['fly'], carries: '0123456789abcdef' });
  const later = [
    line(1, { steamId: alice, character: 'alice', command: 'wrap giveitem Rope 3', permission: 'Cheat.wrap',
      names: ['wrap', 'giveitem'], outcome: 'granted' }),
    line(2, { steamId: carol, character: 'carol', command: 'fly', permission: 'Cheat.fly', names: ['fly'],
      outcome: 'limit', rule: '/Commands/fly/MaxUses' }),
    line(70, { steamId: bob, action: 'summary', outcome: 'omitted', from: utc(t + 3), to: utc(t + 50),
      omitted: { refused: 3890, denied: 2 } }),
    line(80, { steamId: alice, character: 'alice', action: 'reload', permission: 'Corvane.Reload',
      outcome: 'reloaded', auditLog: '/srv/island/new.jsonl', previousAuditLog: '/srv/island/CheatAudit.jsonl' }),
    line(85, { steamId: alice, character: 'alice', action: 'reload', permission: 'Corvane.Reload',
      outcome: 'failed', error: '/Commands/fly/Cooldown: is negative' }),
    line(90, { steamId: alice, character: 'alice', action: 'forgive', forgiven: bob, forgivenName: 'giveitem',
      outcome: 'forgiven' }),
    line(100, { steamId: carol, character: 'carol', command: 'fly', permission: 'Cheat.fly', names: ['fly'],
      outcome: 'granted', server: 'cave' }),
    line(110, { steamId: bob, character: 'bob', command: 'fly', outcome: 'exploded' }),
    line(120, { steamId: bob, character: 'bob', action: 'dance', outcome: 'done' }),
    'not JSON',
    '["a list"]',
    lines[5].slice(0, 40),
  ];
  const island = path.join(work, 'records', 'island');
  writeLines(path.join(island, 'CheatAudit.1.jsonl'), lines.slice(0, 3));
  writeLines(path.join(island, 'CheatAudit.jsonl'), [carried(lines[0]), carried(lines[2]), gone,
    ...lines.slice(3), ...later]);

  const dunesLines = runDevHost(devhost, work, 'dunes', [
    'config {"PrintToChat": false, "Messages": {"LogMsg": "{0} ran {1}", "NoPermissions": "No.", "Sender": "Server"}, "AuditLog": "CheatAudit.jsonl"}',
    'reload', 'join dave 76561198000000004', 'grant dave Cheat.fly', 'say dave /cheat fly', 'say dave /cheat slomo 3',
    'say dave /cheat fly', '',
  ].join('\n'));
  const dunes = path.join(work, 'records', 'dunes', 'CheatAudit.jsonl');
  writeLines(dunes, dunesLines);
  return {
    args: [path.join(island, 'CheatAudit.jsonl'), '--name', `dunes=${dunes}`],
    files: [{ path: path.join(island, 'CheatAudit.1.jsonl'), server: 'island' },
      { path: path.join(island, 'CheatAudit.jsonl'), server: 'island' }, { path: dunes, server: 'dunes' }],
  };
}

// Text a player controls, meant to run script, load something or hide what it says.
const HOSTILE_COMMANDS = [
  'fly </script><script>window.__pwned = 1</script>',
  '<img src=x onerror="window.__pwned = 2">',
  'javascript:window.__pwned = 3',
  'ex\u200Bit',
  'fly \u202Edlrow\u202C \u2066x\u2069 \uFEFFa\u00ADb \u{E0041} \u061C \u180E',
  'fly ' + 'A'.repeat(20000),
  'giveitem ' + '<b>'.repeat(6000),
];

function makeHostile(devhost, work) {
  const lines = runDevHost(devhost, work, 'hostile', [
    'config {"PrintToChat": false, "Messages": {"LogMsg": "{0} ran {1}", "NoPermissions": "No.", "Sender": "Server"}, "AuditLog": "CheatAudit.jsonl"}',
    'reload', 'join \u202Emallory 76561198000000005', 'grant \u202Emallory Cheat.fly',
    ...HOSTILE_COMMANDS.map((command) => `say \u202Emallory /cheat ${command}`), '',
  ].join('\n'));
  const t = seconds(lines[lines.length - 1]);
  const file = path.join(work, 'records', 'hostile', 'CheatAudit.jsonl');
  writeLines(file, [...lines,
    JSON.stringify({ time: utc(t + 1), steamId: '76561198000000006', character: '<img src=x onerror="window.__pwned = 5">',
      command: 'fly', outcome: 'refused', server: '<script>window.__pwned = 6</script>' }),
    'not JSON <script>window.__pwned = 4</script>',
    JSON.stringify({ time: utc(t + 2), steamId: '76561198000000006', command: 'x'.repeat(70000), outcome: 'refused' }),
  ]);
  return { args: [file], files: [{ path: file, server: 'hostile' }] };
}

// A record longer than the raw-line cap: one player's granted uses, then a refusal.
function makeLong(work, count) {
  const start = Date.parse('2026-12-01T00:00:00Z') / 1000;
  const lines = [];
  for (let i = 0; i < count; ++i) {
    lines.push(JSON.stringify({ time: utc(start + i), steamId: '76561198000000007', character: 'erin',
      command: 'fly', permission: 'Cheat.fly', outcome: 'granted' }));
  }
  lines.push(JSON.stringify({ time: utc(start + count), steamId: '76561198000000007', character: 'erin',
    command: 'god', permission: 'Cheat.god', outcome: 'refused' }));
  const file = path.join(work, 'records', 'long', 'CheatAudit.jsonl');
  writeLines(file, lines);
  return { args: [file], files: [{ path: file, server: 'long' }] };
}

// What the page must show, worked out by expected.py.
function expected(files) {
  return JSON.parse(execFileSync('python3', [path.join(__dirname, 'expected.py')], { input: JSON.stringify(files) }));
}

// The report page of a record.
function makePage(devhost, record, page) {
  execFileSync(devhost, ['report', ...record.args, '-o', page], { stdio: ['ignore', 'ignore', 'inherit'] });
  return page;
}

module.exports = { makeServers, makeHostile, makeLong, makePage, expected, HOSTILE_COMMANDS };
