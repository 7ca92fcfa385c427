// What the page tests share: the built site served on localhost, Debian's Chromium driven by
// puppeteer-core, downloads caught in a folder, kv74-run beside it, and the page's state read.
//
// Environment: KV74_WEB_SITE (default build-web/site), KV74_BUILD (the native build, build),
// KV74_NODE_MODULES (build-web/node/node_modules), KV74_CHROMIUM (/usr/bin/chromium),
// KV74_WEB_OUT (build-web/test-out: screenshots, downloads, kv74-run's outputs).

import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { after, before } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';

export const ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const env = (name, fallback) => process.env[name] || fallback;
export const SITE = env('KV74_WEB_SITE', path.join(ROOT, 'build-web/site'));
export const KV74_RUN = path.resolve(ROOT, env('KV74_BUILD', 'build'), 'tools/kv74-run/kv74-run');
export const OUT = env('KV74_WEB_OUT', path.join(ROOT, 'build-web/test-out'));
const NODE_MODULES = env('KV74_NODE_MODULES', path.join(ROOT, 'build-web/node/node_modules'));
const CHROMIUM = env('KV74_CHROMIUM', '/usr/bin/chromium');

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.mjs': 'text/javascript',
  '.css': 'text/css',
  '.json': 'application/json',
  '.wasm': 'application/wasm',
  '.svg': 'image/svg+xml',
  '.png': 'image/png',
};

// A static server of dir on a free localhost port: {url, close()}.
export async function serve(dir) {
  const server = http.createServer((req, res) => {
    const rel = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    const file = path.join(dir, rel.endsWith('/') ? `${rel}index.html` : rel);
    if (!file.startsWith(dir) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      res.writeHead(404).end();
      return;
    }
    res.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {
    url: `http://127.0.0.1:${server.address().port}/`,
    close: () => new Promise((resolve) => server.close(resolve)),
  };
}

export async function launch() {
  const entry = path.join(NODE_MODULES, 'puppeteer-core/lib/esm/puppeteer/puppeteer-core.js');
  const { default: puppeteer } = await import(pathToFileURL(entry).href);
  return puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage'],
  });
}

// The site served and a browser, for the tests of one file: {server, browser} once they started.
export function useSite() {
  const site = {};
  before(async () => {
    site.server = await serve(SITE);
    site.browser = await launch();
  });
  after(async () => {
    await site.browser?.close();
    await site.server?.close();
  });
  return site;
}

// A page of its own browser context (storage of its own), 1400 x 900, its console errors and
// uncaught exceptions collected in page.errors, its downloads saved in a folder of OUT.
export async function openPage({ browser, server }, name) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport({ width: 1400, height: 900 });
  page.errors = [];
  page.on('console', (m) => {
    if (m.type() === 'error') page.errors.push(m.text());
  });
  page.on('pageerror', (e) => page.errors.push(String(e)));
  page.downloads = path.join(OUT, name, 'downloads');
  fs.rmSync(page.downloads, { recursive: true, force: true });
  fs.mkdirSync(page.downloads, { recursive: true });
  const cdp = await page.createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', {
    behavior: 'allow',
    downloadPath: page.downloads,
    browserContextId: context.id,
  });
  await page.goto(server.url);
  await ready(page);
  return page;
}

// The page's state as the tests read it (window.kv74.state()).
export const state = (page) => page.evaluate(() => window.kv74.state());

export async function until(page, predicate, arg, what, timeout = 60000) {
  try {
    await page.waitForFunction(predicate, { timeout, polling: 50 }, arg);
  } catch (e) {
    const s = await state(page);
    throw new Error(`timed out waiting for ${what} (at step ${s.steps}, running ${s.running})`);
  }
}

// The machine runs and its panel is built.
export async function ready(page) {
  await until(page, () => window.kv74 && window.kv74.state().steps > 0 &&
    document.querySelector('#panel [data-name]'), null, 'the first frames and the panel');
}

export async function paused(page) {
  await until(page, () => !window.kv74.state().running, null, 'the pause');
  return state(page);
}

// A real mouse click on the panel control of that binding name.
export async function clickControl(page, name) {
  const control = await page.waitForSelector(`#panel [data-name="${name}"]`);
  await control.click();
}

// The file the page downloads under that name (waits for it to be complete).
export async function download(page, name, timeout = 30000) {
  const file = path.join(page.downloads, name);
  const end = Date.now() + timeout;
  while (Date.now() < end) {
    if (fs.existsSync(file) && !fs.existsSync(`${file}.crdownload`)) return fs.readFileSync(file);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  throw new Error(`no download ${name}`);
}

export async function screenshot(page, name) {
  fs.mkdirSync(OUT, { recursive: true });
  const file = path.join(OUT, `${name}.png`);
  await page.screenshot({ path: file });
  return file;
}

// kv74-run with these arguments in a fresh folder of OUT: {dir, state, prog, plotPng}.
export function kv74Run(name, args) {
  const dir = path.join(OUT, name);
  fs.rmSync(dir, { recursive: true, force: true });
  fs.mkdirSync(dir, { recursive: true });
  const run = spawnSync(KV74_RUN, ['--quiet', '--workdir', dir, '--state-json',
    path.join(dir, 'state.json'), '--plot-png', path.join(dir, 'plot.png'), ...args],
  { cwd: ROOT, encoding: 'utf8' });
  if (run.status !== 0) throw new Error(`kv74-run ${args.join(' ')}: ${run.stderr}`);
  return {
    dir,
    state: JSON.parse(fs.readFileSync(path.join(dir, 'state.json'), 'utf8')),
    prog: fs.readFileSync(path.join(dir, 'prog.txt'), 'utf8'),
    plotPng: fs.readFileSync(path.join(dir, 'plot.png')),
  };
}

// The panel object without the page's extra member (the toggles that stand down).
export function panelOf(panel) {
  const { down, ...rest } = panel;
  return rest;
}

// How many pixels of the page's plot differ from a PNG picture of the same size.
export function plotDifference(page, png) {
  return page.evaluate(async (base64) => {
    const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    const bitmap = await createImageBitmap(new Blob([bytes], { type: 'image/png' }),
      { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
    const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
    const c = canvas.getContext('2d');
    c.drawImage(bitmap, 0, 0);
    const want = c.getImageData(0, 0, bitmap.width, bitmap.height).data;
    const have = window.kv74.plotRgb();
    if (have.length !== (want.length / 4) * 3) return -1;
    let differ = 0;
    for (let p = 0, i = 0; p < have.length; p += 3, i += 4) {
      if (have[p] !== want[i] || have[p + 1] !== want[i + 1] || have[p + 2] !== want[i + 2]) {
        ++differ;
      }
    }
    return differ;
  }, png.toString('base64'));
}
