// Makes the page's folder (dist/) from the engine built by emscripten and the page's files:
//   node bundle.mjs ENGINE.js PAGE_DIR DIST_DIR VERSION
// The worker (the engine followed by page/worker.js) is kept as one text in quarvex-worker.js,
// a plain script the page loads with a <script> element and starts as a worker from a blob:
// a page opened from disk can do both, where it may neither fetch a file nor start a worker
// from one. Only node's built-in modules are used.
import { copyFileSync, mkdirSync, readFileSync, writeFileSync, renameSync } from 'node:fs';
import { join } from 'node:path';

const [engineFile, pageDir, distDir, version] = process.argv.slice(2);
if (!version) {
  console.error('usage: node bundle.mjs ENGINE.js PAGE_DIR DIST_DIR VERSION');
  process.exit(2);
}
mkdirSync(distDir, { recursive: true });

// Each file is written beside its place and renamed into it: a page half written is never left.
function writeAtomically(file, text) {
  writeFileSync(file + '.part', text);
  renameSync(file + '.part', file);
}

const worker = readFileSync(engineFile, 'utf8') + '\n' + readFileSync(join(pageDir, 'worker.js'), 'utf8');
writeAtomically(join(distDir, 'quarvex-worker.js'),
  '// The page\'s worker: quarvex-cli\'s engine in WebAssembly and web/page/worker.js, as one text.\n' +
  'self.QUARVEX_WORKER_SOURCE = ' + JSON.stringify(worker) + ';\n');
const index = readFileSync(join(pageDir, 'index.html'), 'utf8');
writeAtomically(join(distDir, 'index.html'), index.replaceAll('@QUARVEX_VERSION@', version));
// The page's own files are those it names (its scripts and its style), all but the worker made above.
for (const [, file] of index.matchAll(/(?:src|href)="([^"]+)"/g)) {
  if (file !== 'quarvex-worker.js') copyFileSync(join(pageDir, file), join(distDir, file));
}
