// The page's core: opens a hive (chosen or dropped), hands its bytes to the worker, asks it
// questions about the open hive, and switches the tabs. Each tab's own script (report.js,
// tree.js, search.js, recovery.js, facts.js, charts.js) registers what it shows on
// window.quarvexPage. Plain scripts, not modules: a page opened from disk may not load module
// scripts from files beside it.
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

  // settings: for tests, as quarvex-cli's --now fixes the clock; system: what the header names.
  // tabs: each tab's script adds {show(result), reset()}; last: the open hive's first answers.
  const page = { settings: { now: null, system: browserSystem() }, last: null, busy: false, tabs: {}, $ };
  window.quarvexPage = page;

  let worker = null;
  const waiting = new Map();  // question id -> {resolve, reject}
  let nextId = 1;
  let opening = null;  // {resolve, reject, name} while a hive is being opened

  function startWorker() {
    if (worker) return worker;
    if (typeof self.QUARVEX_WORKER_SOURCE !== 'string') throw new Error('quarvex-worker.js is missing beside the page');
    const url = URL.createObjectURL(new Blob([self.QUARVEX_WORKER_SOURCE], { type: 'text/javascript' }));
    worker = new Worker(url);
    worker.onmessage = (event) => heard(event.data);
    worker.onerror = (event) => {
      page.busy = false;
      status(`the engine failed: ${event.message || 'unknown error'}`, true);
      const error = new Error(event.message || 'the engine failed');
      if (opening) opening.reject(error);
      opening = null;
      for (const w of waiting.values()) w.reject(error);
      waiting.clear();
    };
    return worker;
  }

  function status(text, failed) {
    $('status').hidden = false;
    $('status').classList.toggle('failed', !!failed);
    $('progress').hidden = !!failed || !page.busy;
    $('status-text').textContent = text;
  }
  page.status = status;

  function heard(m) {
    if (m.type === 'progress' || m.type === 'stage') {
      status(m.type === 'stage' ? `${m.text} ...` : m.text);
    } else if (m.type === 'result') {
      page.last = m;
      show(m);
      if (opening) opening.resolve(m);
      opening = null;
    } else if (m.type === 'failed') {
      page.busy = false;
      status(`${opening ? opening.name + ': ' : ''}${m.message}`, true);
      if (opening) opening.reject(new Error(m.message));
      opening = null;
    } else if (m.type === 'answer') {
      const w = waiting.get(m.id);
      waiting.delete(m.id);
      if (!w) return;
      if (m.failed) w.reject(new Error(m.failed));
      else w.resolve(m);
    }
  }

  // Asks the worker one question about the open hive (see worker.js): resolves with
  // {status, out, err, files, ms}, out and files' contents as bytes.
  page.ask = (what, params) => new Promise((resolve, reject) => {
    const id = nextId++;
    waiting.set(id, { resolve, reject });
    startWorker().postMessage({ type: 'ask', id, what, params });
  });
  page.hex = (n, width) => '0x' + Number(n).toString(16).toUpperCase().padStart(width || 8, '0');
  page.text = (bytes) => new TextDecoder().decode(bytes || new Uint8Array());

  // Offers bytes as a file to save, under a name made from the hive's.
  page.save = (bytes, suffix, type) => {
    const last = page.last;
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([bytes], { type: type || 'application/octet-stream' }));
    // RB000.CAB::USER.DAT saves as RB000.CAB-USER-REPORT.TXT: no character a file system refuses.
    const stem = last ? last.name.replace(/^\.\//, '').replace(/\.[^.:]*$/, '').replace(/::/g, '-') : 'hive';
    link.download = stem.replace(/[\\/:*?"<>|]/g, '_') + suffix;
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
  };

  page.showTab = (name) => {
    for (const button of $('tabs').querySelectorAll('button')) button.classList.toggle('chosen', button.dataset.tab === name);
    for (const tab of $('tabs').querySelectorAll('button')) $(tab.dataset.tab).hidden = tab.dataset.tab !== name;
    const own = page.tabs[name];
    if (own && own.opened) own.opened();
  };

  function show(result) {
    for (const tab of Object.values(page.tabs)) {
      try {
        tab.show(result);
      } catch (e) {
        console.error(e);
      }
    }
    // A cabinet's hives, to choose from; the one shown is chosen.
    $('member-choice').hidden = !result.members;
    $('member').replaceChildren(...(result.members || []).map((m) => new Option(m.replace(/^.*::/, ''), m, false, m === result.name)));
    $('tabs').hidden = false;
    page.showTab('report');
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
    for (const tab of Object.values(page.tabs)) if (tab.reset) tab.reset();
    file.arrayBuffer().then((bytes) => {
      const w = startWorker();
      opening = { resolve, reject, name: file.name };
      const options = page.tabs.report ? page.tabs.report.options() : {};
      w.postMessage({ type: 'open', name: file.name, bytes, now: page.settings.now, system: page.settings.system, options }, [bytes]);
    }).catch((error) => {
      page.busy = false;
      status(`${file.name}: ${error.message}`, true);
      reject(error);
    });
  });

  // Another hive of the cabinet open: the worker holds its bytes already.
  page.openMember = (member) => new Promise((resolve, reject) => {
    if (page.busy) return reject(new Error('a hive is being read'));
    page.busy = true;
    status(`reading ${member} ...`);
    for (const tab of Object.values(page.tabs)) if (tab.reset) tab.reset();
    opening = { resolve, reject, name: member };
    const options = page.tabs.report ? page.tabs.report.options() : {};
    startWorker().postMessage({ type: 'open', member, now: page.settings.now, system: page.settings.system, options });
  });
  $('member').addEventListener('change', (event) => page.openMember(event.target.value).catch(() => {}));

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
    if (event.target.dataset.tab) page.showTab(event.target.dataset.tab);
  });
})();
