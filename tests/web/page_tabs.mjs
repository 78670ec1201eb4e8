// The page's tabs beyond the first three, driven as a user drives them, against quarvex-cli
// run on the same file: the report made again with every option box ticked, the search (a word, a regular expression the engine refuses, a byte
// pattern), the recovered keys, the facts, the REGEDIT4 export, and a click on a point of the
// record-size chart, which must name the point's key by its path and show it in the tree.
import { spawnSync } from 'node:child_process';
import { readFileSync, rmSync } from 'node:fs';
import { join } from 'node:path';

import { clickAt } from './cdp_pipe.mjs';

// The searches asked of every hive: the form's fields, and find's arguments for the same.
const searches = [
  { form: { pattern: 'desk', mode: 'text' }, args: ['-i'] },
  { form: { pattern: 'Micro.*t', mode: 'regex', caseSensitive: true, data: true }, args: ['--data', '--regex', '-s'] },
  { form: { pattern: '(', mode: 'regex' }, args: ['--regex', '-i'] },
  { form: { pattern: '43 3A 5C', mode: 'hex' }, args: ['--hex', '-i'] },
];

export async function checkTabs({ name, folder, size, evaluate, send, cli, env, workDir, now, fail }) {
  const run = (args) => spawnSync(cli, args, { cwd: folder, env, maxBuffer: 1 << 30 });
  const pageBytes = async (expression) => Buffer.from(await evaluate(`(async () => {
    const data = await (${expression});
    const bytes = typeof data === 'string' ? new TextEncoder().encode(data) : data;
    let text = '';
    for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode(...bytes.subarray(i, i + 8192));
    return btoa(text);
  })()`), 'base64');
  const same = (what, page, cliBytes) => {
    if (Buffer.compare(page, cliBytes) === 0) return true;
    fail(`${name}: ${what}: the page's ${page.length} bytes are not quarvex-cli's ${cliBytes.length}`);
    return false;
  };
  const until = async (expression, what) => {
    const started = Date.now();
    while (Date.now() - started < 60000) {
      if (await evaluate(expression)) return true;
      await new Promise((r) => setTimeout(r, 50));
    }
    fail(`${name}: ${what} did not happen within a minute`);
    return false;
  };
  let passed = 0;

  // The search form, filled and sent as a user does; the rows it shows and the hits it would
  // save are find's.
  await evaluate(`quarvexPage.showTab('search'); true`);
  for (const search of searches) {
    const f = { keys: false, values: false, data: false, caseSensitive: false, ...search.form };
    const hits = run(['find', '--json', ...search.args, '--', name, f.pattern]);
    const shown = await evaluate(`(async () => {
      const $ = (id) => document.getElementById(id);
      $('search-pattern').value = ${JSON.stringify(f.pattern)};
      $('search-mode').value = ${JSON.stringify(f.mode)};
      $('search-case').checked = ${f.caseSensitive};
      $('search-keys').checked = ${f.keys};
      $('search-values').checked = ${f.values};
      $('search-data').checked = ${f.data};
      $('search-note').textContent = '';
      $('search-form').requestSubmit();
      while ($('search-note').textContent === '' || $('search-note').textContent === 'searching ...')
        await new Promise((r) => setTimeout(r, 20));
      return { rows: document.querySelectorAll('#hits tbody tr').length, note: $('search-note').textContent };
    })()`);
    const lines = hits.stdout.toString('utf8').split('\n').filter((l) => l.trim()).length;
    if (hits.status === 2) {
      const reason = hits.stderr.toString('utf8').trim().replace(/^quarvex-cli find: /, '');
      if (shown.note !== reason) fail(`${name}: search ${f.pattern}: the page says ${JSON.stringify(shown.note)}, find says ${JSON.stringify(reason)}`);
      else passed++;
      continue;
    }
    if (shown.rows !== Math.min(lines, 5000)) fail(`${name}: search ${f.pattern}: ${shown.rows} rows shown, find has ${lines} hits`);
    const page = await pageBytes(`quarvexPage.ask('search', ${JSON.stringify(f)}).then((a) => a.out)`);
    if (same(`search ${f.pattern}`, page, hits.stdout)) passed++;
  }

  // The recovered keys: asked when the tab opens, the same document as recover --json.
  const recovered = run(['recover', '--json', '-', name]);
  await evaluate(`quarvexPage.showTab('recovery'); quarvexPage.tabs.recovery.opened().then(() => true)`);
  if (recovered.status === 0) {
    const found = JSON.parse(recovered.stdout.toString('utf8'));
    const rows = found.keys.length + (found.liveKeys || []).reduce((n, k) => n + k.values.length, 0);
    const shownRows = await evaluate(`document.querySelectorAll('#recovered tbody tr').length`);
    if (shownRows !== rows) fail(`${name}: the recovered tab shows ${shownRows} rows, recover has ${rows}`);
    else passed++;
  }
  if (same('recover --json', await pageBytes(`quarvexPage.ask('recovery').then((a) => a.out)`), recovered.stdout)) passed++;

  // The facts: the tab's text is what facts writes (and says on standard error).
  const facts = run(['facts', name]);
  await evaluate(`quarvexPage.showTab('facts'); quarvexPage.tabs.facts.opened().then(() => true)`);
  const factsShown = await evaluate(`document.getElementById('facts-text').textContent`);
  if (same('facts', Buffer.from(factsShown, 'utf8'), Buffer.concat([facts.stdout, facts.stderr]))) passed++;

  // The export button's file: what --export FILE --salvage writes.
  const reg = join(workDir, `cli-${name}.reg`);
  rmSync(reg, { force: true });
  run(['--export', reg, '--salvage', name]);
  await evaluate(`quarvexPage.saved = null; quarvexPage.realSave = quarvexPage.realSave || quarvexPage.save;
    quarvexPage.save = (bytes, suffix) => { quarvexPage.saved = { bytes, suffix }; }; true`);
  await evaluate(`quarvexPage.showTab('tree'); document.getElementById('status-text').textContent = '';
    document.getElementById('export-reg').click(); true`);
  const exportDone = `quarvexPage.saved !== null || /export failed/.test(document.getElementById('status-text').textContent)`;
  if (await until(exportDone, 'the export')) {
    const saved = await evaluate('quarvexPage.saved !== null');
    let cliReg = null;
    try {
      cliReg = readFileSync(reg);
    } catch (e) {
      cliReg = null;  // the command line wrote none: neither may the page
    }
    if (saved !== (cliReg !== null)) fail(`${name}: the page ${saved ? 'saved' : 'made no'} export, quarvex-cli ${cliReg ? 'wrote one' : 'none'}`);
    else if (!cliReg || same('--export --salvage', await pageBytes('quarvexPage.saved.bytes'), cliReg)) passed++;
  }

  // The report made again with every box ticked ("Select all"): the report quarvex-cli makes
  // with each box set on by its name (small hives only: the structure report lists every record).
  if (size < 200000) {
    const names = await evaluate(`Array.from(document.querySelectorAll('#report-options-boxes input'), (i) => i.dataset.name)`);
    const file = join(workDir, `cli-${name}-all.txt`);
    rmSync(file, { force: true });
    const all = run(['--now', now, ...names.flatMap((n) => ['--set', `${n}=on`]), '-o', file, name]);
    const page = await pageBytes(`(async () => {
      quarvexPage.showTab('report');
      document.getElementById('select-all-options').click();
      document.getElementById('rerun-report').click();
      while (quarvexPage.busy) await new Promise((r) => setTimeout(r, 20));
      const bytes = quarvexPage.last.report.bytes || new Uint8Array();
      document.getElementById('default-options').click();
      return bytes;
    })()`);
    let cliAll = Buffer.alloc(0);
    try {
      cliAll = readFileSync(file);
    } catch (e) {
      // the job failed: no report, on either side
    }
    if (all.status === 0 && !page.length) fail(`${name}: the report with every box made nothing`);
    else if (same(`the report with ${names.length} boxes on`, page, cliAll)) passed++;
  }

  // The analysis the charts are drawn from, and which "Save the analysis" saves: --json's.
  const analysis = run(['--now', now, '--json', '-', '--json-series', name]);
  if (same('--json - --json-series', await pageBytes(`quarvexPage.ask('analysis', {}).then((a) => a.out)`), analysis.stdout)) passed++;

  // A point of the in-use record sizes, clicked where it is drawn: the message line names its
  // key (its key node's offset is the point's label, relative to the key-node block at 32).
  const hasPoints = await evaluate(`(async () => {
    quarvexPage.showTab('charts');
    await quarvexPage.tabs.charts.opened();
    const select = document.getElementById('chart-view');
    select.value = '4';
    select.dispatchEvent(new Event('change'));
    return document.querySelector('#chart circle.point') !== null;
  })()`);
  if (hasPoints) {
    const at = await evaluate(`(() => {
      const points = document.querySelectorAll('#chart circle.point');
      const point = points[Math.floor(points.length / 2)];
      point.scrollIntoView({ block: 'center' });
      const box = point.getBoundingClientRect();
      return { x: box.left + box.width / 2, y: box.top + box.height / 2 };
    })()`);
    await clickAt(send, at);
    const clicked = await evaluate(`(() => {
      const m = document.getElementById('chart-message');
      return { text: m.value, series: m.dataset.series, label: m.dataset.label };
    })()`);
    const tree = run(['ls', '-R', '--json', name]).stdout.toString('utf8').split('\n').filter((l) => l.trim()).map((l) => JSON.parse(l));
    const offset = Number(clicked.label) + 32;
    const key = tree.find((k) => k.offset === offset);
    const want = key ? key.path : `key node at offset 0x${offset.toString(16).toUpperCase().padStart(8, '0')}`;
    if (clicked.series !== '5' || clicked.text !== want) {
      fail(`${name}: a click on a record-size point says ${JSON.stringify(clicked.text)}, not ${JSON.stringify(want)}`);
    } else if (key) {
      await evaluate(`document.getElementById('chart-show-key').click(); true`);
      const path = await evaluate(`document.getElementById('key-path').textContent`);
      if (!path.startsWith(want)) fail(`${name}: "Show the key" shows ${JSON.stringify(path)}, not ${JSON.stringify(want)}`);
      else passed++;
    } else {
      passed++;
    }
  }
  await evaluate(`quarvexPage.save = quarvexPage.realSave; quarvexPage.showTab('report'); true`);
  return passed;
}
