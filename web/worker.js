// The machine's worker: owns the WebAssembly module and runs the machine in slices between the
// page's messages, so the page never waits for it. The messages are described in PROTOCOL.md.
import createKv74 from './kv74.js';

const NOMINAL = 1010000;  // steps per second of real time: the board's nominal clock
const FRAME_MS = 33;      // at most ~30 frames a second
const SLICE_MS = 12;      // host time run between two looks at the page's messages
const MAX_LAG_MS = 200;   // a paced run further behind than this starts a new reference
const PICTURE_BYTES = 1024 * 768 * 3;
// Steps between two clicks that arrive together: the keyboard register holds one code until the
// firmware takes it, so a second click in the same step would replace the first.
const CLICK_GAP = 50000;

let mod = null;
let bundled = null;       // the images of data/, fetched once
let images = {};          // the set the machine starts from: name -> Uint8Array
let running = false;
let speed = {mode: 'max', factor: 1};
let pace = null;          // {steps, time}: where a paced run stood when its reference was taken
let runTo = null;         // the step count a 'run-to' stops at
let recording = false;
let chunk = 100000;       // steps per call at max speed, adapted to SLICE_MS
let lastFrame = 0;
let samples = [];         // [time, steps] of the last second, for the rate
const held = new Set();
const wake = new MessageChannel();
let wakePending = false;

const post = (m, transfer) => self.postMessage(m, transfer || []);
const fail = (message) => post({type: 'error', message});
const text = (ptr) => (ptr ? mod.UTF8ToString(ptr) : '');
const steps = () => mod._kv74_steps();

// Calls f with s as a C string in the module's memory.
function withString(s, f) {
  const n = mod.lengthBytesUTF8(s) + 1;
  const p = mod._malloc(n);
  mod.stringToUTF8(s, p, n);
  try {
    return f(p);
  } finally {
    mod._free(p);
  }
}

function withBytes(bytes, f) {
  const p = mod._malloc(bytes.length);
  mod.HEAPU8.set(bytes, p);
  try {
    return f(p);
  } finally {
    mod._free(p);
  }
}

function withWord(f) {
  const p = mod._malloc(4);
  try {
    const r = f(p);
    return [r, mod.HEAPU32[p >> 2]];
  } finally {
    mod._free(p);
  }
}

async function fetchBundled() {
  const out = {};
  for (const name of ['V4', 'AMT', 'RAM']) {
    const r = await fetch(new URL(`data/${name}`, import.meta.url));
    if (!r.ok) throw new Error(`cannot load data/${name}: ${r.status} ${r.statusText}`);
    out[name] = new Uint8Array(await r.arrayBuffer());
  }
  return out;
}

// Power-on from the current images, clicking `script` at its steps; false when it failed.
function start(script) {
  clicks = [];
  clickAt = 0;
  const fs = mod.FS;
  fs.mkdirTree('/images');
  for (const name of fs.readdir('/images')) {
    if (name !== '.' && name !== '..') fs.unlink(`/images/${name}`);
  }
  for (const [name, bytes] of Object.entries(images)) fs.writeFile(`/images/${name}`, bytes);
  if (withString(script || '', (p) => mod._kv74_start(p)) !== 0) {
    fail(text(mod._kv74_error()));
    return false;
  }
  samples = [];
  restartPace();
  return true;
}

function restartPace() {
  pace = {steps: steps(), time: performance.now()};
}

function frame() {
  const now = performance.now();
  lastFrame = now;
  const s = steps();
  samples.push([now, s]);
  while (samples.length > 2 && now - samples[0][0] > 1000) samples.shift();
  const [t0, s0] = samples[0];
  const rate = running && now > t0 ? ((s - s0) * 1000) / (now - t0) : 0;
  const [progPtr, progReset] = withWord((p) => mod._kv74_prog_take(p));
  const progAppend = text(progPtr);
  const [count, callsPtr] = withWord((p) => mod._kv74_plot_calls(p));
  const plot = [];
  let picture;
  if (count < 0) {
    const at = mod._kv74_picture();
    picture = mod.HEAPU8.slice(at, at + PICTURE_BYTES).buffer;
  } else {
    const words = mod.HEAP32;
    for (let i = 0, w = callsPtr >> 2; i < count; ++i, w += 4) {
      plot.push([words[w], words[w + 1], words[w + 2], words[w + 3] >>> 0]);
    }
  }
  mod._kv74_plot_forget();
  const warning = text(mod._kv74_warning());
  if (warning) fail(warning);
  const m = {
    type: 'frame', steps: s, running, rate, realtime: rate / NOMINAL,
    panel: JSON.parse(text(mod._kv74_panel_json(1))), held: [...held],
    block: text(mod._kv74_block()), progAppend, progReset: progReset !== 0, plot,
  };
  if (picture) m.picture = picture;
  post(m, picture ? [picture] : []);
}

function run(n) {
  const r = mod._kv74_run(n);
  if (r < 0) {
    running = false;
    fail(text(mod._kv74_error()));
  }
  return r;
}

let clicks = [];   // clicks waiting for their turn while the machine runs
let clickAt = 0;   // the first step the next of them may take effect at

function queueClick(name) {
  if (running) clicks.push(name);
  else {
    click(name);
    clickAt = steps() + CLICK_GAP;
  }
}

// Takes the next waiting click when its step has come; the steps the run may go on before the
// one after it.
function dueClicks() {
  if (clicks.length && steps() >= clickAt) {
    click(clicks.shift());
    clickAt = steps() + CLICK_GAP;
  }
  return clicks.length ? Math.max(clickAt - steps(), 1) : Infinity;
}

// One slice of the run, then a look at the page's messages.
function slice() {
  wakePending = false;
  if (!running) return;
  const begin = performance.now();
  if (runTo !== null || speed.mode === 'max') {
    do {
      let n = Math.min(chunk, dueClicks());
      if (runTo !== null) n = Math.min(n, runTo - steps());
      const t = performance.now();
      if (n > 0) run(n);
      const spent = performance.now() - t;
      // About a tenth of the slice per call.
      if (spent < SLICE_MS / 20) chunk = Math.min(chunk * 2, 1 << 26);
      else if (spent > SLICE_MS / 5) chunk = Math.max(chunk >> 1, 1000);
      if (runTo !== null && steps() >= runTo) {
        runTo = null;
        running = false;
      }
    } while (running && performance.now() - begin < SLICE_MS);
  } else {
    const perMs = (NOMINAL * (speed.mode === 'times' ? speed.factor : 1)) / 1000;
    let due = pace.steps + (begin - pace.time) * perMs;
    if (due - steps() > MAX_LAG_MS * perMs) {
      restartPace();
      due = steps();
    }
    const n = Math.min(Math.floor(due) - steps(), dueClicks());
    if (n > 0) run(n);
  }
  if (!running || performance.now() - lastFrame >= FRAME_MS) frame();
  if (!running) return;
  if (runTo !== null || speed.mode === 'max') {
    wakePending = true;
    wake.port2.postMessage(null);
  } else {
    setTimeout(slice, 4);
  }
}
wake.port1.onmessage = slice;

function resume() {
  running = true;
  restartPace();
  if (!wakePending) {
    wakePending = true;
    wake.port2.postMessage(null);
  }
}

function pause() {
  running = false;
  runTo = null;
}

const handlers = {
  async init(m) {
    if (!mod) mod = await createKv74();
    if (!bundled) bundled = await fetchBundled();
    images = {...bundled};
    for (const name of ['V4', 'AMT', 'RAM']) {
      if (m.images && m.images[name]) images[name] = new Uint8Array(m.images[name]);
    }
    pause();
    held.clear();
    if (!start('')) return;
    const description = text(mod._kv74_panel_description ? mod._kv74_panel_description() : 0);
    post({type: 'ready', description: description ? JSON.parse(description) : null,
          nominal: NOMINAL});
    frame();
  },
  press(m) {
    if (m.down) held.add(m.name);
    else {
      held.delete(m.name);
      queueClick(m.name);
    }
    if (!running) frame();
  },
  click(m) {
    queueClick(m.name);
    if (!running) frame();
  },
  speed(m) {
    speed = {mode: m.mode, factor: Number(m.factor) > 0 ? Number(m.factor) : 1};
    restartPace();
  },
  pause() {
    pause();
    frame();
  },
  resume() {
    resume();
  },
  step(m) {
    pause();
    run(Math.max(1, Math.floor(Number(m.count) || 1)));
    frame();
  },
  'run-to'(m) {
    runTo = Math.floor(Number(m.steps));
    if (steps() >= runTo) {
      runTo = null;
      running = false;
      frame();
      return;
    }
    resume();
  },
  'snapshot-save'() {
    const n = mod._kv74_snapshot_save();
    if (n < 0) return fail(text(mod._kv74_error()));
    const at = mod._kv74_bytes();
    const bytes = mod.HEAPU8.slice(at, at + n).buffer;
    post({type: 'snapshot', bytes}, [bytes]);
  },
  'snapshot-load'(m) {
    const r = withBytes(new Uint8Array(m.bytes), (p) => mod._kv74_snapshot_load(p, m.bytes.byteLength));
    if (r !== 0) return fail(text(mod._kv74_error()));
    clicks = [];
    clickAt = 0;
    restartPace();
    frame();
  },
  'ram-save'() {
    const n = mod._kv74_ram_save();
    const at = mod._kv74_bytes();
    const bytes = mod.HEAPU8.slice(at, at + n).buffer;
    post({type: 'ram', bytes}, [bytes]);
  },
  record(m) {
    if (m.on) recording = true;
    else {
      if (recording) post({type: 'script', text: text(mod._kv74_script())});
      recording = false;
    }
  },
  replay(m) {
    pause();
    if (start(String(m.text))) frame();
  },
};

function click(name) {
  if (withString(name, (p) => mod._kv74_click(p)) !== 0) fail(text(mod._kv74_error()));
}

// Messages are handled one after another, the asynchronous start included.
let queue = Promise.resolve();
self.onmessage = (e) => {
  const m = e.data || {};
  queue = queue.then(async () => {
    const h = handlers[m.type];
    if (!h) return fail(`unknown message type ${m.type}`);
    if (!mod && m.type !== 'init') return fail('the machine is not started: send init first');
    try {
      await h(m);
    } catch (err) {
      fail(String(err && err.message ? err.message : err));
    }
  });
};
