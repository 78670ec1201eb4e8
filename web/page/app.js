// The page: opens a hive (chosen or dropped), hands its bytes to the worker, and shows what
// comes back: the report (saved as the very bytes quarvex-cli writes), the check's findings and
// the key tree with its values. A plain script, not a module: a page opened from disk may not
// load module scripts from files beside it.
'use strict';

(() => {
  const $ = (id) => document.getElementById(id);

  // What the report's header says of the machine: the system as the browser names it.
  function browserSystem() {
    const agent = navigator.userAgent || '';
    let m = agent.match(/Windows NT (\d+(?:\.\d+)*)/);
    if (m) return { name: 'Windows', release: m[1] };
    m = agent.match(/Mac OS X (\d+(?:[._]\d+)*)/);
    if (m) return { name: 'macOS', release: m[1].replace(/_/g, '.') };
    m = agent.match(/Android (\d+(?:\.\d+)*)/);
    if (m) return { name: 'Android', release: m[1] };
    if (/Linux/.test(agent)) return { name: 'Linux', release: '' };
    return { name: navigator.platform || '', release: '' };
  }

  // The code pages' names for the browser's text decoder (the report is in the hive's own).
  const decoderLabels = {
    '874': 'windows-874', '932': 'shift_jis', '936': 'gbk', '949': 'euc-kr', '950': 'big5',
    '1250': 'windows-1250', '1251': 'windows-1251', '1252': 'windows-1252', '1253': 'windows-1253',
    '1254': 'windows-1254', '1255': 'windows-1255', '1256': 'windows-1256', '1257': 'windows-1257',
    '1258': 'windows-1258', 'none': 'iso-8859-1',
  };

  // settings: for tests, as quarvex-cli's --now fixes the clock; system: what the header names.
  const page = { settings: { now: null, system: browserSystem() }, last: null, busy: false };
  window.quarvexPage = page;

  let worker = null;
  function startWorker() {
    if (worker) return worker;
    if (typeof self.QUARVEX_WORKER_SOURCE !== 'string') throw new Error('quarvex-worker.js is missing beside the page');
    const url = URL.createObjectURL(new Blob([self.QUARVEX_WORKER_SOURCE], { type: 'text/javascript' }));
    worker = new Worker(url);
    return worker;
  }

  function status(text, failed) {
    $('status').hidden = false;
    $('status').classList.toggle('failed', !!failed);
    $('progress').hidden = !!failed || !page.busy;
    $('status-text').textContent = text;
  }

  function codePageOf(check) {
    for (const file of check.files || []) {
      for (const f of file.findings || []) if (f.field === 'code page') return f.found;
    }
    return '1252';
  }

  function showReport(result, codePage) {
    const bytes = result.report.bytes;
    $('save-report').disabled = !bytes;
    if (!bytes) {
      $('report-text').textContent = result.report.errors || 'No report was made.';
      $('report-note').textContent = '';
      return;
    }
    const label = decoderLabels[codePage] || 'windows-1252';
    $('report-text').textContent = new TextDecoder(label).decode(bytes);
    $('report-note').textContent = `${bytes.length.toLocaleString()} bytes in code page ${codePage}, as quarvex-cli writes it`;
  }

  function showCheck(check) {
    const body = $('findings').tBodies[0];
    body.replaceChildren();
    const file = (check.files || [])[0] || {};
    $('check-summary').textContent = `${file.file || ''}: ${file.summary || file.error || ''}`;
    for (const f of file.findings || []) {
      const row = body.insertRow();
      const severity = row.insertCell();
      severity.textContent = f.severity;
      severity.className = f.severity;
      const offset = row.insertCell();
      offset.className = 'offset';
      offset.textContent = '0x' + Number(f.offset).toString(16).toUpperCase().padStart(8, '0');
      row.insertCell().textContent = f.line.replace(/^0x[0-9A-F]+: /, '');
    }
  }

  // The keys as ls -R gives them, one JSON object a line, parents before their subkeys.
  function buildTree(lines) {
    const root = { children: [], key: null };
    const byPath = new Map([['', root]]);
    for (const line of lines.split('\n')) {
      if (!line.trim()) continue;
      const key = JSON.parse(line);
      const cut = key.path.lastIndexOf('\\');
      const parent = byPath.get(cut < 0 ? '' : key.path.slice(0, cut)) || root;
      const node = { key, children: [] };
      parent.children.push(node);
      byPath.set(key.path, node);
    }
    return root;
  }

  let chosen = null;
  function choose(element, key) {
    if (chosen) chosen.classList.remove('chosen');
    chosen = element;
    element.classList.add('chosen');
    $('key-path').textContent = key.path + (key.findings.length ? `  (${key.findings.length} finding(s))` : '');
    const body = $('value-table').tBodies[0];
    body.replaceChildren();
    for (const v of key.values) {
      const row = body.insertRow();
      row.insertCell().textContent = v.name === '' ? '(default)' : v.name;
      row.insertCell().textContent = v.type;
      row.insertCell().textContent = v.data;
    }
  }

  // Subkeys are made when their parent is first opened: a hive of thousands of keys opens at once.
  function keyElement(node) {
    const label = node.key.name + (node.key.marks.length ? ` [${node.key.marks.join(', ')}]` : '');
    if (!node.children.length) {
      const leaf = document.createElement('div');
      leaf.className = 'leaf';
      leaf.textContent = label;
      leaf.addEventListener('click', () => choose(leaf, node.key));
      return leaf;
    }
    const details = document.createElement('details');
    const summary = document.createElement('summary');
    summary.textContent = label;
    summary.addEventListener('click', () => choose(summary, node.key));
    details.append(summary);
    details.addEventListener('toggle', () => {
      if (details.open && details.childElementCount === 1) details.append(...node.children.map(keyElement));
    });
    return details;
  }

  function showTree(lines) {
    $('keys').replaceChildren(...buildTree(lines).children.map(keyElement));
    $('key-path').textContent = '';
    $('value-table').tBodies[0].replaceChildren();
  }

  function showTab(name) {
    for (const button of $('tabs').querySelectorAll('button')) button.classList.toggle('chosen', button.dataset.tab === name);
    for (const tab of ['report', 'check', 'tree']) $(tab).hidden = tab !== name;
  }

  function show(result) {
    let check = {};
    try {
      check = JSON.parse(result.check.json);
    } catch (e) {
      check = { files: [{ file: result.name, error: result.check.errors || 'the check gave no result' }] };
    }
    showReport(result, codePageOf(check));
    showCheck(check);
    try {
      showTree(result.tree.json);
    } catch (e) {
      $('keys').textContent = result.tree.errors || 'The keys cannot be listed.';
    }
    $('tabs').hidden = false;
    showTab('report');
    const seconds = (ms) => (ms / 1000).toFixed(2);
    page.busy = false;
    status(`${result.name}: report ${seconds(result.times.report)} s, check ${seconds(result.times.check)} s, ` +
           `keys ${seconds(result.times.tree)} s` + (result.report.status ? ` (the report ended with status ${result.report.status}: ${result.report.errors.trim()})` : ''),
           result.report.status !== 0);
  }

  // Opens a File: resolves with the worker's result once it is shown.
  page.open = (file) => new Promise((resolve, reject) => {
    if (page.busy) return reject(new Error('a hive is being read'));
    page.busy = true;
    status(`reading ${file.name} ...`);
    file.arrayBuffer().then((bytes) => {
      const w = startWorker();
      w.onmessage = (event) => {
        const m = event.data;
        if (m.type === 'progress' || m.type === 'stage') {
          status(m.type === 'stage' ? `${m.text} ...` : m.text);
        } else if (m.type === 'result') {
          page.last = m;
          show(m);
          resolve(m);
        } else if (m.type === 'failed') {
          page.busy = false;
          status(`${file.name}: ${m.message}`, true);
          reject(new Error(m.message));
        }
      };
      w.onerror = (event) => {
        page.busy = false;
        status(`the engine failed: ${event.message || 'unknown error'}`, true);
        reject(new Error(event.message));
      };
      w.postMessage({ type: 'open', name: file.name, bytes, now: page.settings.now, system: page.settings.system }, [bytes]);
    }).catch((error) => {
      page.busy = false;
      status(`${file.name}: ${error.message}`, true);
      reject(error);
    });
  });

  function openChosen(file) {
    if (file) page.open(file).catch(() => {});  // the status line says what failed
  }

  $('hive-file').addEventListener('change', (event) => {
    openChosen(event.target.files[0]);
    event.target.value = '';  // the same file chosen again is read again
  });
  const drop = $('open');
  for (const name of ['dragenter', 'dragover']) {
    document.addEventListener(name, (event) => {
      event.preventDefault();
      drop.classList.add('over');
    });
  }
  document.addEventListener('dragleave', () => drop.classList.remove('over'));
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    drop.classList.remove('over');
    openChosen(event.dataTransfer.files[0]);
  });
  $('tabs').addEventListener('click', (event) => {
    if (event.target.dataset.tab) showTab(event.target.dataset.tab);
  });
  $('save-report').addEventListener('click', () => {
    const last = page.last;
    if (!last || !last.report.bytes) return;
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([last.report.bytes], { type: 'application/octet-stream' }));
    link.download = last.name.replace(/^\.\//, '').replace(/\.[^.]*$/, '') + '-REPORT.TXT';
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
  });
})();
