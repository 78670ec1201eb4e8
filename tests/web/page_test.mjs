// The web page in a real browser (Chromium, headless, without network), against quarvex-cli:
//   node page_test.mjs DIST_DIR QUARVEX_CLI WORK_DIR HIVE...
// Each hive is opened through the page's file field from disk (file://), as a user opens it;
// the page's report must be the bytes quarvex-cli -o FILE HIVE writes for it, its check JSON
// what check --json - HIVE prints, its key tree what ls -R -v --json HIVE prints, and the page
// must show them (the report's text, a row per finding, the top keys); its other tabs are
// driven as page_tabs.mjs says. The page may make no request but for its own files, and
// nothing may break its Content-Security-Policy.
// Exit status 77 when Chromium is not installed.
import { execFileSync, spawnSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import { existsSync, mkdirSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import os from 'node:os';
import { basename, dirname, join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

import { Browser, findChromium } from './cdp_pipe.mjs';
import { checkTabs } from './page_tabs.mjs';

const args = process.argv.slice(2);
let hivegen = null;
if (args[0] === '--hivegen') {
  hivegen = resolve(args[1]);
  args.splice(0, 2);
}
const [distDir, cliGiven, workGiven, ...hives] = args;
const cli = cliGiven && resolve(cliGiven);
const workDir = workGiven && resolve(workGiven);  // quarvex-cli writes there from the hive's folder
if (!workDir) {
  console.error('usage: node page_test.mjs [--hivegen QUARVEX_HIVEGEN] DIST_DIR QUARVEX_CLI WORK_DIR HIVE...');
  process.exit(2);
}
const chromium = findChromium();
if (!chromium) {
  console.log('SKIP: Chromium is not installed');
  process.exit(77);
}
if (!existsSync(join(distDir, 'index.html'))) {
  console.error(`no page in ${distDir}: build it with tools/web-build.sh`);
  process.exit(1);
}

// The report's clock fixed, as in every test of the report; the host's system as this machine's.
const now = '2024-05-06T07:08:09';
const system = { name: os.type(), release: os.release() };
const env = { ...process.env, LC_ALL: 'C', TZ: 'UTC' };
let failures = 0;
function fail(text) {
  console.error(`FAIL: ${text}`);
  failures++;
}

const sha256 = (bytes) => createHash('sha256').update(bytes).digest('hex');

function firstDifference(a, b) {
  const n = Math.min(a.length, b.length);
  for (let i = 0; i < n; i++) if (a[i] !== b[i]) return i;
  return a.length === b.length ? -1 : n;
}

function compare(what, page, cliBytes) {
  const at = firstDifference(page, cliBytes);
  if (at < 0) return true;
  const around = (bytes) => JSON.stringify(Buffer.from(bytes.slice(Math.max(0, at - 40), at + 40)).toString('latin1'));
  fail(`${what}: the page's ${page.length} bytes differ from quarvex-cli's ${cliBytes.length} at byte ${at}\n` +
       `  page: ${around(page)}\n  cli:  ${around(cliBytes)}`);
  return false;
}

// The command line's outputs, run beside the hive so that it names the file as the page does.
function cliOutputs(hive, member) {
  const folder = dirname(hive);
  const name = basename(hive) + (member ? `::${member}` : '');
  const reportFile = join(workDir, `cli-${name.replace(/::/g, '-')}.txt`);
  const run = (args) => {
    const started = process.hrtime.bigint();
    const done = spawnSync(cli, args, { cwd: folder, env, maxBuffer: 1 << 30 });
    return { stdout: done.stdout, stderr: done.stderr.toString('utf8'), status: done.status,
             ms: Number(process.hrtime.bigint() - started) / 1e6 };
  };
  const report = run(['--now', now, '-o', reportFile, name]);
  const check = run(['check', '--json', '-', name]);
  const tree = run(['ls', '-R', '-v', '--json', name]);
  return {
    // A job that fails writes no report: the page must make none either, and say why.
    report: report.status === 0 ? readFileSync(reportFile) : Buffer.alloc(0),
    reportFailure: report.status === 0 ? undefined : report.stderr,
    reportMs: report.ms,
    status: { report: report.status, check: check.status, tree: tree.status },
    check: check.stdout,
    tree: tree.stdout,
  };
}

// The hives of a cabinet as quarvex-cli hives lists them (the ADDRESS column), by member name.
function cabinetMembers(cabinet) {
  const listed = execFileSync(cli, ['hives', basename(cabinet)], { cwd: dirname(cabinet), env, encoding: 'utf8' }).split('\n');
  const header = listed.findIndex((l) => l.startsWith('KIND '));
  const column = listed[header].indexOf('ADDRESS');
  return listed.slice(header + 1).filter((l) => l.trim() && !l.startsWith('note:')).map((l) => l.slice(column).trim().replace(/^.*::/, ''));
}

rmSync(workDir, { recursive: true, force: true });
mkdirSync(join(workDir, 'hives'), { recursive: true });
// With the generator: a hive at real size (1.3 MB, 33 blocks, 5,000 keys, 932), one in each
// other script's code page (their names and texts through the page's own code page tables),
// and a file that is no hive at all (the page must fail as the command line fails).
if (hivegen) {
  const made = (name, extra) => {
    const file = join(workDir, 'hives', name);
    execFileSync(hivegen, [...extra, '-o', file]);
    hives.push(file);
  };
  made('USER-5000.DAT', ['--keys', '5000', '--large-binaries', '12', '--codepage', '932', '--seed', '7']);
  // The same cut short, as a copy from a failing disk is: damage to find, keys to recover.
  const whole = readFileSync(join(workDir, 'hives', 'USER-5000.DAT'));
  writeFileSync(join(workDir, 'hives', 'USER-5000-CUT-SHORT.DAT'), whole.subarray(0, Math.floor(whole.length * 0.6)));
  hives.push(join(workDir, 'hives', 'USER-5000-CUT-SHORT.DAT'));
  // A large system.dat (13.7 MB, 100,000 keys), as the largest real ones.
  made('SYSTEM-100000.DAT', ['--kind', 'system', '--keys', '100000', '--seed', '12']);
  // A backup cabinet of the registry checker (RB000.CAB, made as Windows makes them: MSZIP),
  // holding a system.dat and a user.dat; the page opens the first and then the other.
  const cabinet = join(workDir, 'cabinet');
  mkdirSync(cabinet, { recursive: true });
  execFileSync(hivegen, ['--kind', 'system', '--keys', '2000', '--seed', '98', '-o', join(cabinet, 'SYSTEM.DAT')]);
  writeFileSync(join(cabinet, 'USER.DAT'), readFileSync(hives[0]));
  const gcab = spawnSync('gcab', ['-c', '-z', '-n', join(workDir, 'hives', 'RB000.CAB'), 'SYSTEM.DAT', 'USER.DAT'], { cwd: cabinet });
  if (gcab.status === 0) hives.push(join(workDir, 'hives', 'RB000.CAB'));
  else console.log('NOTE: gcab is not installed: no cabinet opened in the page');
  for (const cp of ['874', '936', '949', '950', '1251', '1255', '1256', '1258'])
    made(`CP${cp}.DAT`, ['--keys', '300', '--codepage', cp, '--seed', cp]);
  const notAHive = join(workDir, 'hives', 'NOT-A-HIVE.DAT');
  writeFileSync(notAHive, 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n');
  hives.push(notAHive);
}
const browser = new Browser(chromium, [
  '--headless', '--disable-gpu', '--no-sandbox', '--no-first-run', '--no-default-browser-check',
  '--disable-background-networking', '--disable-component-update', '--disable-sync', '--disable-extensions',
  // Should the page ask for anything over the network, it would fail here rather than leave.
  '--host-resolver-rules=MAP * ~NOTFOUND', '--proxy-server=127.0.0.1:9',
  `--user-data-dir=${join(workDir, 'profile')}`, 'about:blank',
]);
const deadline = setTimeout(() => {
  console.error('FAIL: the browser test did not end within 10 minutes');
  browser.process.kill('SIGKILL');
  process.exit(1);
}, 600000);

try {
  const { targetInfos } = await browser.send('Target.getTargets');
  const target = targetInfos.find((t) => t.type === 'page');
  const { sessionId } = await browser.send('Target.attachToTarget', { targetId: target.targetId, flatten: true });
  const send = (method, params) => browser.send(method, params, sessionId);
  const requests = [];
  const problems = [];
  browser.on((m) => {
    if (m.sessionId !== sessionId) return;
    if (m.method === 'Network.requestWillBeSent') requests.push(m.params.request.url);
    if (m.method === 'Runtime.exceptionThrown') problems.push(m.params.exceptionDetails.exception?.description || m.params.exceptionDetails.text);
    if (m.method === 'Log.entryAdded' && m.params.entry.level === 'error') problems.push(m.params.entry.text);
    if (m.method === 'Runtime.consoleAPICalled' && m.params.type === 'error') problems.push(m.params.args.map((a) => a.value).join(' '));
  });
  await send('Runtime.enable');
  await send('Log.enable');
  await send('Network.enable');
  await send('Page.enable');
  const pageUrl = pathToFileURL(resolve(distDir, 'index.html')).href;
  const loaded = new Promise((done) => browser.on((m) => { if (m.method === 'Page.loadEventFired' && m.sessionId === sessionId) done(); }));
  await send('Page.navigate', { url: pageUrl });
  await loaded;
  const evaluate = async (expression) => {
    const { result, exceptionDetails } = await send('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true });
    if (exceptionDetails) throw new Error(`${expression.slice(0, 60)}: ${exceptionDetails.exception?.description || exceptionDetails.text}`);
    return result.value;
  };
  if (!(await evaluate('typeof window.quarvexPage === "object"'))) throw new Error('the page did not start (app.js)');
  await evaluate(`quarvexPage.settings.now = ${JSON.stringify(now)}; quarvexPage.settings.system = ${JSON.stringify(system)}; true`);
  const { root } = await send('DOM.getDocument', {});
  const { nodeId } = await send('DOM.querySelector', { nodeId: root.nodeId, selector: '#hive-file' });

  // Each hive chosen in the file field; a cabinet's first hive so, its others in the
  // cabinet's list of hives.
  const openings = [];
  for (const hive of hives) {
    const members = hive.endsWith('.CAB') ? cabinetMembers(hive) : [null];
    members.forEach((member, i) => openings.push({ hive, member, chosen: i === 0 }));
  }
  for (const { hive, member, chosen } of openings) {
    const name = basename(hive) + (member ? `::${member}` : '');
    const expected = cliOutputs(resolve(hive), member);
    await evaluate('quarvexPage.last = null; true');
    const opened = Date.now();
    if (chosen) await send('DOM.setFileInputFiles', { nodeId, files: [resolve(hive)] });
    else await evaluate(`(() => { const s = document.getElementById('member'); s.value = ${JSON.stringify(name)}; s.dispatchEvent(new Event('change')); return true; })()`);
    // Until the page has shown its result (a cheap question: the result itself, tens of
    // megabytes for a large hive, takes longer to hand over than the page took to make it).
    let done = false;
    while (!done && Date.now() - opened < 120000) {
      await new Promise((r) => setTimeout(r, 50));
      done = await evaluate(`quarvexPage.last !== null || document.querySelector('#status.failed') !== null`);
    }
    const pageMs = Date.now() - opened;
    let shown = null;
    if (done) {
      // Digests of what the page holds: tens of megabytes of a large hive's key tree are
      // compared without handing them over the debugging pipe, which is slow; the bytes
      // themselves only when they differ, to show where.
      shown = await evaluate(`(async () => {
        const last = quarvexPage.last;
        if (!last) return document.querySelector('#status.failed') ? {failed: document.getElementById('status-text').textContent} : null;
        const digest = async (data) => {
          const bytes = typeof data === 'string' ? new TextEncoder().encode(data) : (data || new Uint8Array());
          return Array.from(new Uint8Array(await crypto.subtle.digest('SHA-256', bytes)), (b) => b.toString(16).padStart(2, '0')).join('');
        };
        return {
          name: last.name, report: await digest(last.report.bytes), reportErrors: last.report.errors,
          check: await digest(last.check.json), tree: await digest(last.tree.json),
          status: { report: last.report.status, check: last.check.status, tree: last.tree.status }, times: last.times,
          reportText: document.getElementById('report-text').textContent.length,
          findingRows: document.querySelectorAll('#findings tbody tr').length,
          topKeys: document.getElementById('keys').children.length,
        };
      })()`);
    }
    if (!shown) {
      fail(`${name}: the page showed no result within two minutes`);
      continue;
    }
    if (shown.failed) {
      fail(`${name}: the page failed: ${shown.failed}`);
      continue;
    }
    const held = async (what) => {
      const text = await evaluate(`(() => {
        const last = quarvexPage.last;
        const data = ${JSON.stringify(what)} === 'report' ? (last.report.bytes || new Uint8Array()) : last[${JSON.stringify(what)}].json;
        if (typeof data === 'string') return data;
        let text = '';
        for (let i = 0; i < data.length; i += 8192) text += String.fromCharCode(...data.subarray(i, i + 8192));
        return btoa(text);
      })()`);
      return what === 'report' ? Buffer.from(text, 'base64') : Buffer.from(text, 'utf8');
    };
    const same = async (what, label, cliBytes) =>
      shown[what] === sha256(cliBytes) || compare(`${name}: ${label}`, await held(what), cliBytes);
    const okReport = await same('report', 'report', expected.report);
    const okCheck = await same('check', 'check --json', expected.check);
    const okTree = await same('tree', 'ls -R -v --json', expected.tree);
    const check = JSON.parse(expected.check.toString('utf8'));
    const findings = (check.files[0].findings || []).length;
    const topKeys = expected.tree.toString('utf8').split('\n').filter((l) => l.includes('"depth": 1,')).length;
    for (const what of ['report', 'check', 'tree'])
      if (shown.status[what] !== expected.status[what])
        fail(`${name}: the page's ${what} ended with status ${shown.status[what]}, quarvex-cli's with ${expected.status[what]}`);
    if (shown.reportText === 0) fail(`${name}: the page shows no report text`);
    if (expected.reportFailure !== undefined && !shown.reportErrors.includes(expected.reportFailure.trim()))
      fail(`${name}: the page says ${JSON.stringify(shown.reportErrors)}, not quarvex-cli's ${JSON.stringify(expected.reportFailure)}`);
    if (shown.findingRows !== findings) fail(`${name}: the page shows ${shown.findingRows} findings, check has ${findings}`);
    if (shown.topKeys !== topKeys) fail(`${name}: the page shows ${shown.topKeys} top keys, ls has ${topKeys}`);
    const size = statSync(resolve(hive)).size;
    const tabs = await checkTabs({ name, folder: dirname(resolve(hive)), size, evaluate, send, cli, env, workDir, now, fail });
    if (okReport && okCheck && okTree)
      console.log(`ok ${name}: report (${expected.report.length} bytes), check JSON and key tree as quarvex-cli gives them, ${tabs} checks of the other tabs; ` +
                  `page ${pageMs} ms from choosing the file to all shown (engine: report ${shown.times.report.toFixed(0)} ms, ` +
                  `check ${shown.times.check.toFixed(0)} ms, keys ${shown.times.tree.toFixed(0)} ms); quarvex-cli report ${expected.reportMs.toFixed(0)} ms`);
  }
  const own = (url) => url.startsWith('file:') || url.startsWith('blob:') || url.startsWith('data:');
  const away = requests.filter((url) => !own(url));
  if (away.length) fail(`the page asked the network for: ${away.join(', ')}`);
  if (problems.length) fail(`the page reported errors:\n  ${problems.join('\n  ')}`);
} catch (e) {
  fail(e.stack || String(e));
  if (browser.stderr) console.error(browser.stderr.split('\n').slice(-10).join('\n'));
} finally {
  clearTimeout(deadline);
  await browser.close();
}
process.exit(failures ? 1 : 0);
