// The WebAssembly machine against kv74-run: the same input script and step count give the same
// prog.txt, the same panel object and the same plot, byte for byte; the plot both as the module's
// picture and as the page draws it from the frames' plot calls. The module runs in slices of
// different sizes, as the worker runs it.
//   node tests/web/exact.mjs   (after scripts/build-web.sh and the native build; KV74_BUILD=build)
import {execFileSync} from 'node:child_process';
import {mkdtempSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {createRequire} from 'node:module';
import {tmpdir} from 'node:os';
import {join, resolve} from 'node:path';
import {fileURLToPath, pathToFileURL} from 'node:url';
import {inflateSync} from 'node:zlib';

const root = fileURLToPath(new URL('../../', import.meta.url));
const site = join(root, 'build-web/site');
const runner = resolve(root, process.env.KV74_BUILD || 'build', 'tools/kv74-run/kv74-run');
const W = 1024, H = 768, FACE = 0xC0C0C0;

// Jog toggles, the fast-feed toggle, an input lamp, the scale button, keys and the clear button,
// while the machine stands in manual mode.
const MANUAL = `# manual mode
50000 click k0x78
800000 click uskor
1600000 click k0x78
1700000 click k0x7b
2500000 click k0x7b
2600000 click ki3
2700000 click mash
3000000 click k0x09
3100000 click k0x0B
3500000 click clea
3900000 click uskor
`;
const AUTO = readFileSync(join(root, 'firmware/demo/auto-run.input'), 'utf8');

// Each case: a script, the step counts compared, and the slices the module runs in (cycled).
const CASES = [
  {name: 'automatic run, one call per stop', script: AUTO, stops: [150000, 6000000, 31000000],
   slices: [Infinity]},
  {name: 'automatic run, odd slices', script: AUTO, stops: [200000, 2500001],
   slices: [99991, 1, 7, 250000, 3]},
  {name: 'manual keys and toggles', script: MANUAL, stops: [1600000, 4200000],
   slices: [65536, 1000003, 17]},
];

// ---- kv74-run
function runNative(script, steps, dir) {
  writeFileSync(join(dir, 'in.txt'), script);
  execFileSync(runner, ['--input', join(dir, 'in.txt'), '--steps', String(steps), '--workdir', dir,
    '--plot-png', join(dir, 'plot.png'), '--state-json', join(dir, 'state.json'), '--quiet'], {stdio: 'pipe'});
  const state = readFileSync(join(dir, 'state.json'), 'utf8');
  const at = state.indexOf('"panel":');
  if (at < 0) throw new Error('no panel in the state JSON');
  return {
    prog: readFileSync(join(dir, 'prog.txt'), 'latin1'),
    panel: state.slice(at + 8, state.lastIndexOf('}')).trim(),  // the last member, as written
    picture: decodePng(readFileSync(join(dir, 'plot.png'))),
  };
}

// An 8-bit RGB, non-interlaced PNG to its bytes.
function decodePng(png) {
  let at = 8, width = 0, height = 0;
  const idat = [];
  while (at < png.length) {
    const len = png.readUInt32BE(at), type = png.toString('latin1', at + 4, at + 8);
    const body = png.subarray(at + 8, at + 8 + len);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[9] !== 2 || body[12] !== 0) throw new Error('not 8-bit RGB');
    } else if (type === 'IDAT') idat.push(body);
    at += 12 + len;
  }
  const raw = inflateSync(Buffer.concat(idat)), stride = width * 3;
  const out = new Uint8Array(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    for (let x = 0; x < stride; ++x) {
      const v = raw[y * (stride + 1) + 1 + x];
      const a = x >= 3 ? out[y * stride + x - 3] : 0;
      const b = y > 0 ? out[(y - 1) * stride + x] : 0;
      const c = x >= 3 && y > 0 ? out[(y - 1) * stride + x - 3] : 0;
      const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const pred = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      out[y * stride + x] = (v + pred) & 0xFF;
    }
  }
  return out;
}

// ---- the page's drawing of the plot calls (PROTOCOL.md)
function setPixel(rgb, col, row, bgr) {
  if (col < 0 || col >= W || row < 0 || row >= H) return;
  const i = (row * W + col) * 3;
  rgb[i] = bgr & 0xFF;
  rgb[i + 1] = (bgr >> 8) & 0xFF;
  rgb[i + 2] = (bgr >> 16) & 0xFF;
}

function draw(rgb, calls) {
  for (const [kind, row, col, pen] of calls) {
    if (kind === 0) {
      for (let i = 0; i < W * H; ++i) setPixel(rgb, i % W, Math.floor(i / W), FACE);
    } else {
      for (const [dc, dr] of [[0, -1], [0, 1], [-1, 0], [1, 0]]) setPixel(rgb, col + dc, row + dr, pen);
      setPixel(rgb, col, row, FACE);
    }
  }
}

// ---- the module
async function loadModule() {
  // emscripten 3.1.6's loader, run by Node, takes require and __dirname, which an ES module lacks.
  globalThis.require = createRequire(import.meta.url);
  globalThis.__dirname = site;
  const {default: create} = await import(pathToFileURL(join(site, 'kv74.js')).href);
  return create({wasmBinary: readFileSync(join(site, 'kv74.wasm'))});
}

class Machine {
  constructor(mod, script) {
    this.mod = mod;
    mod.FS.mkdirTree('/images');
    for (const n of ['V4', 'AMT', 'RAM']) mod.FS.writeFile(`/images/${n}`, readFileSync(join(site, 'data', n)));
    if (this.withString(script, (p) => mod._kv74_start(p)) !== 0) throw new Error(this.error());
    this.prog = '';
    this.drawn = new Uint8Array(W * H * 3);
  }
  error() { return this.mod.UTF8ToString(this.mod._kv74_error()); }
  withString(s, f) {
    const n = this.mod.lengthBytesUTF8(s) + 1, p = this.mod._malloc(n);
    this.mod.stringToUTF8(s, p, n);
    try { return f(p); } finally { this.mod._free(p); }
  }
  word(f) {
    const p = this.mod._malloc(4);
    try { const r = f(p); return [r, this.mod.HEAPU32[p >> 2]]; } finally { this.mod._free(p); }
  }
  // What the worker does for a frame: prog.txt and plot calls taken.
  take() {
    const m = this.mod;
    const [text, reset] = this.word((p) => m._kv74_prog_take(p));
    if (reset) this.prog = '';
    this.prog += m.UTF8ToString(text);
    const [count, at] = this.word((p) => m._kv74_plot_calls(p));
    if (count < 0) {
      this.drawn.set(this.picture());
    } else {
      const calls = [];
      for (let i = 0, w = at >> 2; i < count; ++i, w += 4) {
        calls.push([m.HEAP32[w], m.HEAP32[w + 1], m.HEAP32[w + 2], m.HEAPU32[w + 3]]);
      }
      draw(this.drawn, calls);
    }
    m._kv74_plot_forget();
  }
  picture() {
    const at = this.mod._kv74_picture();
    return this.mod.HEAPU8.slice(at, at + W * H * 3);
  }
  runTo(target, slices) {
    for (let i = 0; this.mod._kv74_steps() < target; ++i) {
      const n = Math.min(slices[i % slices.length], target - this.mod._kv74_steps());
      if (this.mod._kv74_run(n) !== n) throw new Error(`run of ${n} steps: ${this.error()}`);
      this.take();
    }
  }
  panel() { return this.mod.UTF8ToString(this.mod._kv74_panel_json(0)); }
}

function firstDifference(a, b) {
  const n = Math.min(a.length, b.length);
  for (let i = 0; i < n; ++i) if (a[i] !== b[i]) return i;
  return a.length === b.length ? -1 : n;
}

// ---- the cases
const mod = await loadModule();
const dir = mkdtempSync(join(tmpdir(), 'kv74-exact-'));
let failures = 0;
const check = (what, a, b) => {
  const at = firstDifference(a, b);
  if (at < 0) return;
  ++failures;
  const show = (x) => (typeof x === 'string' ? JSON.stringify(x.slice(Math.max(0, at - 40), at + 40)) : `byte ${x[at]}`);
  console.log(`FAIL ${what}: first difference at ${at} (length ${a.length} vs ${b.length}): ${show(a)} vs ${show(b)}`);
};
try {
  for (const c of CASES) {
    const machine = new Machine(mod, c.script);
    for (const stop of c.stops) {
      machine.runTo(stop, c.slices);
      const want = runNative(c.script, stop, dir);
      const where = `${c.name}, step ${stop}`;
      check(`${where}: prog.txt`, machine.prog, want.prog);
      check(`${where}: panel`, machine.panel(), want.panel);
      check(`${where}: picture`, machine.picture(), want.picture);
      check(`${where}: picture drawn from the plot calls`, machine.drawn, want.picture);
      console.log(`${where}: ${want.prog.split('\n').length - 1} prog.txt lines compared`);
    }
  }
  // A bad script is refused with its line, and the machine that ran before runs on.
  const machine = new Machine(mod, '');
  machine.runTo(1000, [1000]);
  const bad = machine.withString('10 click k0x78\n5 click nothing\n', (p) => mod._kv74_start(p));
  const message = machine.error();
  if (bad !== -1 || !/^script:2: /.test(message) || mod._kv74_steps() !== 1000) {
    ++failures;
    console.log(`FAIL a bad script: status ${bad}, "${message}", steps ${mod._kv74_steps()}`);
  }
} finally {
  rmSync(dir, {recursive: true, force: true});
}
if (failures) {
  console.log(`${failures} difference(s)`);
  process.exit(1);
}
console.log('exact: the WebAssembly machine matches kv74-run');
