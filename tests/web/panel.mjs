// The panel built in Chromium from the description the WebAssembly module exports: every item at
// its place, real mouse clicks reported by binding name (and nothing for controls that take none),
// a panel state shown on the digits, lamps, fields and toggles. A screenshot is left in
// build-web/test-out/panel/.
//   node tests/web/panel.mjs   (after scripts/build-web.sh)
import assert from 'node:assert/strict';
import fs from 'node:fs';
import {createRequire} from 'node:module';
import path from 'node:path';
import {after, before, test} from 'node:test';
import {pathToFileURL} from 'node:url';

import {launch, OUT, ROOT, serve, SITE} from './page_harness.mjs';

const HARNESS = `<!doctype html><meta charset="utf-8"><body style="margin:0">
<div id="root" style="position:absolute; left:20px; top:30px"></div>
<script type="module">
import {buildPanel} from './panel.js';
const description = await (await fetch('description.json')).json();
window.presses = [];
window.panel = buildPanel(document.getElementById('root'), description,
                          (name, down) => window.presses.push([name, down]));
window.description = description;
</script>`;

let server, browser, page, description;

before(async () => {
  // The module's loader for Node finds its helpers through require and its folder.
  globalThis.require = createRequire(import.meta.url);
  globalThis.__dirname = SITE;
  const {default: create} = await import(pathToFileURL(path.join(SITE, 'kv74.js')).href);
  const mod = await create({wasmBinary: fs.readFileSync(path.join(SITE, 'kv74.wasm'))});
  description = JSON.parse(mod.UTF8ToString(mod._kv74_panel_description()));
  const dir = path.join(OUT, 'panel');
  fs.mkdirSync(dir, {recursive: true});
  fs.writeFileSync(path.join(dir, 'index.html'), HARNESS);
  fs.writeFileSync(path.join(dir, 'description.json'), JSON.stringify(description));
  fs.copyFileSync(path.join(ROOT, 'web/panel.js'), path.join(dir, 'panel.js'));
  server = await serve(dir);
  browser = await launch();
  page = await browser.newPage();
  await page.setViewport({width: 800, height: 450});
  const errors = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  await page.goto(server.url, {waitUntil: 'load'});
  await page.waitForFunction(() => window.panel !== undefined || null, {timeout: 5000});
  assert.deepEqual(errors, []);
});

after(async () => {
  await browser?.close();
  await server?.close();
});

test('every item stands where the description places it, in page pixels', async () => {
  const boxes = await page.evaluate(() => Object.fromEntries(
      [...document.querySelectorAll('[data-name]')].map((e) => {
        const r = e.getBoundingClientRect();
        return [e.dataset.name, [r.left, r.top, r.width, r.height, e.dataset.name]];
      })));
  const byName = new Map(description.items.map((i) => [i.name, i]));
  const origin = (item) => {
    if (item.parent === '') return [20 + item.x, 30 + item.y];
    const [x, y] = origin(byName.get(item.parent));
    return [x + item.x, y + item.y];
  };
  assert.equal(Object.keys(boxes).length, description.items.length);
  for (const item of description.items) {
    if (item.hidden) continue;
    const [x, y] = origin(item);
    assert.deepEqual(boxes[item.name], [x, y, item.w, item.h, item.name]);
  }
});

// Mouse down then up at a point of the element (fractions of its size), or up elsewhere.
async function press(name, fx = 0.5, fy = 0.5, releaseAway = false) {
  const box = await (await page.$(`[data-name="${name}"]`)).boundingBox();
  await page.evaluate(() => { window.presses = []; });
  await page.mouse.move(box.x + box.width * fx, box.y + box.height * fy);
  await page.mouse.down();
  if (releaseAway) await page.mouse.move(box.x + box.width + 40, box.y + box.height + 40);
  await page.mouse.up();
  return page.evaluate(() => window.presses);
}

test('real clicks report the binding name; controls without clicks report nothing', async () => {
  const clicked = [['k0x33'], ['k0x2E'], ['k0x78'], ['uskor'], ['k0x13'], ['ki8'], ['clea'],
                   ['mash']];
  for (const [name] of clicked) assert.deepEqual(await press(name), [[name, true], [name, false]]);
  // The frame lamp around k0x33 takes no click of its own, nor do indicators, output lamps,
  // fields, labels, pictures or the about button (the page's).
  for (const [name, fx, fy] of [['v1_6', 0.06, 0.06], ['al11'], ['ko3'], ['kom'], ['Label18'],
                                ['kadrPicture'], ['Kabout'], ['v2_1']])
    assert.deepEqual(await press(name, fx, fy), [], name);
  // Let go away from the key: it was held, never clicked.
  assert.deepEqual(await press('k0x13', 0.5, 0.5, true), [['k0x13', true]]);
});

test('a panel state shows on digits, lamps, fields and toggles', async () => {
  const shown = await page.evaluate(() => {
    const lit = (name) => {
      const polys = [...document.querySelector(`[data-name="${name}"]`).querySelectorAll('polygon')];
      return polys.map((p) => p.getAttribute('visibility') === 'hidden' ? '.' :
                       p.getAttribute('fill'));
    };
    const before = lit('al11');
    window.panel.update({
      captions: {al11: '7', al34: '+', al43: 'C', al12: ' ', kom: ' * G 1', n: '12'},
      colours: {ko3: 255, v1_6: 255, ki8: 65280, v2_0: 255}, down: ['k0x78', 'uskor'],
      held: ['k0x13'],
    });
    const style = (name) => getComputedStyle(document.querySelector(`[data-name="${name}"]`));
    const cls = (name) => document.querySelector(`[data-name="${name}"]`).classList;
    const result = {
      before, al11: lit('al11'), al34: lit('al34'), al43: lit('al43'), al12: lit('al12'),
      kom: document.querySelector('[data-name="kom"]').textContent,
      n: document.querySelector('[data-name="n"]').textContent,
      ko3: style('ko3').backgroundColor, v1_6: style('v1_6').backgroundColor,
      ki8: style('ki8').backgroundColor, v2_0: style('v2_0').backgroundColor,
      ko4: style('ko4').backgroundColor,
      down: [cls('k0x78').contains('kv74-down'), cls('uskor').contains('kv74-down'),
             cls('k0x79').contains('kv74-down')],
      held: cls('k0x13').contains('kv74-held'),
    };
    window.panel.update({captions: {}, colours: {}, down: ['k0x79'], held: []});
    result.after = [cls('k0x78').contains('kv74-down'), cls('k0x79').contains('kv74-down'),
                    cls('k0x13').contains('kv74-held')];
    return result;
  });
  const L = '#40ff60', D = '#103416';  // lit and dark segments: a b c d e f g, then the plus bar
  assert.deepEqual(shown.before, [L, L, L, L, L, L, L, '.']);  // al11's first caption, "8"
  assert.deepEqual(shown.al11, [L, L, L, D, D, D, D, '.']);
  assert.deepEqual(shown.al34, [D, D, D, D, D, D, L, L]);
  assert.deepEqual(shown.al43, [L, D, D, L, L, L, D, '.']);
  assert.deepEqual(shown.al12, [D, D, D, D, D, D, D, '.']);
  assert.equal(shown.kom, ' * G 1');
  assert.equal(shown.n, '12');
  assert.equal(shown.ko3, 'rgb(255, 0, 0)');
  assert.equal(shown.v1_6, 'rgb(255, 0, 0)');
  assert.equal(shown.ki8, 'rgb(0, 255, 0)');
  assert.equal(shown.v2_0, 'rgb(255, 0, 0)');
  assert.equal(shown.ko4, 'rgb(192, 192, 192)');
  assert.deepEqual(shown.down, [true, true, false]);
  assert.equal(shown.held, true);
  assert.deepEqual(shown.after, [false, true, false]);
  const root = await page.$('#root .kv74-panel');
  await root.screenshot({path: path.join(OUT, 'panel', 'panel.png')});
});
