// The controller's front panel in the page, built from the panel description the machine's module
// exports (every item's place, kind, caption, font and face): positioned elements, key faces as
// inline SVG, seven-segment digits as SVG. Clicks on keys, toggles, input lamps and the plot's
// buttons are reported by binding name: onPress(name, true) when the mouse goes down on one,
// onPress(name, false) when it comes up on it (the click). update() shows a panel state: the
// "panel" object of a frame (captions, colours, down) plus `held`, the keys held down.

const SVG = 'http://www.w3.org/2000/svg';
const FONTS = '"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", Arial, "Nimbus Sans", ' +
              '"DejaVu Sans", sans-serif';

// 0x00BBGGRR -> "#rrggbb".
export function cssColour(bgr) {
  const hex = (v) => v.toString(16).padStart(2, '0');
  return '#' + hex(bgr & 0xff) + hex((bgr >> 8) & 0xff) + hex((bgr >> 16) & 0xff);
}

// Lit segments a..g (top, upper right, lower right, bottom, lower left, upper left, middle) of an
// indicator character; '+' adds the vertical bar, anything unknown shows every segment unlit.
export const SEGMENTS = {
  '0': 'abcdef', '1': 'bc', '2': 'abdeg', '3': 'abcdg', '4': 'bcfg', '5': 'acdfg',
  '6': 'acdefg', '7': 'abc', '8': 'abcdefg', '9': 'abcdfg', 'A': 'abcefg', 'B': 'cdefg',
  'b': 'cdefg', 'C': 'adef', 'c': 'deg', 'D': 'bcdeg', 'd': 'bcdeg', 'E': 'adefg', 'F': 'aefg',
  'P': 'abefg', 'L': 'def', 'H': 'bcefg', '-': 'g', '+': 'g', ' ': '', '': '',
};

const STYLE = `
.kv74-panel { position: relative; overflow: hidden; font-family: ${FONTS}; user-select: none;
  -webkit-user-select: none; line-height: 1; }
.kv74-panel * { box-sizing: border-box; }
.kv74-panel .kv74-item { position: absolute; margin: 0; padding: 0; }
/* Borders as inset shadows: a child's place counts from its parent's outer corner, as in the
   window. */
.kv74-panel .kv74-GroupBox, .kv74-panel .kv74-frame { box-shadow: inset 1px 1px 0 #808080,
  inset -1px -1px 0 #fff, inset 2px 2px 0 #fff, inset -2px -2px 0 #808080; }
.kv74-panel .kv74-GroupBox.kv74-titled { box-shadow: none; }
.kv74-panel .kv74-frame { position: absolute; left: 0; right: 0; top: 6px; bottom: 0; }
.kv74-panel .kv74-title { position: absolute; left: 7px; top: 0; padding: 0 2px;
  white-space: pre; background: inherit; }
.kv74-panel .kv74-RaisedPanel { box-shadow: inset 1px 1px 0 #fff, inset -1px -1px 0 #808080; }
.kv74-panel .kv74-LoweredPanel { box-shadow: inset 1px 1px 0 #808080, inset -1px -1px 0 #fff; }
.kv74-panel .kv74-key { display: flex; align-items: center; justify-content: center;
  border: 1px solid #8a8a8a; border-radius: 3px; color: #000; cursor: pointer;
  background: linear-gradient(#fbfbfb, #dcdcdc); box-shadow: inset 0 -1px 0 #c8c8c8; }
.kv74-panel .kv74-key.kv74-held, .kv74-panel .kv74-key.kv74-down {
  background: linear-gradient(#c4c4c4, #dedede); box-shadow: inset 1px 1px 2px #777; }
.kv74-panel .kv74-key svg { pointer-events: none; }
.kv74-panel .kv74-lamp { display: flex; align-items: center; justify-content: center; }
.kv74-panel .kv74-clickable { cursor: pointer; }
.kv74-panel .kv74-Indicator { border: 2px solid; border-color: #808080 #fff #fff #808080; }
.kv74-panel .kv74-Field { border: 2px solid; border-color: #808080 #fff #fff #808080;
  display: flex; align-items: center; white-space: pre; overflow: hidden; color: #000; }
.kv74-panel .kv74-Label { display: flex; align-items: center; white-space: pre; }
.kv74-panel .kv74-left { justify-content: flex-start; }
.kv74-panel .kv74-centre { justify-content: center; }
`;

function svgElement(tag, attributes) {
  const e = document.createElementNS(SVG, tag);
  for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, String(v));
  return e;
}

// The face as an <svg> of width x height pixels.
export function faceSvg(face, width, height) {
  const svg = svgElement('svg', {
    width, height, viewBox: `0 0 ${face.width} ${face.height}`, preserveAspectRatio: 'none',
  });
  for (const layer of face.layers) {
    if (layer.text !== undefined) {
      const t = svgElement('text', {
        x: layer.x + layer.w / 2, y: layer.y + layer.h / 2, fill: layer.fill,
        'font-size': layer.pixels, 'font-weight': layer.bold ? 'bold' : 'normal',
        'font-family': FONTS, 'text-anchor': 'middle', 'dominant-baseline': 'central',
      });
      t.textContent = layer.text;
      svg.appendChild(t);
      continue;
    }
    svg.appendChild(svgElement('path', {
      d: layer.d, fill: layer.fill, stroke: layer.stroke, 'stroke-width': layer.width,
      'fill-rule': 'evenodd', 'stroke-linecap': 'butt', 'stroke-linejoin': layer.join,
      'stroke-miterlimit': 2,
    }));
  }
  return svg;
}

// One seven-segment character filling a glass of w x h pixels; returns {svg, show(text)}.
export function segmentDigit(w, h, colours) {
  const lit = cssColour(colours.segmentLit);
  const dark = cssColour(colours.segmentDark);
  const svg = svgElement('svg', {width: w, height: h, viewBox: `0 0 ${w} ${h}`});
  svg.appendChild(svgElement('rect', {x: 0, y: 0, width: w, height: h,
                                      fill: cssColour(colours.glass)}));
  const t = 3.5, g = 0.6, half = t / 2;
  const cx = w / 2, cy = h / 2, dw = Math.min(16, w - 6), dh = Math.min(28, h - 4);
  const lx = cx - dw / 2 + half, rx = cx + dw / 2 - half;
  const ty = cy - dh / 2 + half, by = cy + dh / 2 - half;
  const across = (y, x0, x1) => [[x0, y], [x0 + half, y - half], [x1 - half, y - half], [x1, y],
                                 [x1 - half, y + half], [x0 + half, y + half]];
  const down = (x, y0, y1) => [[x, y0], [x + half, y0 + half], [x + half, y1 - half], [x, y1],
                               [x - half, y1 - half], [x - half, y0 + half]];
  const shapes = {
    a: across(ty, lx + g, rx - g), b: down(rx, ty + g, cy - g), c: down(rx, cy + g, by - g),
    d: across(by, lx + g, rx - g), e: down(lx, cy + g, by - g), f: down(lx, ty + g, cy - g),
    g: across(cy, lx + g, rx - g), plus: down(cx, cy - dw * 0.5, cy + dw * 0.5),
  };
  const parts = {};
  for (const [name, pts] of Object.entries(shapes)) {
    parts[name] = svgElement('polygon', {points: pts.map((p) => p.join(',')).join(' '),
                                         fill: dark});
    svg.appendChild(parts[name]);
  }
  parts.plus.setAttribute('visibility', 'hidden');
  const show = (text) => {
    const c = text.trim();
    const on = SEGMENTS[c] ?? '';
    for (const s of 'abcdefg') parts[s].setAttribute('fill', on.includes(s) ? lit : dark);
    parts.plus.setAttribute('visibility', c === '+' ? 'visible' : 'hidden');
    parts.plus.setAttribute('fill', lit);
  };
  return {svg, show};
}

function installStyle(doc) {
  if (doc.getElementById('kv74-panel-style')) return;
  const style = doc.createElement('style');
  style.id = 'kv74-panel-style';
  style.textContent = STYLE;
  doc.head.appendChild(style);
}

function applyFont(e, font) {
  e.style.fontSize = font.pixels + 'px';
  e.style.fontWeight = font.bold ? 'bold' : 'normal';
  e.classList.add(font.align === 'left' ? 'kv74-left' : 'kv74-centre');
}

const LAMPS = new Set(['SignalLamp', 'FrameLamp', 'OutputLamp', 'InputLamp']);
const KEYS = new Set(['Key', 'JogToggle', 'Toggle', 'Button']);

export function buildPanel(root, description, onPress) {
  installStyle(root.ownerDocument);
  const d = description;
  const panel = document.createElement('div');
  panel.className = 'kv74-panel';
  panel.style.width = d.width + 'px';
  panel.style.height = d.height + 'px';
  panel.style.background = cssColour(d.colours.window);
  panel.style.fontSize = '11px';
  root.appendChild(panel);

  const elements = new Map();  // name -> element
  const shown = new Map();     // name -> {caption, colour, set(caption), paint(colour)}
  const pressable = new Map(); // name -> element that shows it held
  const pressing = new Set();  // held by the mouse here, before a state says so
  let downNames = new Set();
  let heldNames = new Set();

  const make = (item) => {
    const kind = item.kind;
    const e = document.createElement(KEYS.has(kind) ? 'button' : 'div');
    e.className = `kv74-item kv74-${kind}`;
    e.dataset.name = item.name;
    Object.assign(e.style, {left: item.x + 'px', top: item.y + 'px', width: item.w + 'px',
                            height: item.h + 'px'});
    if (item.hidden) e.style.display = 'none';
    if (kind === 'GroupBox') {
      e.style.fontSize = item.font.pixels + 'px';
      e.style.fontWeight = item.font.bold ? 'bold' : 'normal';
      e.style.background = cssColour(item.name === 'PU' ? d.colours.pu : d.colours.window);
      if (item.caption) {
        // The frame starts at the middle of the caption.
        e.classList.add('kv74-titled');
        const frame = document.createElement('div');
        frame.className = 'kv74-frame';
        e.appendChild(frame);
        const title = document.createElement('span');
        title.className = 'kv74-title';
        title.textContent = item.caption;
        e.appendChild(title);
      }
    } else if (kind === 'Picture') {
      e.appendChild(faceSvg(d.faces[item.face], item.w, item.h));
    } else if (KEYS.has(kind)) {
      e.type = 'button';
      e.tabIndex = -1;
      e.classList.add('kv74-key');
      if (item.face) {
        e.appendChild(faceSvg(d.faces[item.face], item.faceSize, item.faceSize));
      } else {
        e.textContent = item.caption;
        applyFont(e, item.font);
      }
    } else if (kind === 'Indicator') {
      const digit = segmentDigit(item.w - 4, item.h - 4, d.colours);
      e.appendChild(digit.svg);
      digit.show(item.caption);
      shown.set(item.name, {caption: item.caption, set: digit.show});
    } else if (LAMPS.has(kind)) {
      e.classList.add('kv74-lamp');
      e.style.boxShadow = `inset 0 0 0 1px ${cssColour(d.colours.lampBorder)}`;
      e.style.background = cssColour(item.colour);
      const text = document.createElement('span');
      if (item.number !== undefined) {
        text.textContent = String(item.number);
        text.style.fontSize = d.lampNumberPixels + 'px';
        text.style.color = cssColour(d.colours.lampNumber);
      } else {
        text.textContent = item.caption;
        text.style.color = cssColour(d.colours.lampCaption);
        applyFont(text, item.font);
      }
      e.appendChild(text);
      shown.set(item.name, {
        caption: item.caption, colour: item.colour,
        set: (c) => { if (item.number === undefined) text.textContent = c; },
        paint: (c) => { e.style.background = cssColour(c); },
      });
    } else if (kind === 'Field' || kind === 'Label') {
      e.textContent = item.caption;
      applyFont(e, item.font);
      if (kind === 'Field') e.style.background = cssColour(d.colours.field);
      shown.set(item.name, {caption: item.caption, set: (c) => { e.textContent = c; }});
    }
    if (item.clickable) {
      e.classList.add('kv74-clickable');
      pressable.set(item.name, e);
      let down = false;
      const release = () => {
        down = false;
        pressing.delete(item.name);
        e.classList.toggle('kv74-held', heldNames.has(item.name));
      };
      e.addEventListener('pointerdown', (ev) => {
        if (ev.button !== 0) return;
        ev.preventDefault();
        down = true;
        pressing.add(item.name);
        e.setPointerCapture?.(ev.pointerId);
        e.classList.add('kv74-held');
        onPress(item.name, true);
      });
      e.addEventListener('pointerup', (ev) => {
        if (!down || ev.button !== 0) return;
        release();
        const r = e.getBoundingClientRect();
        const inside = ev.clientX >= r.left && ev.clientX < r.right && ev.clientY >= r.top &&
                       ev.clientY < r.bottom;
        if (inside) onPress(item.name, false);
      });
      e.addEventListener('pointercancel', () => { if (down) release(); });
    }
    return e;
  };

  // A framed key's lamp may come after the key in the description: place it on a later pass.
  let pending = d.items;
  while (pending.length > 0) {
    const later = pending.filter((item) => item.parent !== '' && !elements.has(item.parent));
    if (later.length === pending.length) throw new Error(`no parent for ${later[0].name}`);
    for (const item of pending) {
      if (later.includes(item)) continue;
      const e = make(item);
      (item.parent === '' ? panel : elements.get(item.parent)).appendChild(e);
      elements.set(item.name, e);
    }
    pending = later;
  }

  return {
    element: panel,
    // The element of a control or container by name.
    find: (name) => elements.get(name) ?? null,
    update(state) {
      for (const [name, text] of Object.entries(state.captions ?? {})) {
        const s = shown.get(name);
        if (s && s.caption !== text) {
          s.caption = text;
          s.set(text);
        }
      }
      for (const [name, colour] of Object.entries(state.colours ?? {})) {
        const s = shown.get(name);
        if (s && s.paint && s.colour !== colour) {
          s.colour = colour;
          s.paint(colour);
        }
      }
      const down = new Set(state.down ?? []);
      for (const name of new Set([...down, ...downNames]))
        elements.get(name)?.classList.toggle('kv74-down', down.has(name));
      downNames = down;
      const held = new Set(state.held ?? []);
      for (const name of new Set([...held, ...heldNames]))
        pressable.get(name)?.classList.toggle('kv74-held', held.has(name) || pressing.has(name));
      heldNames = held;
    },
  };
}
