// The page's worker: runs the engine (quarvex-cli in WebAssembly, QuarvexEngine from the
// script before this one in the same text) on the hive the page sends, off the page's thread.
// Every answer is what the command line gives for the same bytes and the same arguments: the
// questions below are quarvex-cli's own commands, so the page and the command line cannot
// tell different stories about one file. Progress lines (--progress) go to the page while
// the job runs.
//
// Messages from the page: {type: 'open', name, bytes, now, system, options} reads a hive (or
// the first hive of a cabinet) and answers with the report, the check and the key tree
// ({type: 'result'}); {type: 'open', member} without bytes opens another hive of the same
// cabinet; {type: 'ask', id, what, params} answers one question about the open hive
// ({type: 'answer', id, ...}).
'use strict';

let engine = null;
let file = null;     // the file sent, by its name in the engine's file system
let members = null;  // when it is a cabinet: the addresses of its hives (CAB::MEMBER)
let hive = null;     // the open hive: the file, or a member's address
let clock = [];      // --now DATE, when the page fixes the clock

// A cabinet (a backup RBnnn.CAB of Windows 98/Me) starts with "MSCF".
function isCabinet(bytes) {
  const head = new Uint8Array(bytes, 0, Math.min(4, bytes.byteLength));
  return String.fromCharCode(...head) === 'MSCF';
}

// The hives a cabinet holds, as hives CAB lists them: the ADDRESS column of each line.
function cabinetMembers(module, name) {
  const listed = run(module, ['hives', name]);
  if (listed.status !== 0) throw new Error(listed.err.trim() || `${name}: not a readable cabinet`);
  const lines = new TextDecoder().decode(listed.out).split('\n');
  const header = lines.findIndex((l) => l.startsWith('KIND '));
  if (header < 0) return [];
  const column = lines[header].indexOf('ADDRESS');
  return lines.slice(header + 1).filter((l) => l.trim() && !l.startsWith('note:')).map((l) => l.slice(column).trim());
}

function loadEngine() {
  if (!engine) {
    // Compiled at once (see web/CMakeLists.txt), the engine comes back as the module itself,
    // whose ready promise holds it once its runtime has started.
    const made = QuarvexEngine({
      onErrorLine: (text) => postMessage({ type: 'progress', text }),
      // The report's numbers and dates in the program's own format, whatever the browser's
      // language (which emscripten would give as LANG): as the command line gives them under
      // LC_ALL=C. Set before the program starts, which reads its environment once.
      preRun: [(module) => { module.ENV.LC_ALL = 'C'; }],
    });
    engine = Promise.resolve(made.ready || made).then((module) => {
      module.FS.mkdir('/hive');
      module.FS.mkdir('/out');
      return module;
    });
  }
  return engine;
}

// The name the hive gets in the engine's file system, which is the name the report prints:
// the file's own name, without anything a command line would read otherwise.
function hiveName(name) {
  let safe = String(name || 'HIVE').replace(/[\u0000-\u001f/\\]/g, '_').replace(/::/g, '__');
  if (safe === '.' || safe === '..' || safe === '') safe = 'HIVE';
  return safe.startsWith('-') ? './' + safe : safe;
}

// The report's option boxes as --set NAME=on|off; only names the engine lists are passed.
function optionArgs(options, known) {
  const args = [];
  for (const [name, on] of Object.entries(options || {})) {
    if (known.has(name)) args.push('--set', `${name}=${on ? 'on' : 'off'}`);
  }
  return args;
}

// find's flags from the search form: where to look, how to read the pattern, which type.
function searchArgs(params) {
  const args = [];
  for (const where of ['keys', 'values', 'data']) if (params[where]) args.push('--' + where);
  if (params.mode === 'regex') args.push('--regex');
  else if (params.mode === 'hex') args.push('--hex');
  args.push(params.caseSensitive ? '-s' : '-i');
  if (params.type) args.push('--type', String(params.type));
  return args;
}

// Each question: the command line's arguments and the files it writes that are part of the answer.
const questions = {
  report: (p, m) => ({
    args: [...clock, '--progress', ...optionArgs(p.options, m.optionNames), '-o', '/out/REPORT.TXT', hive],
    files: ['/out/REPORT.TXT'],
  }),
  // The analysis as JSON with the chart's nine series (the job again, without its report:
  // the series of a large hive are tens of megabytes, made only when the charts are asked for).
  analysis: (p, m) => ({ args: [...clock, ...optionArgs(p.options, m.optionNames), '--json', '-', '--json-series', hive] }),
  check: () => ({ args: ['check', '--json', '-', hive] }),
  tree: () => ({ args: ['ls', '-R', '-v', '--json', hive] }),
  search: (p) => ({ args: ['find', '--json', ...searchArgs(p), '--', hive, String(p.pattern)] }),
  recovery: () => ({ args: ['recover', '--json', '-', hive] }),
  recoveryText: () => ({ args: ['recover', hive] }),
  recoveryExport: () => ({ args: ['recover', '--export', '/out/recovered.reg', hive], files: ['/out/recovered.reg'] }),
  facts: () => ({ args: ['facts', hive] }),
  factsJson: () => ({ args: ['facts', '--json', '-', hive] }),
  factsCsv: () => ({ args: ['facts', '--csv', '-', hive] }),
  // The REGEDIT4 export read with the salvage reader: every key and value still readable,
  // each damaged place as a comment, where the faithful export would stop at the first damage.
  export: () => ({ args: ['--export', '/out/export.reg', '--salvage', hive], files: ['/out/export.reg'] }),
};

function run(module, args) {
  const status = module.ccall('quarvex_web_run', 'number', ['string'], [args.join('\n')]);
  const bytes = (data, size) => module.HEAPU8.slice(data, data + size);
  return {
    status,
    out: bytes(module._quarvex_web_out_data(), module._quarvex_web_out_size()),
    err: new TextDecoder().decode(bytes(module._quarvex_web_err_data(), module._quarvex_web_err_size())),
  };
}

function removeAll(module, folder) {
  for (const entry of module.FS.readdir(folder)) {
    if (entry !== '.' && entry !== '..') module.FS.unlink(folder + '/' + entry);
  }
}

// Runs one question; its answer with the files it wrote (null for a file it did not write:
// a job that failed writes no report).
function answer(module, what, params) {
  const make = questions[what];
  if (!make) throw new Error(`no such question: ${what}`);
  const asked = make(params || {}, module);
  for (const file of asked.files || []) {
    try {
      module.FS.unlink(file);
    } catch (e) {
      // not there: nothing to remove
    }
  }
  const started = performance.now();
  const result = run(module, asked.args);
  result.ms = performance.now() - started;
  result.files = {};
  for (const file of asked.files || []) {
    try {
      result.files[file.replace(/^.*\//, '')] = module.FS.readFile(file);
    } catch (e) {
      result.files[file.replace(/^.*\//, '')] = null;
    }
  }
  return result;
}

function transfers(result) {
  return [result.out.buffer, ...Object.values(result.files).filter(Boolean).map((b) => b.buffer)];
}

async function open(message) {
  const module = await loadEngine();
  if (!module.chartViews) module.chartViews = JSON.parse(module.UTF8ToString(module._quarvex_web_chart_views()));
  if (!module.reportOptions) {
    module.reportOptions = JSON.parse(module.UTF8ToString(module._quarvex_web_report_options()));
    module.optionNames = new Set(module.reportOptions.map((o) => o.name));
  }
  const system = message.system || {};
  module.ccall('quarvex_web_set_system', null, ['string', 'string'], [system.name || '', system.release || '']);
  module.FS.chdir('/hive');
  // A new file replaces the last; without bytes, another member of the cabinet last sent.
  if (message.bytes) {
    removeAll(module, '/hive');
    file = hiveName(message.name);
    module.FS.writeFile(file, new Uint8Array(message.bytes));
    members = isCabinet(message.bytes) ? cabinetMembers(module, file) : null;
  }
  removeAll(module, '/out');
  clock = message.now ? ['--now', message.now] : [];
  const text = (bytes) => new TextDecoder().decode(bytes);
  hive = file;
  if (members) {
    if (!members.length) throw new Error(`${file}: the cabinet holds no registry file`);
    hive = members.includes(message.member) ? message.member : members[0];
  }

  postMessage({ type: 'stage', text: 'report' });
  const report = answer(module, 'report', { options: message.options });
  postMessage({ type: 'stage', text: 'check' });
  const check = answer(module, 'check');
  postMessage({ type: 'stage', text: 'key tree' });
  const tree = answer(module, 'tree');
  const reportBytes = report.files['REPORT.TXT'];
  const result = {
    type: 'result',
    name: hive,
    members,
    report: { status: report.status, bytes: reportBytes, errors: report.err },
    chartViews: module.chartViews,
    reportOptions: module.reportOptions,
    check: { status: check.status, json: text(check.out), errors: check.err },
    tree: { status: tree.status, json: text(tree.out), errors: tree.err },
    times: { report: report.ms, check: check.ms, tree: tree.ms },
  };
  postMessage(result, reportBytes ? [reportBytes.buffer] : []);
}

async function ask(message) {
  const module = await loadEngine();
  if (!hive) throw new Error('no hive is open');
  const result = answer(module, message.what, message.params);
  postMessage({ type: 'answer', id: message.id, what: message.what, ...result }, transfers(result));
}

// One message at a time, in the order sent: a question asked while a hive is still being
// opened waits for it.
let queue = Promise.resolve();
onmessage = (event) => {
  const message = event.data || {};
  if (message.type === 'open') {
    queue = queue.then(() => open(message))
      .catch((error) => postMessage({ type: 'failed', message: String(error && error.message || error) }));
  } else if (message.type === 'ask') {
    queue = queue.then(() => ask(message)).catch((error) =>
      postMessage({ type: 'answer', id: message.id, what: message.what, failed: String(error && error.message || error) }));
  }
};
