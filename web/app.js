// The page: starts the machine in a Web Worker (worker.js, messages in PROTOCOL.md), builds the
// panel from the description the worker sends, and wires the run controls, the plot, the block
// and prog.txt views, the PC keyboard, the battery RAM in the browser's storage, recording and
// replay, snapshots and the choice of images.

import { buildPanel } from './panel.js';
import { PlotView } from './plot.js';

// Steps per second of the board's clock (real time).
const NOMINAL_STEPS_PER_SECOND = 1010000;
// The battery RAM is taken from the machine this often while it runs, and on leaving the page.
const RAM_SAVE_MS = 2000;
const RAM_STORAGE_KEY = 'kv74.ram';
const RAM_BYTES = 8192;

// The PC keys that click the keypad (KeyboardEvent.key, letters either case), as in the
// desktop window with "PC keyboard for the keypad" on.
export const KEYPAD_KEYS = {
  x: 'k0x09', z: 'k0x0A', f: 'k0x0B', m: 'k0x0C', s: 'k0x0D', t: 'k0x0E', p: 'k0x11',
  g: 'k0x12', n: 'k0x21',
  0: 'k0x13', 1: 'k0x14', 2: 'k0x15', 3: 'k0x16', 4: 'k0x19',
  5: 'k0x1A', 6: 'k0x1B', 7: 'k0x1C', 8: 'k0x1D', 9: 'k0x1E',
  '-': 'k0x26', '*': 'k0x3E', Enter: 'k0x3E', Escape: 'k0x39',
};

// The run keys of the desktop window's menus: "Shift+F10", "Ctrl+s" ... -> action.
export const RUN_KEYS = {
  F5: 'continue',
  F6: 'pause',
  F11: 'step',
  'Shift+F10': 'step-n',
  'Ctrl+s': 'save-state',
  'Ctrl+o': 'load-state',
};

// The name of a key event in RUN_KEYS's form.
export function keyName(event) {
  const key = event.key.length === 1 ? event.key.toLowerCase() : event.key;
  return (event.ctrlKey ? 'Ctrl+' : '') + (event.altKey ? 'Alt+' : '') +
    (event.shiftKey && key.length > 1 ? 'Shift+' : '') + key;
}

// The keypad key of a key event, or undefined.
export function keypadKey(event) {
  if (event.ctrlKey || event.altKey || event.metaKey) return undefined;
  const key = event.key.length === 1 ? event.key.toLowerCase() : event.key;
  return Object.hasOwn(KEYPAD_KEYS, key) ? KEYPAD_KEYS[key] : undefined;
}

// "12.34 M steps/s  ×12.22 real time  step 1,234,567 (speed max)", as the desktop's status bar.
export function statusLine({ rate, steps, running, speed }) {
  const count = steps.toLocaleString('en-US');
  const setting = speed === 'max' ? 'max' : `\u00d7${speed === 'real' ? 1 : speed}`;
  if (!running) return `paused at step ${count} (speed ${setting})`;
  return `${(rate / 1e6).toFixed(2)} M steps/s  \u00d7${(rate / NOMINAL_STEPS_PER_SECOND).toFixed(2)}` +
    ` real time  step ${count} (speed ${setting})`;
}

export function toBase64(bytes) {
  let s = '';
  for (let i = 0; i < bytes.length; i += 0x8000) {
    s += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  }
  return btoa(s);
}

export function fromBase64(text) {
  const s = atob(text);
  const bytes = new Uint8Array(s.length);
  for (let i = 0; i < s.length; ++i) bytes[i] = s.charCodeAt(i);
  return bytes;
}

// The image of a file name: V4, AMT, RAM in any case, or a RAM save (kv74.ram, NAME.ram).
export function imageOfName(fileName) {
  const name = fileName.toUpperCase();
  if (name === 'V4' || name === 'AMT' || name === 'RAM') return name;
  return name.endsWith('.RAM') ? 'RAM' : undefined;
}

// The images of a chosen set of files by name; null when none of them is there.
export async function imagesOf(files) {
  const images = {};
  for (const file of files) {
    const image = imageOfName(file.name);
    if (image) images[image] = await file.arrayBuffer();
  }
  return Object.keys(images).length ? images : null;
}

function download(name, data, type = 'application/octet-stream') {
  const url = URL.createObjectURL(data instanceof Blob ? data : new Blob([data], { type }));
  const a = document.createElement('a');
  a.href = url;
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}

const $ = (id) => document.getElementById(id);

class App {
  constructor() {
    this.worker = null;
    this.panel = null;
    this.frame = null;
    this.prog = '';
    this.speed = 'max';
    this.recording = false;
    this.clicks = 0; // clicks sent to the machine
    this.ramDownload = false;
    this.ramSavedAt = -1; // the step of the last battery RAM kept in storage
    this.plot = new PlotView({
      view: $('plot-view'),
      canvas: $('plot'),
      overlay: $('plot-overlay'),
      scaleLabel: $('plot-scale'),
    });
    this.wireControls();
    this.wireKeyboard();
    setInterval(() => this.requestRam(), RAM_SAVE_MS);
    addEventListener('pagehide', () => this.requestRam());
  }

  // A new machine from the bundled images or the given ones; the battery RAM from storage unless
  // a RAM image is given.
  start(images = {}) {
    if (this.worker) this.worker.terminate();
    const stored = images.RAM ? null : localStorage.getItem(RAM_STORAGE_KEY);
    if (stored) {
      const bytes = fromBase64(stored);
      if (bytes.length === RAM_BYTES) images = { ...images, RAM: bytes.buffer };
    }
    this.frame = null;
    this.prog = '';
    $('prog').textContent = '';
    $('block').textContent = '';
    this.plot.reset();
    this.setRecording(false);
    this.worker = new Worker('worker.js', { type: 'module' });
    this.worker.onmessage = (e) => this.onMessage(e.data);
    this.worker.onerror = (e) => this.showMessage(`the machine stopped: ${e.message}`);
    const transfer = Object.values(images);
    this.worker.postMessage({ type: 'init', images }, transfer);
    this.post({ type: 'speed', ...this.speedMessage() });
    this.post({ type: 'resume' });
  }

  post(message, transfer = []) {
    if (!this.worker) return;
    this.worker.postMessage(message, transfer);
    if (message.type === 'press' && !message.down) ++this.clicks;
  }

  onMessage(m) {
    switch (m.type) {
      case 'ready':
        $('panel').replaceChildren();
        this.panel = buildPanel($('panel'), m.description, (name, down) =>
          this.post({ type: 'press', name, down }));
        this.panel.find('Kabout')?.addEventListener('click', () => $('about').showModal());
        break;
      case 'frame': this.onFrame(m); break;
      case 'snapshot': download('kv74.state', m.bytes); break;
      case 'ram':
        this.keepRam(m.bytes);
        if (this.ramDownload) download('kv74.ram', m.bytes);
        this.ramDownload = false;
        break;
      case 'script': download('kv74-session.input', m.text, 'text/plain'); break;
      case 'error': this.showMessage(m.message); break;
      default: break;
    }
  }

  onFrame(f) {
    this.frame = f;
    if (this.panel && f.panel) this.panel.update({ ...f.panel, held: f.held || [] });
    if (f.panel) this.plot.setScale(f.panel.ScaleFactor);
    if (f.picture) this.plot.setPicture(f.picture);
    if (f.plot && f.plot.length) this.plot.apply(f.plot);
    if (f.block !== undefined) $('block').textContent = f.block;
    if (f.progReset) {
      this.prog = '';
      $('prog').textContent = '';
    }
    if (f.progAppend) {
      this.prog += f.progAppend;
      const view = $('prog');
      const atEnd = view.scrollTop + view.clientHeight >= view.scrollHeight - 4;
      view.append(f.progAppend);
      if (atEnd) view.scrollTop = view.scrollHeight;
    }
    $('status').textContent = statusLine({ ...f, speed: this.speed });
    $('pause').textContent = f.running ? 'Pause' : 'Continue';
    $('pause').title = f.running ? 'Pause [F6]' : 'Continue [F5]';
  }

  showMessage(text) {
    $('message').textContent = text;
    $('message').hidden = !text;
  }

  speedMessage() {
    if (this.speed === 'max' || this.speed === 'real') return { mode: this.speed };
    return { mode: 'times', factor: Number(this.speed) };
  }

  requestRam() {
    if (this.frame) this.post({ type: 'ram-save' });
  }

  keepRam(bytes) {
    const ram = new Uint8Array(bytes);
    if (ram.length !== RAM_BYTES) return;
    localStorage.setItem(RAM_STORAGE_KEY, toBase64(ram));
    this.ramSavedAt = this.frame ? this.frame.steps : 0;
  }

  setRecording(on) {
    if (on === this.recording) return;
    this.recording = on;
    $('record').textContent = on ? 'Stop recording' : 'Record';
    $('record').classList.toggle('active', on);
  }

  run(action) {
    switch (action) {
      case 'continue': this.post({ type: 'resume' }); break;
      case 'pause': this.post({ type: 'pause' }); break;
      case 'toggle': this.run(this.frame && !this.frame.running ? 'continue' : 'pause'); break;
      case 'step': this.post({ type: 'step', count: 1 }); break;
      case 'step-n': $('step-count').focus(); $('step-count').select(); break;
      case 'save-state': this.post({ type: 'snapshot-save' }); break;
      case 'load-state': $('load-state').click(); break;
      default: break;
    }
  }

  stepN() {
    const n = Math.floor(Number($('step-count').value));
    if (n >= 1 && n <= 1e9) this.post({ type: 'step', count: n });
    else this.showMessage('Step N: a whole number of steps, 1 to 1,000,000,000');
  }

  wireControls() {
    $('pause').addEventListener('click', () => this.run('toggle'));
    $('step').addEventListener('click', () => this.run('step'));
    $('step-n').addEventListener('click', () => this.stepN());
    $('step-count').addEventListener('keydown', (e) => {
      if (e.key === 'Enter') this.stepN();
    });
    $('speed').addEventListener('change', (e) => {
      this.speed = e.target.value;
      this.post({ type: 'speed', ...this.speedMessage() });
    });
    $('record').addEventListener('click', () => {
      this.post({ type: 'record', on: !this.recording });
      this.setRecording(!this.recording);
    });
    $('replay').addEventListener('change', async (e) => {
      const [file] = e.target.files;
      e.target.value = '';
      if (!file) return;
      this.post({ type: 'replay', text: await file.text() });
      this.post({ type: 'resume' });
    });
    $('save-state').addEventListener('click', () => this.run('save-state'));
    $('load-state').addEventListener('change', async (e) => {
      const [file] = e.target.files;
      e.target.value = '';
      if (!file) return;
      const bytes = await file.arrayBuffer();
      this.post({ type: 'snapshot-load', bytes }, [bytes]);
    });
    $('images').addEventListener('change', async (e) => {
      const images = await imagesOf(e.target.files);
      e.target.value = '';
      if (images) this.start(images);
      else this.showMessage('No image among the files: the names are V4, AMT and RAM');
    });
    $('save-ram').addEventListener('click', () => {
      this.ramDownload = true;
      this.post({ type: 'ram-save' });
    });
    $('reset-ram').addEventListener('click', () => {
      localStorage.removeItem(RAM_STORAGE_KEY);
      this.ramSavedAt = -1;
      this.start();
    });
    $('prog-download').addEventListener('click', () =>
      download('prog.txt', this.prog, 'text/plain'));
    $('plot-download').addEventListener('click', async () =>
      download('plot.png', await this.plot.png()));
    $('overlay').addEventListener('change', (e) => this.plot.setOverlay(e.target.checked));
    $('message').addEventListener('click', () => this.showMessage(''));
    // The about box closes on a click or a key, as the desktop's does.
    for (const event of ['click', 'keydown']) {
      $('about').addEventListener(event, (e) => {
        e.preventDefault();
        e.stopPropagation();
        $('about').close();
      });
    }
  }

  wireKeyboard() {
    const typing = (e) =>
      e.target.closest && e.target.closest('input[type=number], input[type=text], select, textarea');
    const held = new Set();
    addEventListener('keydown', (e) => {
      const action = RUN_KEYS[keyName(e)];
      if (action) {
        e.preventDefault();
        if (!e.repeat) this.run(action);
        return;
      }
      if (typing(e) || !$('keyboard').checked) return;
      const name = keypadKey(e);
      if (!name) return;
      e.preventDefault();
      held.add(e.code);
      this.post({ type: 'press', name, down: true });
    });
    addEventListener('keyup', (e) => {
      if (!held.delete(e.code)) return;
      const name = keypadKey(e);
      if (name) this.post({ type: 'press', name, down: false });
    });
  }
}

const app = new App();
app.start();

// What the page shows, for the browser tests.
window.kv74 = {
  state: () => ({
    steps: app.frame ? app.frame.steps : -1,
    running: app.frame ? app.frame.running : false,
    panel: app.frame ? app.frame.panel : null,
    prog: app.prog,
    ramSavedAt: app.ramSavedAt,
    clicks: app.clicks,
  }),
  plotRgb: () => app.plot.picture.rgb(),
};
