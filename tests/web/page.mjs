// The page in Chromium: it loads cleanly, real mouse clicks on the panel start the stored program
// and the page then shows what kv74-run shows at the same step, and the PC keyboard does what it
// does in the desktop window. Run: node tests/web/page.mjs (after scripts/build-web.sh).

import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import {
  clickControl, download, kv74Run, openPage, panelOf, paused, plotDifference, ROOT, screenshot,
  state, until, useSite,
} from './page_harness.mjs';

const site = useSite();

// Clicks of an input script: [[step, name], ...].
function clicksOf(script) {
  return script.split('\n').filter((l) => /^\d+ click /.test(l))
    .map((l) => { const [step, , name] = l.split(' '); return [Number(step), name]; });
}

test('the page loads without console errors and runs the machine', async () => {
  const page = await openPage(site, 'load');
  const first = await state(page);
  await until(page, (s) => window.kv74.state().steps > s, first.steps, 'more steps');
  assert.match(await page.$eval('#status', (e) => e.textContent),
    /^\d+\.\d\d M steps\/s  ×\d+\.\d\d real time  step [\d,]+ \(speed max\)$/);
  await screenshot(page, 'page-start');
  assert.deepEqual(page.errors, []);
});

test('mouse clicks start the stored program; prog.txt, panel and plot equal kv74-run\'s', async () => {
  const page = await openPage(site, 'auto');
  await page.click('#record');
  await clickControl(page, 'k0x2B'); // automatic mode
  await clickControl(page, 'k0x33'); // start
  await until(page, () => window.kv74.state().prog.split('\n').length > 6, null, 'six blocks');
  await page.click('#pause');
  const s = await paused(page);
  await page.click('#record');
  const script = (await download(page, 'kv74-session.input')).toString();
  assert.deepEqual(clicksOf(script).map(([, name]) => name), ['k0x2B', 'k0x33']);
  const scriptFile = path.join(page.downloads, 'kv74-session.input');

  const run = kv74Run('auto-run', ['--steps', String(s.steps), '--input', scriptFile]);
  assert.equal(s.prog, run.prog);
  assert.equal(await page.$eval('#prog', (e) => e.textContent), run.prog);
  assert.deepEqual(panelOf(s.panel), run.state.panel);
  assert.equal(await plotDifference(page, run.plotPng), 0);
  assert.equal(await page.$eval('#block', (e) => e.textContent), run.prog.trimEnd().split('\n').pop());
  await screenshot(page, 'page-auto-run');
  assert.deepEqual(page.errors, []);
});

// The desktop window's PC keys for the keypad, from its tooltip table ({"k0x09", "...",
// Qt::Key_X} and a second key), and "*" which it adds: [puppeteer key, binding name].
function desktopKeypadKeys() {
  const source = fs.readFileSync(path.join(ROOT, 'panel/qt/tooltips.cpp'), 'utf8');
  const keyOf = { Minus: '-', Return: 'Enter', Enter: 'NumpadEnter', Escape: 'Escape' };
  const keys = [['*', 'k0x3E']];
  for (const m of source.matchAll(/\{"(\w+)", ".*", Qt::Key_(\w+)(?:, Qt::Key_(\w+))?\}/g)) {
    for (const qt of [m[2], m[3]].filter(Boolean)) keys.push([keyOf[qt] ?? qt.toLowerCase(), m[1]]);
  }
  return keys;
}

test('the PC keys click the keypad as in the desktop window', async () => {
  const keys = desktopKeypadKeys();
  assert.ok(keys.length >= 24, `only ${keys.length} keys found in the desktop's table`);
  const page = await openPage(site, 'keys');
  await page.click('#record');
  for (const [key] of keys) await page.keyboard.press(key);
  await page.keyboard.down('Shift'); // a capital letter clicks as well
  await page.keyboard.press('X');
  await page.keyboard.up('Shift');
  await page.keyboard.down('Control'); // with Ctrl or Alt a key is not the keypad's
  await page.keyboard.press('z');
  await page.keyboard.up('Control');
  await until(page, (n) => window.kv74.state().clicks >= n, keys.length + 1, 'the clicks');
  await page.click('#record');
  const script = (await download(page, 'kv74-session.input')).toString();
  assert.deepEqual(clicksOf(script).map(([, name]) => name),
    [...keys.map(([, name]) => name), 'k0x09']);

  // Switched off, the keys click nothing.
  await page.click('#keyboard');
  const before = (await state(page)).clicks;
  await page.keyboard.press('5');
  await page.keyboard.press('Escape');
  await new Promise((resolve) => setTimeout(resolve, 300));
  assert.equal((await state(page)).clicks, before);
  assert.deepEqual(page.errors, []);
});

test('pause, step and step N by button and key stop at exact step counts', async () => {
  const page = await openPage(site, 'steps');
  const press = (key) => async () => page.keyboard.press(key);
  const stepN = (n) => async () => {
    await page.keyboard.down('Shift');
    await page.keyboard.press('F10');
    await page.keyboard.up('Shift');
    await page.keyboard.type(String(n));
    await page.keyboard.press('Enter');
  };
  // [what, do it, steps added (null: running)]
  const cases = [
    ['F6 pauses', press('F6'), 0],
    ['F11 steps once', press('F11'), 1],
    ['Step button', () => page.click('#step'), 1],
    ['Shift+F10, 12345, Enter', stepN(12345), 12345],
    ['F5 continues', press('F5'), null],
    ['Pause button', () => page.click('#pause'), 0],
    ['Step N button', async () => {
      await page.$eval('#step-count', (e) => { e.value = '777'; });
      await page.click('#step-n');
    }, 777],
    ['Continue button', () => page.click('#pause'), null],
  ];
  for (const [what, act, added] of cases) {
    const s0 = await state(page);
    await act();
    if (added === null) {
      await until(page, (n) => window.kv74.state().running && window.kv74.state().steps > n,
        s0.steps, what);
      continue;
    }
    if (added === 0) {
      const s = await paused(page);
      assert.match(await page.$eval('#status', (e) => e.textContent),
        new RegExp(`^paused at step ${s.steps.toLocaleString('en-US')} \\(speed max\\)$`), what);
      continue;
    }
    await until(page, (n) => window.kv74.state().steps === n, s0.steps + added, what);
    assert.equal((await state(page)).running, false, what);
  }
  assert.deepEqual(page.errors, []);
});
