// The web page's engine (WebAssembly, tools/web-build.sh) on Windows 98/Me registry backup
// cabinets, run under node as the page's worker runs it (web/page/worker.js: the cabinet
// written into the module's file system, quarvex_web_run with the arguments one per line),
// against quarvex-cli on the same bytes:
//   node cabinet_engine_test.mjs ENGINE_JS QUARVEX_CLI QUARVEX_HIVEGEN WORK_DIR
// ENGINE_JS is the build's web/quarvex-engine.js. The cabinets are made here with gcab from hives
// the hive generator writes, compressed (MSZIP) and stored. What the command line prints (hives,
// check --json, ls --json), the report file it writes, and for a damaged cabinet or a missing
// member its message and exit status, must be the same bytes; a disk image is refused by the
// engine with the reason. Exit status 77 when the engine is not built or gcab is missing.
import { spawnSync } from 'node:child_process';
import { existsSync, mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import { join, resolve } from 'node:path';

// The engine reads its time zone from node's clock, the command line from TZ: both UTC.
process.env.TZ = 'UTC';
const [engineGiven, cliGiven, hivegenGiven, workGiven] = process.argv.slice(2);
if (!workGiven) {
  console.error('usage: node cabinet_engine_test.mjs ENGINE_JS QUARVEX_CLI QUARVEX_HIVEGEN WORK_DIR');
  process.exit(2);
}
const enginePath = resolve(engineGiven);
const cli = resolve(cliGiven);
const hivegen = resolve(hivegenGiven);
const workDir = resolve(workGiven);
if (!existsSync(enginePath)) {
  console.log(`SKIP: no engine at ${enginePath} (build it with tools/web-build.sh)`);
  process.exit(77);
}
if (spawnSync('sh', ['-c', 'command -v gcab']).status !== 0) {
  console.log('SKIP: gcab is not installed');
  process.exit(77);
}

const now = '2024-05-06T07:08:09';
const env = { ...process.env, LC_ALL: 'C', TZ: 'UTC' };
let failures = 0;
let checks = 0;
function fail(text) {
  console.error(`FAIL: ${text}`);
  failures++;
}
function must(what, done) {
  if (done.error || done.status !== 0) {
    console.error(`${what} failed: ${done.error || done.stderr}`);
    process.exit(1);
  }
}

// Two cabinets as Windows 98 leaves them in SYSBCKUP, each holding the two hives and the two
// INI files; and, made from them, what cannot be read.
rmSync(workDir, { recursive: true, force: true });
mkdirSync(workDir, { recursive: true });
const generated = [['SYSTEM.DAT', 'system', '11'], ['USER.DAT', 'user', '12']];
for (const [name, kind, seed] of generated)
  must(`hivegen ${name}`, spawnSync(hivegen, ['--kind', kind, '--keys', '400', '--seed', seed, '-o', name], { cwd: workDir }));
writeFileSync(join(workDir, 'SYSTEM.INI'), '[boot]\r\nshell=Explorer.exe\r\n');
writeFileSync(join(workDir, 'WIN.INI'), '[windows]\r\nload=\r\nrun=\r\n');
const members = ['SYSTEM.DAT', 'USER.DAT', 'SYSTEM.INI', 'WIN.INI'];
must('gcab -z', spawnSync('gcab', ['-c', '-n', '-z', 'RB000.CAB', ...members], { cwd: workDir }));
must('gcab', spawnSync('gcab', ['-c', '-n', 'RB001.CAB', ...members], { cwd: workDir }));
const whole = readFileSync(join(workDir, 'RB000.CAB'));
writeFileSync(join(workDir, 'CUT.CAB'), whole.subarray(0, 20));  // inside its header
const damaged = Buffer.from(whole);
damaged.fill(0xa5, damaged.length - 4096, damaged.length - 2048);  // MSZIP data overwritten
writeFileSync(join(workDir, 'DAMAGED.CAB'), damaged);
// Something that starts like a disk image (a first sector ending in 55 AA).
const disk = Buffer.alloc(64 * 1024);
disk[510] = 0x55;
disk[511] = 0xaa;
writeFileSync(join(workDir, 'DISK.IMG'), disk);
const files = ['RB000.CAB', 'RB001.CAB', 'CUT.CAB', 'DAMAGED.CAB', 'DISK.IMG'];

// Each command runs in both, from the folder the cabinet lies in; REPORT stands for the report
// file each writes (compared as bytes).
const same = [];
for (const cab of ['RB000.CAB', 'RB001.CAB']) {
  same.push(['hives', cab]);
  same.push(['check', '--json', '-', `${cab}::SYSTEM.DAT`]);
  same.push(['check', '--json', '-', `${cab}::user.dat`]);
  same.push(['--now', now, '-o', 'REPORT', `${cab}::USER.DAT`]);
  same.push(['--now', now, '-o', 'REPORT', `${cab}::SYSTEM.DAT`]);
  same.push(['ls', '-R', '-v', '--json', `${cab}::USER.DAT`]);
}
// The other commands on addresses into a cabinet, as the command line runs them.
same.push(['facts', '--json', '-', 'RB000.CAB::SYSTEM.DAT', 'RB000.CAB::USER.DAT']);
same.push(['timeline', 'RB000.CAB::SYSTEM.DAT', 'RB001.CAB::USER.DAT']);
same.push(['recover', '--json', '-', 'RB001.CAB::SYSTEM.DAT']);
same.push(['diff', '--keys-only', 'RB000.CAB::SYSTEM.DAT', 'RB001.CAB::USER.DAT']);
same.push(['find', '-i', 'RB000.CAB::USER.DAT', 'a']);
same.push(['hives', 'CUT.CAB']);
same.push(['check', '--json', '-', 'CUT.CAB::USER.DAT']);
same.push(['check', '--json', '-', 'DAMAGED.CAB::USER.DAT']);
same.push(['check', '--json', '-', 'RB000.CAB::NOTHERE.DAT']);
same.push(['check', '--json', '-', 'RB000.CAB::WIN.INI']);

const require = createRequire(import.meta.url);
const made = require(enginePath)({ preRun: [(module) => { module.ENV.LC_ALL = 'C'; }], print: () => {}, printErr: () => {} });
const engine = await Promise.resolve(made.ready || made);
engine.ccall('quarvex_web_set_system', null, ['string', 'string'], [os.type(), os.release()]);
engine.FS.mkdir('/hive');
engine.FS.mkdir('/out');
for (const file of files) engine.FS.writeFile(`/hive/${file}`, readFileSync(join(workDir, file)));
engine.FS.chdir('/hive');

function inEngine(args) {
  try {
    engine.FS.unlink('/out/REPORT.TXT');
  } catch (e) {
    // none yet
  }
  const given = args.map((a) => (a === 'REPORT' ? '/out/REPORT.TXT' : a));
  const status = engine.ccall('quarvex_web_run', 'number', ['string'], [given.join('\n')]);
  const bytes = (data, size) => Buffer.from(engine.HEAPU8.slice(data, data + size));
  let report = null;
  if (args.includes('REPORT') && engine.FS.analyzePath('/out/REPORT.TXT').exists)
    report = Buffer.from(engine.FS.readFile('/out/REPORT.TXT'));
  return {
    status,
    out: bytes(engine._quarvex_web_out_data(), engine._quarvex_web_out_size()),
    err: bytes(engine._quarvex_web_err_data(), engine._quarvex_web_err_size()).toString(),
    report,
  };
}

function inCli(args) {
  const reportFile = join(workDir, 'cli-report.txt');
  rmSync(reportFile, { force: true });
  const given = args.map((a) => (a === 'REPORT' ? reportFile : a));
  const done = spawnSync(cli, given, { cwd: workDir, env, maxBuffer: 1 << 30 });
  if (done.error) {
    console.error(`quarvex-cli ${given.join(' ')}: ${done.error}`);
    process.exit(1);
  }
  const report = args.includes('REPORT') && existsSync(reportFile) ? readFileSync(reportFile) : null;
  return { status: done.status, out: done.stdout, err: done.stderr.toString(), report };
}

function sameBytes(what, engineBytes, cliBytes) {
  checks++;
  if (engineBytes === null || cliBytes === null) {
    if (engineBytes !== cliBytes) fail(`${what}: written by ${engineBytes ? 'the engine' : 'quarvex-cli'} only`);
    return;
  }
  if (Buffer.compare(engineBytes, cliBytes) === 0) return;
  let at = 0;
  while (at < engineBytes.length && at < cliBytes.length && engineBytes[at] === cliBytes[at]) at++;
  const around = (b) => JSON.stringify(b.subarray(Math.max(0, at - 40), at + 40).toString());
  fail(`${what}: the engine's ${engineBytes.length} bytes differ from quarvex-cli's ${cliBytes.length} at byte ${at}\n` +
       `  engine: ${around(engineBytes)}\n  cli:    ${around(cliBytes)}`);
}

for (const args of same) {
  const what = args.join(' ');
  const page = inEngine(args);
  const native = inCli(args);
  checks++;
  if (page.status !== native.status) fail(`${what}: the engine's status ${page.status}, quarvex-cli's ${native.status}`);
  sameBytes(`${what} (standard output)`, page.out, native.out);
  if (args.includes('REPORT')) {
    sameBytes(`${what} (report)`, page.report, native.report);
    if (native.status === 0 && !native.report) fail(`${what}: quarvex-cli wrote no report`);
  } else if (native.status !== 0) {
    sameBytes(`${what} (standard error)`, Buffer.from(page.err), Buffer.from(native.err));
  }
  if (native.status === 0 && page.out.length === 0 && !page.report) fail(`${what}: nothing came out`);
}

// A cabinet is read, a disk image is not: it fails, saying so (check --json in its JSON, as for
// any file it cannot read), and no report is written.
for (const args of [['hives', 'DISK.IMG'], ['check', '--json', '-', 'DISK.IMG::WINDOWS/USER.DAT'],
                    ['--now', now, '-o', 'REPORT', 'DISK.IMG::WINDOWS/USER.DAT']]) {
  const page = inEngine(args);
  checks++;
  if (page.status === 0 || page.report)
    fail(`${args.join(' ')}: the engine gave status ${page.status}${page.report ? ' and a report' : ''} for a disk image`);
  const said = args[0] === 'check' ? page.out.toString() : page.err;
  if (!said.includes('DISK.IMG: this build of Quarvex reads cabinets but no disk images'))
    fail(`${args.join(' ')}: the engine does not say that it reads no disk images: ${JSON.stringify(said)}`);
}

console.log(`${checks} comparisons of the engine and quarvex-cli on cabinets, ${failures} failed`);
process.exit(failures ? 1 : 0);
