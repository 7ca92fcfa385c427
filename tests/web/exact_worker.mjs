// The worker in headless Chromium, through its messages only (PROTOCOL.md): the automatic run
// replayed at max speed to a given step gives kv74-run's prog.txt and panel; the speed of that
// run, the time to the first frame and the module's size (under 2 MB) are measured.
//   node tests/web/exact_worker.mjs   (after scripts/build-web.sh; KV74_BUILD=build)
// Wall-clock figures need a quiet host: KV74_WEB_SPEED_MIN (M steps/s, e.g. 100) and
// KV74_WEB_READY_MS (e.g. 2000) hold the second run's speed and the first frame to bounds; unset,
// they are reported only.
import {execFileSync} from 'node:child_process';
import {createReadStream, mkdtempSync, readFileSync, rmSync, statSync, writeFileSync} from 'node:fs';
import {createServer} from 'node:http';
import {createRequire} from 'node:module';
import {tmpdir} from 'node:os';
import {extname, join, normalize, resolve} from 'node:path';
import {fileURLToPath} from 'node:url';

const root = fileURLToPath(new URL('../../', import.meta.url));
const site = join(root, 'build-web/site');
const runner = resolve(root, process.env.KV74_BUILD || 'build', 'tools/kv74-run/kv74-run');
const puppeteer = createRequire(join(root, 'build-web/node/'))('puppeteer-core');
const STOP = 31000000;  // past the program's end (M30 at about 29.6 million steps)
const minSpeed = Number(process.env.KV74_WEB_SPEED_MIN || 0);
const maxReady = Number(process.env.KV74_WEB_READY_MS || 0);
const MAX_MODULE_BYTES = 2 * 1024 * 1024;

const TYPES = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.css': 'text/css', '.svg': 'image/svg+xml'};
// The site as a static host serves it, and an empty page of the same origin to start workers from.
function serve() {
  const server = createServer((req, res) => {
    const path = normalize(decodeURIComponent(new URL(req.url, 'http://x').pathname));
    if (path === '/blank') {
      res.writeHead(200, {'content-type': 'text/html'});
      return res.end('<!doctype html><link rel="icon" href="data:,"><title>blank</title>');
    }
    const file = join(site, path);
    try {
      if (!file.startsWith(site) || !statSync(file).isFile()) throw new Error();
    } catch {
      res.writeHead(404);
      return res.end();
    }
    res.writeHead(200, {'content-type': TYPES[extname(file)] || 'application/octet-stream'});
    createReadStream(file).pipe(res);
  });
  return new Promise((ok) => server.listen(0, '127.0.0.1', () => ok(server)));
}

let failures = 0;
const fail = (what) => {
  ++failures;
  console.log(`FAIL ${what}`);
};

const wasmBytes = statSync(join(site, 'kv74.wasm')).size;
if (wasmBytes >= MAX_MODULE_BYTES) fail(`the module is ${wasmBytes} bytes, not under 2 MB`);

const script = readFileSync(join(root, 'firmware/demo/auto-run.input'), 'utf8');
const server = await serve();
const browser = await puppeteer.launch({executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true, args: ['--no-sandbox', '--disable-dev-shm-usage']});
const dir = mkdtempSync(join(tmpdir(), 'kv74-worker-'));
try {
  const page = await browser.newPage();
  const errors = [];
  page.on('console', (m) => m.type() === 'error' && errors.push(m.text()));
  page.on('pageerror', (e) => errors.push(String(e)));
  await page.goto(`http://127.0.0.1:${server.address().port}/blank`);
  const got = await page.evaluate(async (script, stop) => {
    const worker = new Worker('worker.js', {type: 'module'});
    const messages = [];
    let waiting = null;
    worker.onmessage = (e) => {
      messages.push(e.data);
      if (waiting && waiting.until(e.data)) waiting.ok(e.data);
    };
    worker.onerror = (e) => messages.push({type: 'error', message: e.message});
    const next = (until) => new Promise((ok) => {
      const seen = messages.find(until);
      if (seen) ok(seen);
      else waiting = {until, ok};
    });
    const opened = performance.now();
    worker.postMessage({type: 'init'});
    await next((m) => m.type === 'frame' || m.type === 'error');
    const ready = performance.now() - opened;
    // The automatic run from power-on, twice: the first also waits for the browser's optimizing
    // compiler, the second runs the optimized code from the start.
    const runs = [];
    for (let i = 0; i < 2; ++i) {
      messages.length = 0;
      worker.postMessage({type: 'replay', text: script});
      await next((m) => m.type === 'frame' || m.type === 'error');
      worker.postMessage({type: 'speed', mode: 'max'});
      messages.length = 0;
      const start = performance.now();
      worker.postMessage({type: 'run-to', steps: stop});
      const last = await next((m) => (m.type === 'frame' && !m.running) || m.type === 'error');
      const seconds = (performance.now() - start) / 1000;
      const frames = messages.filter((m) => m.type === 'frame');
      runs.push({seconds, last, frames: frames.length, prog: frames.map((f) => f.progAppend).join(''),
        errors: messages.filter((m) => m.type === 'error').map((m) => m.message)});
    }
    worker.terminate();
    return {ready, runs};
  }, script, STOP);
  writeFileSync(join(dir, 'in.txt'), script);
  execFileSync(runner, ['--input', join(dir, 'in.txt'), '--steps', String(STOP), '--workdir', dir,
    '--state-json', join(dir, 'state.json'), '--quiet']);
  const prog = readFileSync(join(dir, 'prog.txt'), 'latin1');
  const state = JSON.parse(readFileSync(join(dir, 'state.json'), 'utf8'));
  for (const e of errors) fail(`error: ${e}`);
  const rates = got.runs.map((run, i) => {
    const which = i === 0 ? 'first run' : 'second run';
    for (const e of run.errors) fail(`${which}: error: ${e}`);
    if (run.last.steps !== STOP) fail(`${which}: stopped at ${run.last.steps}, not ${STOP}`);
    if (run.prog !== prog) fail(`${which}: prog.txt differs: ${run.prog.length} bytes against ${prog.length}`);
    const {down, ...panel} = run.last.panel || {};
    if (JSON.stringify(panel) !== JSON.stringify(state.panel)) fail(`${which}: the panel differs`);
    if (!Array.isArray(down)) fail(`${which}: the frame's panel has no "down" list`);
    const rate = STOP / run.seconds / 1e6;
    console.log(`automatic run in Chromium, ${which}: ${STOP} steps in ${run.seconds.toFixed(2)} s = ` +
      `${rate.toFixed(1)} M steps/s (${run.frames} frames)`);
    return rate;
  });
  console.log(`first frame ${Math.round(got.ready)} ms after opening; module ${wasmBytes} bytes`);
  if (minSpeed > 0 && rates[1] < minSpeed) fail(`${rates[1].toFixed(1)} M steps/s, below ${minSpeed}`);
  if (maxReady > 0 && got.ready > maxReady) fail(`the first frame came ${Math.round(got.ready)} ms after opening`);
} finally {
  await browser.close();
  server.close();
  rmSync(dir, {recursive: true, force: true});
}
if (failures) process.exit(1);
console.log('exact_worker: the worker in Chromium matches kv74-run');
