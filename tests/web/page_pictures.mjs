// Pictures of the web page for the README, taken in headless Chromium from the page's folder:
//   node page_pictures.mjs DIST_DIR HIVE OUT_DIR
// The hive (the real user.dat in tests/data) is opened as a user opens it; each tab is shown
// as a user leaves it (a key with a binary value chosen, a search made, a recovered key chosen,
// a chart point clicked) and written to OUT_DIR/web-*.png.
import { mkdirSync, rmSync, writeFileSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

import { Browser, clickAt, findChromium } from './cdp_pipe.mjs';

const [distDir, hive, outDir] = process.argv.slice(2);
if (!outDir) {
  console.error('usage: node page_pictures.mjs DIST_DIR HIVE OUT_DIR');
  process.exit(2);
}
const chromium = findChromium();
if (!chromium) {
  console.log('SKIP: Chromium is not installed');
  process.exit(77);
}
mkdirSync(outDir, { recursive: true });
const profile = join(resolve(outDir), '.page-pictures-profile');
const browser = new Browser(chromium, ['--headless', '--disable-gpu', '--no-sandbox', '--no-first-run',
  '--hide-scrollbars', '--font-render-hinting=none', `--user-data-dir=${profile}`, 'about:blank']);
try {
  const { targetInfos } = await browser.send('Target.getTargets');
  const { sessionId } = await browser.send('Target.attachToTarget', { targetId: targetInfos.find((t) => t.type === 'page').targetId, flatten: true });
  const send = (method, params) => browser.send(method, params, sessionId);
  const evaluate = async (expression) => {
    const { result, exceptionDetails } = await send('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true });
    if (exceptionDetails) throw new Error(`${expression.slice(0, 60)}: ${exceptionDetails.exception?.description || exceptionDetails.text}`);
    return result.value;
  };
  await send('Page.enable');
  await send('Emulation.setDeviceMetricsOverride', { width: 1100, height: 760, deviceScaleFactor: 1, mobile: false });
  const loaded = new Promise((done) => browser.on((m) => { if (m.method === 'Page.loadEventFired') done(); }));
  await send('Page.navigate', { url: pathToFileURL(resolve(distDir, 'index.html')).href });
  await loaded;
  await evaluate(`quarvexPage.settings.now = '2026-12-07T10:00:00'; true`);
  const { root } = await send('DOM.getDocument', {});
  const { nodeId } = await send('DOM.querySelector', { nodeId: root.nodeId, selector: '#hive-file' });
  await send('DOM.setFileInputFiles', { nodeId, files: [resolve(hive)] });
  while (!(await evaluate('quarvexPage.last !== null'))) await new Promise((r) => setTimeout(r, 50));

  const picture = async (name) => {
    await new Promise((r) => setTimeout(r, 150));
    const { data } = await send('Page.captureScreenshot', { format: 'png' });
    writeFileSync(join(outDir, `web-${name}.png`), Buffer.from(data, 'base64'));
    console.log(`${join(outDir, `web-${name}.png`)}`);
  };
  await picture('report');

  await evaluate(`(() => {
    quarvexPage.showKey('.DEFAULT\\\\Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Streams\\\\Desktop');
    const rows = document.querySelectorAll('#value-table tbody tr');
    for (const row of rows) if (row.cells[1].textContent === 'REG_BINARY') { row.click(); break; }
    window.scrollTo(0, 0);
    return true;
  })()`);
  await picture('tree');

  await evaluate(`(async () => {
    quarvexPage.showTab('search');
    document.getElementById('search-pattern').value = 'microsoft';
    document.getElementById('search-data').checked = true;
    document.getElementById('search-form').requestSubmit();
    while (!/hit/.test(document.getElementById('search-note').textContent)) await new Promise((r) => setTimeout(r, 20));
    return true;
  })()`);
  await picture('search');

  await evaluate(`(async () => {
    quarvexPage.showTab('recovery');
    await quarvexPage.tabs.recovery.opened();
    document.querySelector('#recovered tbody tr').click();
    return true;
  })()`);
  await picture('recovered');

  await evaluate(`(async () => {
    quarvexPage.showTab('facts');
    await quarvexPage.tabs.facts.opened();
    return true;
  })()`);
  await picture('facts');

  for (const [view, name] of [[1, 'chart-blocks'], [4, 'chart-sizes']]) {
    const at = await evaluate(`(async () => {
      quarvexPage.showTab('charts');
      await quarvexPage.tabs.charts.opened();
      const select = document.getElementById('chart-view');
      select.value = '${view}';
      select.dispatchEvent(new Event('change'));
      const points = document.querySelectorAll('#chart circle.point');
      if (!points.length) return null;
      const box = points[Math.floor(points.length / 3)].getBoundingClientRect();
      return { x: box.left + box.width / 2, y: box.top + box.height / 2 };
    })()`);
    if (at) {
      await clickAt(send, at);
    }
    await picture(name);
  }
} finally {
  await browser.close();
  rmSync(profile, { recursive: true, force: true });
}
