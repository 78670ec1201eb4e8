// The page's worker: runs the engine (quarvex-cli in WebAssembly, QuarvexEngine from the
// script before this one in the same text) on the hive the page sends, off the page's thread,
// and sends back what the command line would write for the same bytes: the report file
// (quarvex-cli -o FILE HIVE), the check's JSON (check --json - HIVE) and the key tree with
// values (ls -R -v --json HIVE). Progress lines (--progress) go to the page while the job runs.
'use strict';

let engine = null;

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

async function open(message) {
  const module = await loadEngine();
  const system = message.system || {};
  module.ccall('quarvex_web_set_system', null, ['string', 'string'], [system.name || '', system.release || '']);
  removeAll(module, '/hive');
  removeAll(module, '/out');
  module.FS.chdir('/hive');
  const name = hiveName(message.name);
  module.FS.writeFile(name, new Uint8Array(message.bytes));
  const clock = message.now ? ['--now', message.now] : [];
  const times = {};
  const timed = (what, args) => {
    const started = performance.now();
    const result = run(module, args);
    times[what] = performance.now() - started;
    return result;
  };

  postMessage({ type: 'stage', text: 'report' });
  const report = timed('report', [...clock, '--progress', '-o', '/out/REPORT.TXT', name]);
  let reportBytes = null;
  try {
    reportBytes = module.FS.readFile('/out/REPORT.TXT');
  } catch (e) {
    reportBytes = null;  // the job failed before the report was written: its message says why
  }
  postMessage({ type: 'stage', text: 'check' });
  const check = timed('check', ['check', '--json', '-', name]);
  postMessage({ type: 'stage', text: 'key tree' });
  const tree = timed('tree', ['ls', '-R', '-v', '--json', name]);
  const text = (bytes) => new TextDecoder().decode(bytes);
  const result = {
    type: 'result',
    name,
    report: { status: report.status, bytes: reportBytes, errors: report.err },
    check: { status: check.status, json: text(check.out), errors: check.err },
    tree: { status: tree.status, json: text(tree.out), errors: tree.err },
    times,
  };
  postMessage(result, reportBytes ? [reportBytes.buffer] : []);
}

onmessage = (event) => {
  if (event.data && event.data.type === 'open') {
    open(event.data).catch((error) => postMessage({ type: 'failed', message: String(error && error.message || error) }));
  }
};
