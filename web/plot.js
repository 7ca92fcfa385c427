// The tool-path plot: the 1024 x 768 picture the panel logic draws on, kept pixel for pixel as
// the headless runner's canvas keeps it, shown in a scrolling view that follows the tool, with
// the scale in a corner and an optional overlay of axes that is not part of the picture.

export const PLOT_WIDTH = 1024;
export const PLOT_HEIGHT = 768;
export const BUTTON_FACE = 0xc0c0c0; // 0x00BBGGRR, as every colour of the machine

// The view starts scrolled to this point of the picture, as the desktop's plot window does.
const START_SCROLL = { left: 102, top: 190 };
// A ring closer than this to the edge of the view scrolls the view to centre it.
const FOLLOW_MARGIN = 8;

// A ring: the four pixels beside (column, row) in the pen, the centre in the button face; the
// corners of the 3 x 3 box keep what they had. Pixels off the picture are skipped.
const RING_PIXELS = [
  [0, -1, 'pen'],
  [-1, 0, 'pen'],
  [1, 0, 'pen'],
  [0, 1, 'pen'],
  [0, 0, 'face'],
];

export class PlotPicture {
  constructor() {
    this.rgba = new Uint8ClampedArray(PLOT_WIDTH * PLOT_HEIGHT * 4);
    this.dirty = null; // [left, top, right, bottom], exclusive right and bottom
    this.clear();
  }

  setPixel(column, row, bgr) {
    if (column < 0 || column >= PLOT_WIDTH || row < 0 || row >= PLOT_HEIGHT) return;
    const i = (row * PLOT_WIDTH + column) * 4;
    this.rgba[i] = bgr & 0xff;
    this.rgba[i + 1] = (bgr >>> 8) & 0xff;
    this.rgba[i + 2] = (bgr >>> 16) & 0xff;
    this.rgba[i + 3] = 255;
  }

  clear() {
    for (let i = 0; i < this.rgba.length; i += 4) {
      this.rgba[i] = BUTTON_FACE & 0xff;
      this.rgba[i + 1] = (BUTTON_FACE >>> 8) & 0xff;
      this.rgba[i + 2] = (BUTTON_FACE >>> 16) & 0xff;
      this.rgba[i + 3] = 255;
    }
    this.dirty = [0, 0, PLOT_WIDTH, PLOT_HEIGHT];
  }

  ring(column, row, pen) {
    for (const [dc, dr, which] of RING_PIXELS) {
      this.setPixel(column + dc, row + dr, which === 'pen' ? pen : BUTTON_FACE);
    }
    this.markDirty(column - 1, row - 1, column + 2, row + 2);
  }

  // A whole picture, 3 bytes per pixel row by row (a snapshot's form); false when it is not one.
  setRgb(rgb) {
    if (!rgb || rgb.length !== PLOT_WIDTH * PLOT_HEIGHT * 3) return false;
    for (let p = 0, i = 0; p < rgb.length; p += 3, i += 4) {
      this.rgba[i] = rgb[p];
      this.rgba[i + 1] = rgb[p + 1];
      this.rgba[i + 2] = rgb[p + 2];
      this.rgba[i + 3] = 255;
    }
    this.dirty = [0, 0, PLOT_WIDTH, PLOT_HEIGHT];
    return true;
  }

  rgb() {
    const out = new Uint8Array(PLOT_WIDTH * PLOT_HEIGHT * 3);
    for (let p = 0, i = 0; p < out.length; p += 3, i += 4) {
      out[p] = this.rgba[i];
      out[p + 1] = this.rgba[i + 1];
      out[p + 2] = this.rgba[i + 2];
    }
    return out;
  }

  markDirty(left, top, right, bottom) {
    left = Math.max(0, left);
    top = Math.max(0, top);
    right = Math.min(PLOT_WIDTH, right);
    bottom = Math.min(PLOT_HEIGHT, bottom);
    if (left >= right || top >= bottom) return;
    const d = this.dirty;
    this.dirty = d
      ? [Math.min(d[0], left), Math.min(d[1], top), Math.max(d[2], right), Math.max(d[3], bottom)]
      : [left, top, right, bottom];
  }

  // The changed rectangle since the last call, or null.
  takeDirty() {
    const d = this.dirty;
    this.dirty = null;
    return d;
  }
}

export class PlotView {
  // view: the scrolling element; canvas: the picture (1024 x 768); overlay: a canvas of the same
  // size above it; scaleLabel: the corner label.
  constructor({ view, canvas, overlay, scaleLabel }) {
    this.view = view;
    this.canvas = canvas;
    this.context = canvas.getContext('2d');
    this.overlay = overlay;
    this.scaleLabel = scaleLabel;
    this.picture = new PlotPicture();
    this.scale = 0;
    this.overlayOn = false;
    this.tool = null; // the last ring drawn in white, to follow
    this.setScale(1);
    this.reset();
  }

  // A cleared picture, scrolled to where the view starts.
  reset() {
    this.picture.clear();
    this.tool = null;
    this.paint();
    this.view.scrollLeft = START_SCROLL.left;
    this.view.scrollTop = START_SCROLL.top;
  }

  // The drawing calls of one frame, [kind, row, column, pen]: kind 0 clears the picture, kind 1
  // draws a ring. The view follows the last ring drawn in a colour other than black.
  apply(calls) {
    for (const [kind, row, column, pen] of calls) {
      if (kind === 0) this.picture.clear();
      else if (kind === 1) {
        this.picture.ring(column, row, pen);
        if (pen !== 0) this.tool = { column, row };
      }
    }
    this.paint();
    if (this.tool) this.follow(this.tool.column, this.tool.row);
  }

  // A whole picture, RGB row by row; false when the bytes are not one.
  setPicture(rgb) {
    const ok = this.picture.setRgb(new Uint8Array(rgb));
    this.paint();
    return ok;
  }

  paint() {
    const d = this.picture.takeDirty();
    if (!d) return;
    const image = new ImageData(this.picture.rgba, PLOT_WIDTH, PLOT_HEIGHT);
    this.context.putImageData(image, 0, 0, d[0], d[1], d[2] - d[0], d[3] - d[1]);
  }

  // Scrolls the point into the middle of the view when it has left the view's inner part.
  follow(column, row) {
    const v = this.view;
    const inside =
      column >= v.scrollLeft + FOLLOW_MARGIN &&
      column < v.scrollLeft + v.clientWidth - FOLLOW_MARGIN &&
      row >= v.scrollTop + FOLLOW_MARGIN &&
      row < v.scrollTop + v.clientHeight - FOLLOW_MARGIN;
    if (inside) return;
    v.scrollLeft = Math.round(column - v.clientWidth / 2);
    v.scrollTop = Math.round(row - v.clientHeight / 2);
  }

  setScale(scale) {
    if (scale === this.scale) return;
    this.scale = scale;
    this.scaleLabel.textContent = `scale \u00d7${scale}`;
    this.drawOverlay();
  }

  setOverlay(on) {
    this.overlayOn = on;
    this.drawOverlay();
  }

  // Axes through the origin and a tick every 100 pixels labelled in steps: at scale 1 a column
  // is 100 steps of Z and a row 200 steps of X.
  drawOverlay() {
    const c = this.overlay.getContext('2d');
    c.clearRect(0, 0, PLOT_WIDTH, PLOT_HEIGHT);
    if (!this.overlayOn) return;
    const ox = PLOT_WIDTH / 2;
    const oy = PLOT_HEIGHT / 2;
    c.strokeStyle = c.fillStyle = 'rgba(120, 150, 200, 0.6)';
    c.font = '9px sans-serif';
    c.beginPath();
    c.moveTo(0, oy + 0.5);
    c.lineTo(PLOT_WIDTH, oy + 0.5);
    c.moveTo(ox + 0.5, 0);
    c.lineTo(ox + 0.5, PLOT_HEIGHT);
    for (let d = -500; d <= 500; d += 100) {
      if (d === 0) continue;
      const column = ox + d;
      if (column > 0 && column < PLOT_WIDTH) {
        c.moveTo(column + 0.5, oy - 3);
        c.lineTo(column + 0.5, oy + 3);
        c.fillText(`Z${(d * 100) / this.scale}`, column + 2, oy - 4);
      }
      const row = oy + d;
      if (row > 0 && row < PLOT_HEIGHT) {
        c.moveTo(ox - 3, row + 0.5);
        c.lineTo(ox + 3, row + 0.5);
        c.fillText(`X${(d * 200) / this.scale}`, ox + 5, row + 4);
      }
    }
    c.stroke();
  }

  // The picture as a PNG file's bytes.
  async png() {
    const blob = await new Promise((resolve) => this.canvas.toBlob(resolve, 'image/png'));
    return blob;
  }
}
