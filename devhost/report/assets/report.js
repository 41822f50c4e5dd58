// The report page: reads the data the dev host wrote into the page and draws
// its tables and charts. Every text of the record is player-controlled: it
// reaches the page only as text nodes (never as markup), with every invisible,
// format, bidirectional or control character shown as a visible \uXXXX.
'use strict';
(() => {
  // [first, last] code points, from the Unicode data at build time.
  const INVISIBLE_RANGES = /*@INVISIBLE_RANGES@*/[];
  const PAGE_ROWS = 100;
  const PLAYER_ROWS = 50;
  const CHART_COMMANDS = 15;
  const TURN_AWAYS = new Set(['refused', 'denied', 'rejected']);
  const KNOWN_OUTCOMES = ['granted', 'cooldown', 'limit', 'refused', 'denied', 'rejected', 'failed'];
  const COLOURS = {
    granted: '#2e8b57', cooldown: '#4a90d9', limit: '#17a2b8', refused: '#d9534f',
    denied: '#f0ad4e', rejected: '#8e44ad', failed: '#7f8c8d',
  };
  const SPARE_COLOURS = ['#c0ca33', '#6d4c41', '#ec407a', '#26a69a', '#5c6bc0', '#ff7043'];

  const invisible = new RegExp('[' + INVISIBLE_RANGES.map(([a, b]) =>
    `\\u{${a.toString(16)}}-\\u{${b.toString(16)}}`).join('') + ']|[\\uD800-\\uDFFF]', 'gu');

  // The character as the record's own escapes write it: \uXXXX, a pair of them beyond U+FFFF.
  function escapeOf(character) {
    let text = '';
    for (let i = 0; i < character.length; ++i) {
      text += '\\u' + character.charCodeAt(i).toString(16).toUpperCase().padStart(4, '0');
    }
    return text;
  }

  // Plain text with the escapes, for chart labels (drawn on a canvas, never parsed).
  function visibleText(text) {
    return String(text).replace(invisible, escapeOf);
  }

  // Text nodes, each invisible character a marked, visible escape.
  function textNodes(text) {
    const fragment = document.createDocumentFragment();
    text = String(text);
    let at = 0;
    for (const match of text.matchAll(invisible)) {
      if (match.index > at) fragment.append(text.slice(at, match.index));
      const escape = document.createElement('span');
      escape.className = 'esc';
      escape.textContent = escapeOf(match[0]);
      fragment.append(escape);
      at = match.index + match[0].length;
    }
    if (at < text.length) fragment.append(text.slice(at));
    return fragment;
  }

  function element(tag, className, ...children) {
    const node = document.createElement(tag);
    if (className) node.className = className;
    for (const child of children) {
      node.append(child instanceof Node ? child : textNodes(child));
    }
    return node;
  }

  const $ = (id) => document.getElementById(id);
  const number = (n) => Number(n).toLocaleString('en');
  const isoTime = (t) => new Date(t * 1000).toISOString().replace('.000Z', 'Z');

  // ---- The data -----------------------------------------------------------
  const data = JSON.parse($('report-data').textContent);
  const outcomeWords = data.outcomes;
  const players = data.players.map(([steamId, names, moreNames, outcomes, omitted, other, lines, shown]) => ({
    steamId, names, moreNames, outcomes: new Map(outcomes), omitted, other, lines, shown,
  }));
  const lines = data.lines.map(([t, player, server, action, outcome, character, command, cut, name, extra]) => ({
    t, player, server, action, outcome: outcomeWords[outcome], character, command, cut, name, extra,
  }));

  function outcomeOrder(words) {
    const known = KNOWN_OUTCOMES.filter((w) => words.includes(w));
    return known.concat(words.filter((w) => !KNOWN_OUTCOMES.includes(w)).sort());
  }
  const cheatOutcomes = outcomeOrder([...new Set(data.outcomeCounts.map(([o]) => outcomeWords[o]))]);
  function colour(outcome) {
    if (COLOURS[outcome]) return COLOURS[outcome];
    const spare = cheatOutcomes.filter((w) => !COLOURS[w]).indexOf(outcome);
    return SPARE_COLOURS[Math.max(spare, 0) % SPARE_COLOURS.length];
  }

  // ---- Filters, kept in the URL's fragment ----------------------------------
  const FILTERS = ['player', 'command', 'outcome', 'server', 'from', 'to', 'text'];
  const form = $('filters');

  function parseTime(text, end) {
    if (/^\d{4}-\d{2}-\d{2}$/.test(text)) {
      const start = Date.parse(text + 'T00:00:00Z') / 1000;
      return end ? start + 86399 : start;
    }
    if (/^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}(:\d{2})?Z?$/.test(text)) {
      return Date.parse(text.endsWith('Z') ? text : text + 'Z') / 1000;
    }
    return NaN;
  }

  function readState() {
    const params = new URLSearchParams(location.hash.slice(1));
    const state = {};
    for (const name of FILTERS.concat(['history'])) state[name] = params.get(name) || '';
    return state;
  }

  function writeState(state) {
    const params = new URLSearchParams();
    for (const [name, value] of Object.entries(state)) if (value) params.set(name, value);
    const fragment = '#' + params.toString();
    if (fragment !== (location.hash || '#')) location.replace(fragment);
  }

  function formState() {
    const state = readState();
    for (const name of FILTERS) state[name] = form.elements[name].value.trim();
    return state;
  }

  // What each filter asks, ready to test lines with.
  function compile(state) {
    const filter = { ...state, fromTime: NaN, toTime: NaN };
    for (const [name, end] of [['from', false], ['to', true]]) {
      const input = form.elements[name];
      const time = state[name] ? parseTime(state[name], end) : NaN;
      input.classList.toggle('bad', Boolean(state[name]) && Number.isNaN(time));
      filter[name + 'Time'] = time;
    }
    const player = state.player.toLowerCase();
    filter.players = player ? new Set(players.flatMap((p, i) =>
      p.steamId.includes(player) || p.names.some((n) => n.toLowerCase().includes(player)) ? [i] : [])) : null;
    filter.commandName = state.command.toLowerCase();
    filter.serverId = state.server ? data.servers.indexOf(state.server) : -1;
    filter.textLower = state.text.toLowerCase();
    return filter;
  }

  function haystack(line) {
    if (line.haystack === undefined) {
      const player = players[line.player];
      line.haystack = [player.steamId, line.character, line.command, line.name, line.action, line.outcome,
        data.servers[line.server], ...Object.values(line.extra).map((v) => typeof v === 'object' ? JSON.stringify(v) : v)]
        .join('\n').toLowerCase();
    }
    return line.haystack;
  }

  function matches(line, f) {
    return (!f.players || f.players.has(line.player)) &&
      (!f.commandName || line.name === f.commandName) &&
      (!f.outcome || line.outcome === f.outcome) &&
      (!f.server || data.servers[line.server] === f.server) &&
      (Number.isNaN(f.fromTime) || line.t >= f.fromTime) &&
      (Number.isNaN(f.toTime) || line.t <= f.toTime) &&
      (!f.textLower || haystack(line).includes(f.textLower));
  }

  // ---- Tables -------------------------------------------------------------
  function table(id, headings, rows) {
    const target = $(id);
    target.replaceChildren();
    const head = element('tr', '');
    for (const heading of headings) {
      head.append(element('th', heading.n ? 'n' : '', heading.label ?? heading));
    }
    target.append(element('thead', '', head));
    const body = element('tbody', '');
    for (const row of rows) body.append(row);
    target.append(body);
  }

  function countCell(n) {
    return element('td', 'n', n ? number(n) : '');
  }

  function pager(id, total, size, page, show) {
    const target = $(id);
    target.replaceChildren();
    const pages = Math.max(1, Math.ceil(total / size));
    if (pages === 1) return;
    const button = (label, to) => {
      const b = element('button', '', label);
      b.type = 'button';
      b.disabled = to < 0 || to >= pages || to === page;
      b.addEventListener('click', () => show(to));
      return b;
    };
    target.append(button('First', 0), button('Previous', page - 1),
      element('span', '', ` page ${number(page + 1)} of ${number(pages)} `),
      button('Next', page + 1), button('Last', pages - 1));
  }

  function playerButton(index) {
    const b = element('button', 'link', players[index].steamId);
    b.type = 'button';
    b.addEventListener('click', () => {
      writeState({ ...readState(), history: players[index].steamId });
      $('history').scrollIntoView();
    });
    return b;
  }

  // What a line says beside its command: the rule, the error, the paths of a reload...
  function details(line) {
    const e = line.extra;
    const parts = [];
    if (e.rule) parts.push(`rule ${e.rule}`);
    if (e.reading) parts.push(`reading ${e.reading}`);
    if (e.error) parts.push(`error: ${e.error}`);
    if (e.forgiven) parts.push(`forgave ${e.forgiven}` + (e.forgivenName ? ` for ${e.forgivenName}` : ' for every command'));
    if (e.previousAuditLog !== undefined || e.auditLog !== undefined) {
      parts.push(`audit file ${e.previousAuditLog ?? '(off)'} -> ${e.auditLog ?? '(off)'}`);
    }
    if (e.omitted) {
      parts.push('left out: ' + Object.entries(e.omitted).map(([o, n]) => `${number(n)} ${o}`).join(', ') +
        ` (${e.from ? isoTime(e.from) : '?'} to ${e.to ? isoTime(e.to) : '?'})`);
    }
    if (line.action === 'carried') {
      parts.push(e.original ? 'carried forward at a rotation: its original line is in the record, and counts'
        : 'carried forward at a rotation: its original line is not in the record, so this one counts');
    }
    if (!e.rule && !e.error && e.permission && line.outcome === 'refused') parts.push(`needs ${e.permission}`);
    return parts.join('; ');
  }

  function lineRow(line) {
    const row = element('tr', line.action === 'carried' || line.action === 'summary' ? line.action : '');
    const what = line.action ? line.action : '/cheat';
    const command = element('td', 'text', line.command);
    if (line.cut) command.append(element('span', 'more', ` … ${number(line.cut)} more characters`));
    const more = line.extra.left ? element('span', 'more', ` (${number(line.extra.left)} more characters not shown)`) : '';
    const player = element('td', 'fixed', playerButton(line.player));
    row.append(element('td', 'fixed', isoTime(line.t)), element('td', '', data.servers[line.server]), player,
      element('td', 'text', line.character), element('td', 'fixed', what), element('td', 'fixed', line.outcome), command,
      element('td', '', line.name), element('td', 'text', details(line), more));
    return row;
  }
  const LINE_HEADINGS = ['time (UTC)', 'server', 'Steam id', 'character', 'line', 'outcome', 'command',
    'name', 'details'];

  function pagedLines(tableId, pagerId, list, newestFirst) {
    const ordered = newestFirst ? list.slice().reverse() : list;
    const show = (page) => {
      table(tableId, LINE_HEADINGS, ordered.slice(page * PAGE_ROWS, (page + 1) * PAGE_ROWS).map(lineRow));
      pager(pagerId, ordered.length, PAGE_ROWS, page, show);
    };
    show(0);
  }

  // ---- Charts, from the counts the dev host made of the whole record ------------
  const charts = {};
  let firstChartDrawn = false;
  const marker = {
    id: 'first-chart-marker',
    afterRender() {
      if (firstChartDrawn) return;
      firstChartDrawn = true;
      performance.mark('report:first-chart');
      document.documentElement.dataset.firstChart = 'drawn';
    },
  };

  // What the charts can't follow, said above them.
  function chartLimits(f) {
    const limits = [];
    if (f.players) limits.push('player');
    if (f.textLower) limits.push('text');
    const chartNames = data.commands.slice(0, data.chartCommands).map(([name]) => name);
    const followsCommand = !f.commandName || chartNames.includes(f.commandName);
    if (!followsCommand) limits.push(`command (${f.commandName} is not among the ${data.chartCommands} most used)`);
    return { limits, followsCommand };
  }

  function useCells(f, followsCommand) {
    const chartIndex = followsCommand && f.commandName
      ? data.commands.slice(0, data.chartCommands).findIndex(([name]) => name === f.commandName) : -1;
    const first = Number.isNaN(f.fromTime) ? -Infinity : f.fromTime;
    const last = Number.isNaN(f.toTime) ? Infinity : f.toTime;
    return data.uses.filter(([bucket, server, command, outcome]) => {
      const start = data.bucketStart + bucket * data.bucket;
      return (f.serverId < 0 || server === f.serverId) && (chartIndex < 0 || command === chartIndex) &&
        (!f.outcome || outcomeWords[outcome] === f.outcome) && start + data.bucket > first && start <= last;
    });
  }

  function drawChart(id, config) {
    if (charts[id]) {
      charts[id].data = config.data;
      charts[id].update('none');
      return;
    }
    config.options = {
      animation: false, responsive: true, maintainAspectRatio: false,
      plugins: { legend: { position: 'bottom' } },
      ...config.options,
    };
    config.plugins = [marker];
    charts[id] = new Chart($(id), config);
  }

  function drawUsesChart(f, cells) {
    const buckets = new Map();
    for (const [bucket, , , outcome, count] of cells) {
      if (!buckets.has(bucket)) buckets.set(bucket, new Map());
      const counts = buckets.get(bucket);
      counts.set(outcome, (counts.get(outcome) || 0) + count);
    }
    const indexes = [...buckets.keys()].sort((a, b) => a - b);
    const span = indexes.length ? indexes[indexes.length - 1] - indexes[0] + 1 : 0;
    const all = Array.from({ length: span }, (_, i) => indexes[0] + i);
    const label = (i) => {
      const text = isoTime(data.bucketStart + i * data.bucket);
      return data.bucket === 3600 ? text.slice(0, 13).replace('T', ' ') + ':00' : text.slice(0, 10);
    };
    const datasets = cheatOutcomes.map((word) => {
      const id = outcomeWords.indexOf(word);
      return {
        label: word, backgroundColor: colour(word),
        data: all.map((i) => (buckets.get(i) && buckets.get(i).get(id)) || 0),
      };
    }).filter((set) => set.data.some((n) => n));
    drawChart('uses-chart', {
      type: 'bar', data: { labels: all.map(label), datasets },
      options: { scales: { x: { stacked: true }, y: { stacked: true, beginAtZero: true } } },
    });
  }

  function drawCommandsChart(cells) {
    const totals = new Map();
    for (const [, , command, outcome, count] of cells) {
      if (command >= data.chartCommands) continue;
      if (!totals.has(command)) totals.set(command, new Map());
      const counts = totals.get(command);
      counts.set(outcome, (counts.get(outcome) || 0) + count);
    }
    const sum = (m) => [...m.values()].reduce((a, b) => a + b, 0);
    const top = [...totals.keys()].sort((a, b) => sum(totals.get(b)) - sum(totals.get(a))).slice(0, CHART_COMMANDS);
    const datasets = cheatOutcomes.map((word) => {
      const id = outcomeWords.indexOf(word);
      return { label: word, backgroundColor: colour(word), data: top.map((c) => totals.get(c).get(id) || 0) };
    }).filter((set) => set.data.some((n) => n));
    drawChart('commands-chart', {
      type: 'bar',
      data: { labels: top.map((c) => visibleText(data.commands[c][0] || '(no name)')), datasets },
      options: { indexAxis: 'y', scales: { x: { stacked: true, beginAtZero: true }, y: { stacked: true } } },
    });
  }

  function drawCharts(f) {
    const { limits, followsCommand } = chartLimits(f);
    const note = limits.length ? `The charts show the whole record: they can't follow the ${limits.join(' and ')} filter.` : '';
    const timeNote = `Uses per ${data.bucket === 3600 ? 'hour' : 'day'} (UTC), stacked by outcome` +
      (!Number.isNaN(f.fromTime) || !Number.isNaN(f.toTime) ? `; whole ${data.bucket === 3600 ? 'hours' : 'days'} of the time filter` : '') +
      (data.outcomeCounts.some(([, , omitted]) => omitted) ? '; with the turn-aways the flood control counted' : '') + '. ';
    const cells = useCells(f, followsCommand);
    $('uses-chart-note').textContent = timeNote + note;
    $('commands-chart-note').textContent = note;
    drawUsesChart(f, cells);
    drawCommandsChart(cells);
  }

  // ---- Sections -----------------------------------------------------------
  function drawAbout() {
    const span = data.first === null ? 'no lines' : `${isoTime(data.first)} to ${isoTime(data.last)}`;
    const range = data.range[0] !== null || data.range[1] !== null
      ? `; asked for ${data.range[0] !== null ? isoTime(data.range[0]) : 'the start'} to ${data.range[1] !== null ? isoTime(data.range[1]) : 'the end'}` : '';
    $('about').replaceChildren(textNodes(`Made ${isoTime(data.generated)} from ${number(data.figures.lines)} lines of ` +
      `${number(data.files.length)} files. Time span: ${span}${range}. Servers: ${data.servers.join(', ')}.`));
  }

  function drawSummary() {
    const rows = cheatOutcomes.map((word) => {
      const [, count, omitted] = data.outcomeCounts.find(([o]) => outcomeWords[o] === word);
      return element('tr', '', element('td', '', word), countCell(count), countCell(omitted));
    });
    const sum = (at) => data.outcomeCounts.reduce((a, counts) => a + counts[at], 0);
    rows.push(element('tr', '', element('th', '', 'all'), countCell(sum(1)), countCell(sum(2))));
    table('outcome-table', ['/cheat outcome', { label: 'lines', n: true }, { label: 'counted by summaries', n: true }], rows);
    const actionRows = data.actions.map(([action, outcome, count]) =>
      element('tr', '', element('td', '', action), element('td', '', outcomeWords[outcome]), countCell(count)));
    table('action-table', ['other line', 'outcome', { label: 'lines', n: true }], actionRows);
    const [carried, counted] = data.carried;
    $('carried-note').textContent = carried ? `${number(carried)} ${carried === 1 ? 'line was' : 'lines were'} ` +
      `carried forward at rotations: ${number(counted)} counted above, standing for uses whose original line ` +
      'is not in the record; the others are counted once, by their original line.' : '';
  }

  function drawCommandTable(f) {
    const shown = data.commands.filter(([name]) => !f.commandName || name === f.commandName);
    const rows = shown.map(([name, total, counts]) => {
      const byOutcome = new Map(counts.map(([o, n]) => [outcomeWords[o], n]));
      return element('tr', '', element('td', 'text', name || '(no name)'), countCell(total),
        ...cheatOutcomes.map((word) => countCell(byOutcome.get(word))));
    });
    table('command-table', ['command', { label: 'uses', n: true },
      ...cheatOutcomes.map((word) => ({ label: word, n: true }))], rows);
    $('commands-left').textContent = data.commandsLeftOut
      ? `${number(data.commandsLeftOut)} more names, each used less, are counted in the totals but not listed.` : '';
  }

  function drawPlayers(f) {
    const chosen = players.map((p, i) => i).filter((i) => !f.players || f.players.has(i))
      .sort((a, b) => players[b].lines - players[a].lines);
    $('players-note').textContent = `${number(chosen.length)} of ${number(players.length)} players. ` +
      'Their counts cover the whole record; choose a Steam id for the player\'s history.';
    const show = (page) => {
      const rows = chosen.slice(page * PLAYER_ROWS, (page + 1) * PLAYER_ROWS).map((i) => {
        const p = players[i];
        const names = element('td', 'text', p.names.join(', '));
        if (p.moreNames) names.append(element('span', 'more', ' and more'));
        return element('tr', '', element('td', '', playerButton(i)), names, countCell(p.lines),
          ...cheatOutcomes.map((word) => countCell(p.outcomes.get(outcomeWords.indexOf(word)))),
          countCell(p.omitted), countCell(p.other));
      });
      table('player-table', ['Steam id', 'character names', { label: 'lines', n: true },
        ...cheatOutcomes.map((word) => ({ label: word, n: true })),
        { label: 'counted by summaries', n: true }, { label: 'other lines', n: true }], rows);
      pager('player-pages', chosen.length, PLAYER_ROWS, page, show);
    };
    show(0);
  }

  function drawHistory(state, f) {
    const index = players.findIndex((p) => p.steamId === state.history);
    $('history').hidden = index < 0;
    if (index < 0) return;
    const p = players[index];
    const theirs = lines.filter((line) => line.player === index && matches(line, { ...f, players: null }));
    $('history-title').replaceChildren(textNodes(`History of ${p.steamId} (${p.names.join(', ')})`));
    const left = p.lines - p.shown;
    $('history-note').textContent = `${number(theirs.length)} lines shown, oldest first, under the filters other than ` +
      `the player. ${left ? `${number(left)} of their ${number(p.lines)} lines are left out by the raw-line cap; ` +
      'the counts include them.' : `All ${number(p.lines)} of their lines are in the page.`}`;
    pagedLines('history-table', 'history-pages', theirs, false);
  }

  function drawAttempts(f, matching) {
    const attempts = matching.filter((line) => TURN_AWAYS.has(line.outcome));
    $('attempts-note').textContent = `${number(attempts.length)} lines, newest first. A denial names the rule ` +
      'that denied it; a rejected line held a chain or a character the console would misread.';
    pagedLines('attempt-table', 'attempt-pages', attempts, true);
    const runs = data.runs.filter(([player, server, from, to]) =>
      (!f.players || f.players.has(player)) && (f.serverId < 0 || server === f.serverId) &&
      (Number.isNaN(f.fromTime) || to >= f.fromTime) && (Number.isNaN(f.toTime) || from <= f.toTime));
    const [length, gap] = data.runRule;
    $('runs-note').textContent = `At least ${length} refused, denied or rejected lines from one player on one ` +
      `server, each within ${gap} seconds of the one before; the most recent first.` +
      (data.runsLeftOut ? ` ${number(data.runsLeftOut)} older runs are not listed.` : '');
    table('run-table', ['Steam id', 'server', 'from', 'to', { label: 'lines', n: true }], runs.map(([player, server, from, to, count]) =>
      element('tr', '', element('td', '', playerButton(player)), element('td', '', data.servers[server]),
        element('td', '', isoTime(from)), element('td', '', isoTime(to)), countCell(count))));
    const summaries = matching.filter((line) => line.action === 'summary').reverse();
    table('summary-table', LINE_HEADINGS, summaries.map(lineRow));
  }

  function drawOperator(matching) {
    const operator = matching.filter((line) => line.action && line.action !== 'summary' && line.action !== 'carried');
    pagedLines('operator-table', 'operator-pages', operator, true);
  }

  function drawLines(matching) {
    const [recent, notGranted, record] = data.caps;
    $('lines-note').textContent = `${number(matching.length)} of the ${number(lines.length)} lines in the page match, ` +
      `newest first. ${data.figures.leftOut ? `${number(data.figures.leftOut)} older lines are left out of the page ` +
      `(the ${number(recent)} most recent lines are kept, then ${number(notGranted)} more that were not granted ` +
      `and ${number(record)} more operator or carried lines); every count and chart includes them.` : 'No line is left out.'}`;
    pagedLines('line-table', 'line-pages', matching, true);
  }

  function drawRecord() {
    const unknown = data.outcomeCounts.map(([o]) => outcomeWords[o]).filter((w) => !KNOWN_OUTCOMES.includes(w));
    $('record-note').replaceChildren(textNodes(`${number(data.figures.invalid)} lines are no audit lines (not JSON, ` +
      `or lacking a time, a Steam id, an outcome, a command or action) and are skipped. ` +
      `${number(data.figures.outside)} lines lie outside the time range asked for.` +
      (unknown.length ? ` Outcomes this report does not know are counted under their own names: ${unknown.join(', ')}.` : '')));
    table('file-table', ['file', 'server', { label: 'lines', n: true }, { label: 'invalid', n: true }],
      data.files.map(([path, server, count, invalid]) => element('tr', '', element('td', 'text', path),
        element('td', '', data.servers[server]), countCell(count), countCell(invalid))));
  }

  function describe(state) {
    const active = FILTERS.filter((name) => state[name]).map((name) => `${name} ${state[name]}`);
    $('filter-state').replaceChildren(textNodes(active.length
      ? `Filtered by ${active.join(', ')}. The tables and player histories follow every filter; ` +
        'the charts follow the command, outcome, server and time filters.'
      : 'No filter: everything in the page is shown.'));
  }

  function render() {
    const state = readState();
    for (const name of FILTERS) {
      if (document.activeElement !== form.elements[name]) form.elements[name].value = state[name];
    }
    const f = compile(state);
    describe(state);
    drawCharts(f);
    const matching = lines.filter((line) => matches(line, f));
    drawCommandTable(f);
    drawPlayers(f);
    drawHistory(state, f);
    drawAttempts(f, matching);
    drawOperator(matching);
    drawLines(matching);
  }

  function fillChoices() {
    for (const word of outcomeOrder(outcomeWords)) form.elements.outcome.append(new Option(visibleText(word), word));
    for (const server of data.servers) form.elements.server.append(new Option(visibleText(server), server));
    for (const [name] of data.commands) if (name) $('command-names').append(new Option(name, name));
  }

  // ---- Start --------------------------------------------------------------
  const start = readState();
  const f = compile(start);
  drawCharts(f);
  drawAbout();
  drawSummary();
  drawRecord();
  fillChoices();
  render();

  let typing;
  form.addEventListener('input', () => {
    clearTimeout(typing);
    typing = setTimeout(() => writeState(formState()), 250);
  });
  form.addEventListener('change', () => writeState(formState()));
  form.addEventListener('submit', (event) => event.preventDefault());
  $('clear').addEventListener('click', () => {
    for (const name of FILTERS) form.elements[name].value = '';
    writeState({});
  });
  window.addEventListener('hashchange', render);
  for (const link of document.querySelectorAll('nav a')) {
    link.addEventListener('click', (event) => {
      event.preventDefault();
      $(link.dataset.section).scrollIntoView();
    });
  }
})();
