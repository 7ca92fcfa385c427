// The page's files in Chromium: a snapshot goes from kv74-run to the page and back, an uploaded
// input script replays as kv74-run replays it, an image set of one's own is used, and the battery
// RAM survives a reload until it is reset. Run: node tests/web/page_files.mjs.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import {
  download, kv74Run, OUT, openPage, panelOf, paused, plotDifference, ready, ROOT, state, until,
  useSite,
} from './page_harness.mjs';

const AUTO_RUN = path.join(ROOT, 'firmware/demo/auto-run.input');

const site = useSite();

async function upload(page, input, file) {
  const element = await page.$(input);
  await element.uploadFile(file);
}

async function stepTo(page, target) {
  const s = await state(page);
  await page.$eval('#step-count', (e, n) => { e.value = String(n); }, target - s.steps);
  await page.click('#step-n');
  await until(page, (n) => window.kv74.state().steps === n, target, `step ${target}`);
}

test('a snapshot goes from kv74-run to the page and back, the run going on exactly', async () => {
  const loaded = 10_000_000;
  const saved = loaded + 250_000;
  const end = saved + 3_000_000;
  const desktop = path.join(OUT, 'snapshot', 'desktop.state');
  fs.mkdirSync(path.dirname(desktop), { recursive: true });
  const commands = path.join(OUT, 'snapshot', 'save.do');
  fs.writeFileSync(commands, `continue\nsave-state ${desktop}\n`);
  kv74Run('snapshot-desktop', ['--steps', String(loaded), '--input', AUTO_RUN, '--do', commands]);

  const page = await openPage(site, 'snapshot');
  await page.keyboard.press('F6');
  await paused(page);
  await upload(page, '#load-state', desktop);
  await until(page, (n) => window.kv74.state().steps === n, loaded, 'the loaded snapshot');
  await stepTo(page, saved);
  const straight = kv74Run('snapshot-straight', ['--steps', String(saved), '--input', AUTO_RUN]);
  const s = await state(page);
  assert.deepEqual(panelOf(s.panel), straight.state.panel);
  assert.equal(await plotDifference(page, straight.plotPng), 0);

  await page.keyboard.down('Control');
  await page.keyboard.press('s');
  await page.keyboard.up('Control');
  const browserState = path.join(page.downloads, 'kv74.state');
  await download(page, 'kv74.state');
  const resumed = kv74Run('snapshot-resumed',
    ['--load-state', browserState, '--steps', String(end), '--input', AUTO_RUN]);
  const whole = kv74Run('snapshot-whole', ['--steps', String(end), '--input', AUTO_RUN]);
  assert.deepEqual(resumed.state, whole.state);
  assert.ok(resumed.plotPng.equals(whole.plotPng), 'the plot after the browser\'s snapshot');
  assert.ok(whole.prog.endsWith(resumed.prog), 'prog.txt after the snapshot');
  assert.deepEqual(page.errors, []);
});

test('an uploaded input script replays from power-on as kv74-run replays it', async () => {
  const page = await openPage(site, 'replay');
  await until(page, () => window.kv74.state().steps > 3_000_000, null, 'a run before the replay');
  await upload(page, '#replay', AUTO_RUN);
  await until(page, () => window.kv74.state().prog.split('\n').length > 8, null, 'eight blocks');
  await page.click('#pause');
  const s = await paused(page);
  const run = kv74Run('replay', ['--steps', String(s.steps), '--input', AUTO_RUN]);
  assert.equal(s.prog, run.prog);
  assert.deepEqual(panelOf(s.panel), run.state.panel);
  assert.equal(await plotDifference(page, run.plotPng), 0);
  assert.deepEqual(page.errors, []);
});

test('an image set of one\'s own: a RAM of all ones restores the defaults and lights BATTERY', async () => {
  const images = path.join(OUT, 'own-images');
  fs.rmSync(images, { recursive: true, force: true });
  fs.mkdirSync(images, { recursive: true });
  for (const name of ['V4', 'AMT']) fs.copyFileSync(path.join(ROOT, 'data', name), path.join(images, name));
  fs.writeFileSync(path.join(images, 'RAM'), Buffer.alloc(8192, 0xff));
  const page = await openPage(site, 'images');
  const element = await page.$('#images');
  await element.uploadFile(...['V4', 'AMT', 'RAM'].map((n) => path.join(images, n)));
  await until(page, () => window.kv74.state().panel?.colours.v2_0 === 255, null, 'BATTERY');
  await page.click('#pause');
  const s = await paused(page);
  const run = kv74Run('images', ['--images', images, '--steps', String(s.steps)]);
  assert.deepEqual(panelOf(s.panel), run.state.panel);
  assert.deepEqual(page.errors, []);
});

test('the battery RAM survives a reload until it is reset', async () => {
  const page = await openPage(site, 'ram');
  const spindle = async () => (await state(page)).panel.captions.s;
  assert.equal(await spindle(), '0');
  for (const key of ['s', '1', '2', '0', '0', 'Enter']) await page.keyboard.press(key);
  await until(page, () => window.kv74.state().panel.captions.s === '1200', null, 'S 1200');
  const entered = (await state(page)).steps;
  await until(page, (n) => window.kv74.state().ramSavedAt >= n, entered, 'the RAM kept');

  // The RAM as the desktop's kv74.ram file starts kv74-run with that setting.
  await page.click('#save-ram');
  const images = path.join(OUT, 'ram', 'images');
  fs.mkdirSync(images, { recursive: true });
  for (const name of ['V4', 'AMT']) fs.copyFileSync(path.join(ROOT, 'data', name), path.join(images, name));
  fs.writeFileSync(path.join(images, 'RAM'), await download(page, 'kv74.ram'));
  const run = kv74Run('ram-desktop', ['--images', images, '--steps', '3000000']);
  assert.equal(run.state.panel.captions.s, '1200');

  // [what, action, spindle speed after it]
  const cases = [
    ['reload', () => page.reload(), '1200'],
    ['reset', () => page.click('#reset-ram'), '0'],
    ['reload after the reset', () => page.reload(), '0'],
  ];
  for (const [what, act, speed] of cases) {
    await act();
    await ready(page);
    await until(page, () => window.kv74.state().steps > 3_000_000, null, what);
    assert.equal(await spindle(), speed, what);
  }
  assert.deepEqual(page.errors, []);
});
