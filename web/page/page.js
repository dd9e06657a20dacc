// Agarhold in the browser: the page that draws the game's screens and passes
// the player's input to the game module (agarhold.js + agarhold.wasm).
//
// The module drives everything: it calls globalThis.Agarhold (defined here,
// before the module loads) to draw, to wait, to play sounds and to keep the
// saved files; the page queues the player's input and the module pulls it.
// The page never calls into the module.
'use strict';

(function () {
  // The module's code is compiled first of all, while the layout and the
  // fonts arrive (index.html preloads them all); the emscripten glue is handed
  // the compiled module (Module.instantiateWasm below).
  const compiledModule = fetch('agarhold.wasm').then((response) => {
    if (!response.ok) throw new Error('agarhold.wasm: ' + response.status);
    // Compiled as it streams in when the server names its type; a server
    // that does not is answered by compiling the whole download.
    const type = response.headers.get('Content-Type') || '';
    if (typeof WebAssembly.compileStreaming === 'function' && /^application\/wasm\b/i.test(type))
      return WebAssembly.compileStreaming(response);
    return response.arrayBuffer().then((bytes) => WebAssembly.compile(bytes));
  });
  // Its failure is told when the glue asks for the module.
  compiledModule.catch(() => {});

  const DESIGN_W = 747;
  const DESIGN_H = 543;
  const FONT = '"Agarhold Sans", "Liberation Sans", Arial, sans-serif';
  // Qt's drag start distance: a press becomes a drag after this many pixels
  // (Manhattan length) of movement.
  const DRAG_START_DISTANCE = 10;
  const RELEASE_CLICK = new Set(['DIBImage2', 'DIBImage9']);
  const LEFT_CLICK = new Set(['DIBImage6', 'DIBImage7']);
  const STORAGE_PREFIX = 'agarhold/';
  const SOUND_FILES = [['sounds/p1_0.wav', 'sounds/p1_1.wav'], ['sounds/p1_0.wav', 'sounds/p1_1.wav'],
                       ['sounds/m_0.wav', null]];

  const frame = document.getElementById('Form1');
  const filesBar = document.getElementById('files');
  const statusLine = document.getElementById('status');

  let layout = null;
  const comps = new Map();          // name -> component record
  let dialogComps = new Map();      // name dialog's parts
  let scale = 1;                    // design pixel -> CSS pixel
  let frameLeft = 0;                // frame's place in CSS pixels
  let frameTop = 0;
  let dpr = window.devicePixelRatio || 1;
  let model = null;                 // the last screen model
  let moduleExited = false;
  let reloading = false;

  // ---------------------------------------------------------------------------
  // Event queue (page -> module)

  const queue = [];
  let waiter = null;
  let waitTimer = 0;

  function wakeWaiter() {
    if (!waiter) return;
    const wake = waiter;
    waiter = null;
    if (waitTimer) clearTimeout(waitTimer);
    waitTimer = 0;
    wake();
  }

  function queueEvent(ev) {
    queue.push(ev);
    if (waiter) Promise.resolve().then(wakeWaiter);
  }

  // At most one pending event of a kind that only tells where the pointer is.
  function queueCoalesced(ev) {
    for (let i = queue.length - 1; i >= 0; --i) {
      if (queue[i].type === ev.type) {
        queue[i] = ev;
        return;
      }
      if (queue[i].type !== 'mousemove' && queue[i].type !== 'dragover') break;
    }
    queueEvent(ev);
  }

  // ---------------------------------------------------------------------------
  // Small helpers

  function pick(obj, names, fallback) {
    if (obj) for (const n of names) if (obj[n] !== undefined && obj[n] !== null) return obj[n];
    return fallback;
  }

  function el(tag, cls, parent) {
    const e = document.createElement(tag);
    if (cls) e.className = cls;
    if (parent) parent.appendChild(e);
    return e;
  }

  // Text metrics of Liberation Sans as Qt rounds them (the hinted ascent and
  // descent in whole pixels): a line of text is this many pixels high, and
  // with it as the CSS line height the baseline falls where Qt draws it.
  function lineHeight(px) {
    return Math.round(px * 1854 / 2048) + Math.round(px * 434 / 2048);
  }

  // The CSS line height that puts a line of text centred in a box of height
  // h (with `inset` pixels of border above) on the baseline Qt centres it on.
  function centredLineHeight(h, px, inset) {
    const baseline = Math.floor((h - lineHeight(px)) / 2) + Math.round(px * 1854 / 2048);
    return 2 * (baseline - inset - px * 1854 / 2048) + px * (1854 + 434) / 2048;
  }

  function fontOf(c) {
    const f = pick(c, ['font'], {}) || {};
    return {px: Number(pick(f, ['px', 'pixelSize', 'size'], 11)), bold: !!pick(f, ['bold'], false)};
  }

  function applyFont(e, font) {
    e.style.fontFamily = FONT;
    e.style.fontSize = font.px + 'px';
    e.style.fontWeight = font.bold ? '700' : '400';
    e.style.lineHeight = lineHeight(font.px) + 'px';
  }

  const measureCanvas = document.createElement('canvas').getContext('2d');
  function textWidth(text, font) {
    measureCanvas.font = (font.bold ? '700 ' : '400 ') + font.px + 'px ' + FONT;
    return measureCanvas.measureText(text).width;
  }

  function captionText(s) {
    return String(s == null ? '' : s).replace(/\r\n/g, '\n').replace(/\r/g, '\n');
  }

  function colour(c, fallback) {
    return typeof c === 'string' && c ? c : fallback;
  }

  // ---------------------------------------------------------------------------
  // Images

  const imageCache = new Map();     // url -> Promise<canvas or image>

  function loadImage(url) {
    return new Promise((resolve, reject) => {
      const img = new Image();
      img.onload = () => resolve(img);
      img.onerror = () => reject(new Error('cannot load ' + url));
      img.src = url;
    });
  }

  // An image list's picture as the layout names it: its file and the colour
  // drawn fully transparent (pure black of "But_start", so the stars show).
  function listEntry(list, index) {
    const lists = layout && layout.imageLists;
    if (!lists || !Array.isArray(lists[list])) return null;
    const e = lists[list].find((x) => Number(x.index) === index);
    if (!e || !e.file) return null;
    return {url: e.file, transparent: e.transparentColor || null};
  }

  function parseHex(c) {
    const m = /^#?([0-9a-f]{6})$/i.exec(c || '');
    if (!m) return null;
    const v = parseInt(m[1], 16);
    return [(v >> 16) & 255, (v >> 8) & 255, v & 255];
  }

  // A list picture, with its transparent colour made see-through.
  function listPicture(list, index, transparentOverride) {
    const entry = listEntry(list, index);
    if (!entry) return Promise.resolve(null);
    const transparent = transparentOverride !== undefined ? transparentOverride : entry.transparent;
    const key = entry.url + '|' + (transparent || '');
    if (!imageCache.has(key)) {
      imageCache.set(key, loadImage(entry.url).then((img) => {
        const rgb = parseHex(transparent);
        if (!rgb) return img;
        const c = document.createElement('canvas');
        c.width = img.naturalWidth;
        c.height = img.naturalHeight;
        const g = c.getContext('2d');
        g.drawImage(img, 0, 0);
        const data = g.getImageData(0, 0, c.width, c.height);
        const p = data.data;
        for (let i = 0; i < p.length; i += 4)
          if (p[i] === rgb[0] && p[i + 1] === rgb[1] && p[i + 2] === rgb[2]) p[i + 3] = 0;
        g.putImageData(data, 0, 0);
        return c;
      }).catch(() => null));
    }
    return imageCache.get(key);
  }

  // ---------------------------------------------------------------------------
  // Building the frame from layout.json

  function place(e, c) {
    e.style.left = c.left + 'px';
    e.style.top = c.top + 'px';
    e.style.width = c.width + 'px';
    e.style.height = c.height + 'px';
  }

  function buildComponent(c, parentEl) {
    const kind = c.kind;
    const rec = {name: c.name, kind, layout: c, left: c.left, top: c.top, width: c.width, height: c.height,
                 parent: c.parent, visible: c.visible !== false, enabled: c.enabled !== false};
    let e;
    switch (kind) {
      case 'panel':
      case 'framed':
        e = el('div', 'c panel ' + kind, parentEl);
        place(e, c);
        e.style.background = colour(pick(c, ['color', 'colour', 'background']), '#000');
        if (kind === 'framed') buildFrame(e, c);
        break;
      case 'sprite':
      case 'board':
        e = el('canvas', 'c sprite pixelated', parentEl);
        buildSprite(rec, e, c);
        break;
      case 'magnifier':
        e = el('canvas', 'c magnifier pixelated', parentEl);
        place(e, c);
        e.style.cursor = 'default';
        rec.canvas = e;
        break;
      case 'shadowLabel':
        e = el('div', 'c shadowLabel', parentEl);
        buildShadowLabel(rec, e, c);
        break;
      case 'link':
        e = el('div', 'c link', parentEl);
        buildLink(rec, e, c);
        break;
      case 'label':
        e = el('div', 'c label', parentEl);
        e.style.left = c.left + 'px';
        e.style.top = c.top + 'px';
        applyFont(e, fontOf(c));
        e.style.color = colour(pick(c, ['color', 'textColor']), '#fff');
        e.textContent = captionText(pick(c, ['text', 'caption'], ''));
        break;
      case 'shape':
        e = el('canvas', 'c shape passive pixelated', parentEl);
        buildShape(e, c);
        break;
      case 'slider':
        e = el('div', 'c slider', parentEl);
        buildSlider(rec, e, c);
        break;
      case 'combo':
        e = el('div', 'c combo', parentEl);
        buildCombo(rec, e, c);
        break;
      case 'button':
        e = el('button', 'c button', parentEl);
        e.type = 'button';
        place(e, c);
        applyFont(e, fontOf(c));
        styleButton(e, c);
        e.style.lineHeight = centredLineHeight(c.height, fontOf(c).px, 1) + 'px';
        e.addEventListener('click', (ev) => {
          if (ev.button !== 0) return;
          queueEvent({type: 'click', name: c.name});
        });
        break;
      case 'picture':
        e = el('img', 'c picture passive', parentEl);
        place(e, c);
        e.alt = '';
        e.draggable = false;
        e.src = pick(c, ['file', 'image', 'src'], 'title.jpg');
        break;
      case 'stars':
        // Its pixels are the screen's (resizeCanvases): where the frame
        // lies on a fraction of a device pixel, they are shown as they are
        // instead of smoothed across their neighbours.
        e = el('canvas', 'c stars passive pixelated', parentEl);
        place(e, c);
        rec.canvas = e;
        rec.background = colour(pick(c, ['color', 'background']), '#000');
        // A canvas the browser took back and gave again comes back empty.
        e.addEventListener('contextrestored', () => drawStars(true));
        break;
      case 'clock':
        e = el('canvas', 'c clock passive', parentEl);
        place(e, c);
        rec.canvas = e;
        rec.background = colour(pick(c, ['color', 'background']), '#070707');
        break;
      case 'grid':
        e = el('div', 'c grid', parentEl);
        buildGrid(rec, e, c);
        break;
      default:
        e = el('div', 'c', parentEl);
        place(e, c);
    }
    e.dataset.component = c.name;
    rec.el = e;
    if (!rec.visible) e.classList.add('hidden');
    if (c.mouseTransparent) e.classList.add('passive');
    const cursor = typeof c.cursor === 'string' ? c.cursor : 'default';
    if (cursor !== 'default' && cursor !== 'arrow' && !e.style.cursor) e.style.cursor = cursor;
    return rec;
  }

  // A flat button in the colours Qt paints it.
  function styleButton(e, c) {
    e.textContent = pick(c, ['caption', 'text'], '');
    const vars = {'--face': 'color', '--frame': 'frameColor', '--text': 'textColor', '--hover': 'hoverColor',
                  '--hover-frame': 'hoverFrameColor', '--down': 'downColor', '--focus-frame': 'focusFrameColor'};
    for (const v of Object.keys(vars)) {
      const value = c[vars[v]];
      if (typeof value === 'string' && value) e.style.setProperty(v, value);
    }
  }

  function buildFrame(e, c) {
    let sides = pick(c, ['frame', 'frameSides', 'sides'], ['left', 'top', 'right', 'bottom']);
    if (sides && typeof sides === 'object' && !Array.isArray(sides))
      sides = Object.keys(sides).filter((k) => sides[k]);
    if (typeof sides === 'string') sides = sides.split(/[\s,|]+/);
    if (typeof sides === 'number') {
      const bits = sides;
      sides = [];
      if (bits & 1) sides.push('left');
      if (bits & 2) sides.push('top');
      if (bits & 4) sides.push('right');
      if (bits & 8) sides.push('bottom');
    }
    const fc = colour(pick(c, ['frameColor', 'frameColour']), '#808080');
    const norm = sides.map((s) => String(s).toLowerCase());
    const line = '1px solid ' + fc;
    // Drawn inside the panel's box, over its children's background.
    const f = el('div', 'c passive', e);
    f.style.inset = '0';
    f.style.zIndex = '0';
    if (norm.includes('left')) f.style.borderLeft = line;
    if (norm.includes('top')) f.style.borderTop = line;
    if (norm.includes('right')) f.style.borderRight = line;
    if (norm.includes('bottom')) f.style.borderBottom = line;
  }

  function buildShape(e, c) {
    place(e, c);
    e.width = Math.max(1, c.width);
    e.height = Math.max(1, c.height);
    const g = e.getContext('2d');
    g.fillStyle = colour(pick(c, ['color', 'colour', 'brush']), '#000');
    if (!pick(c, ['dotted'], false)) {
      g.fillRect(0, 0, c.width, c.height);
      return;
    }
    // Every other pixel along the line.
    for (let y = 0; y < c.height; ++y)
      for (let x = y & 1; x < c.width; x += 2) g.fillRect(x, y, 1, 1);
  }

  // ---- sprite images ----

  function buildSprite(rec, e, c) {
    place(e, c);
    e.width = Math.max(1, c.width);
    e.height = Math.max(1, c.height);
    rec.list = pick(c, ['list', 'imageList'], 'bacs_image');
    rec.index = Number(pick(c, ['index', 'image', 'imageIndex'], 0));
    rec.stretch = !!pick(c, ['stretch'], false);
    rec.transparent = pick(c, ['transparentColor', 'transparent'], undefined);
    if (rec.transparent === true) rec.transparent = '#000000';
    if (rec.transparent === false) rec.transparent = null;
    rec.highlight = !!pick(c, ['highlight', 'hover'], false);
    rec.highlightOpacity = Number(pick(c, ['highlightOpacity'], 255));
    rec.dragSource = !!pick(c, ['dragSource'], false);
    // The game handles the start and end of this icon's drag (the human's
    // icons); the computer's tubes can be picked up, but their drop is not.
    rec.dragHandled = !!pick(c, ['dragHandled'], false);
    rec.tag = Number(pick(c, ['tag'], 0));
    rec.hint = pick(c, ['hint'], '');
    rec.modelOpacity = Number(pick(c, ['opacity'], 255));
    rec.opacity = rec.modelOpacity;
    rec.backdrop = backdropOf(c);
    rec.highlighted = false;
    rec.remembered = rec.opacity;
    rec.captured = false;
    const cursor = pick(c, ['cursor'], null);
    if (cursor && cursor !== 'arrow' && cursor !== 'default') e.style.cursor = cursor === 'hand' ? 'pointer' : cursor;
    rec.drawToken = 0;
    showSpriteOpacity(rec, e);
    drawSprite(rec, e);
  }

  function drawSprite(rec, e) {
    const token = ++rec.drawToken;
    listPicture(rec.list, rec.index, rec.transparent).then((pic) => {
      if (token !== rec.drawToken) return;
      const g = e.getContext('2d');
      g.clearRect(0, 0, e.width, e.height);
      if (!pic) return;
      g.imageSmoothingEnabled = false;
      if (rec.stretch) g.drawImage(pic, 0, 0, e.width, e.height);
      else g.drawImage(pic, 0, 0);
      rec.picture = rec.backdrop ? g.getImageData(0, 0, e.width, e.height) : null;
      if (rec.picture) blendOnBackdrop(rec, e);
    });
  }

  // What lies beneath a sprite when that is known: its parent panel's colour
  // ([r, g, b]) and the sprites before it that overlap it (their names), each
  // itself over a known backdrop. Null when other things may show through it
  // (the star field, the board...).
  function backdropOf(c) {
    const all = layout.components || [];
    const parent = all.find((p) => p.name === c.parent);
    const m = parent && parent.kind === 'panel' && /^#([0-9a-f]{6})$/i.exec(parent.color || '');
    if (!m) return null;
    const under = [];
    for (const s of all) {
      if (s === c) break;
      if (s.parent === c.parent && s.left < c.left + c.width && c.left < s.left + s.width &&
          s.top < c.top + c.height && c.top < s.top + s.height) {
        if (s.kind !== 'sprite' || !backdropOf(s)) return null;
        under.push(s.name);
      }
    }
    const v = parseInt(m[1], 16);
    return {colour: [v >> 16, (v >> 8) & 255, v & 255], under};
  }

  // x * a / 255 rounded as Qt's raster engine divides.
  function qtMul(x, a) {
    const t = x * a;
    return (t + (t >> 8) + 0x80) >> 8;
  }

  // A sprite over a known backdrop is drawn already blended with it, in Qt's
  // integers (the browser's compositor rounds its blend differently): the
  // painter's opacity o/255 becomes int(o * 256 / 255) on Qt's 0..256 scale
  // and back (* 255 >> 8), the picture is multiplied by it and laid over the
  // backdrop, and the canvas is shown opaque.
  function blendOnBackdrop(rec, e) {
    const src = rec.picture.data;
    const w = rec.picture.width;
    const h = rec.picture.height;
    const out = new ImageData(w, h);
    const bg = rec.backdrop.colour;
    for (let i = 0; i < out.data.length; i += 4) {
      out.data[i] = bg[0];
      out.data[i + 1] = bg[1];
      out.data[i + 2] = bg[2];
    }
    // The shown sprites beneath, as they were drawn, bottom to top.
    for (const name of rec.backdrop.under) {
      const u = comps.get(name);
      if (!u || !u.visible || !u.blended) continue;
      const dx = u.left - rec.left;
      const dy = u.top - rec.top;
      for (let y = Math.max(0, dy); y < Math.min(h, dy + u.blended.height); ++y)
        for (let x = Math.max(0, dx); x < Math.min(w, dx + u.blended.width); ++x) {
          const i = (y * w + x) * 4;
          const j = ((y - dy) * u.blended.width + (x - dx)) * 4;
          out.data[i] = u.blended.data[j];
          out.data[i + 1] = u.blended.data[j + 1];
          out.data[i + 2] = u.blended.data[j + 2];
        }
    }
    const o256 = Math.floor(Math.max(0, Math.min(255, rec.opacity)) * 256 / 255);
    const a = o256 >= 256 ? 255 : (o256 * 255) >> 8;
    for (let i = 0; i < src.length; i += 4) {
      const alpha = qtMul(src[i + 3], a);
      for (let k = 0; k < 3; ++k)
        out.data[i + k] = qtMul(qtMul(src[i + k], src[i + 3]), a) + qtMul(out.data[i + k], 255 - alpha);
      out.data[i + 3] = 255;
    }
    e.getContext('2d').putImageData(out, 0, 0);
    rec.blended = out;
    redrawAbove(rec);
  }

  // The sprites over this one take its new pixels as their backdrop.
  function redrawAbove(rec) {
    for (const other of comps.values())
      if (other.backdrop && other.picture && other.el && other.backdrop.under.includes(rec.name)) blendOnBackdrop(other, other.el);
  }

  function showSpriteOpacity(rec, e) {
    const o = Math.max(0, Math.min(255, rec.opacity));
    (e || rec.el).style.opacity = rec.backdrop ? '1' : String(o / 255);
  }

  function setSpriteOpacity(rec, o) {
    const before = rec.opacity;
    rec.opacity = Math.max(0, Math.min(255, o));
    showSpriteOpacity(rec);
    if (rec.backdrop && rec.picture && rec.opacity !== before) blendOnBackdrop(rec, rec.el);
  }

  // The hover highlight: opacity to the highlight's on entering, back to the
  // remembered one on leaving (whatever the game set meanwhile).
  function highlightOn(rec) {
    if (!rec.highlight || rec.highlighted || rec.captured) return;
    rec.remembered = rec.opacity;
    rec.highlighted = true;
    setSpriteOpacity(rec, rec.highlightOpacity);
  }

  function highlightOff(rec) {
    if (!rec.highlight || !rec.highlighted || rec.captured) return;
    rec.highlighted = false;
    setSpriteOpacity(rec, rec.remembered);
  }

  // ---- shadow labels ----

  function buildShadowLabel(rec, e, c) {
    rec.font = fontOf(c);
    rec.color = colour(pick(c, ['color', 'colour']), '#000');
    rec.shadowColor = colour(pick(c, ['shadowColor', 'shadowColour']), '#808080');
    rec.shadowSize = Number(pick(c, ['shadowSize'], 1));
    rec.centred = !!pick(c, ['centred', 'centered', 'alignCenter'], false);
    rec.wordWrap = !!pick(c, ['wordWrap'], false);
    rec.autoSize = !!pick(c, ['autoSize'], false);
    rec.wrapWidth = c.width - rec.shadowSize;
    rec.centre2 = 2 * c.left + c.width;
    if (rec.wordWrap) e.classList.add('wrap');
    if (rec.centred) e.classList.add('centred');
    e.style.left = c.left + 'px';
    e.style.top = c.top + 'px';
    applyFont(e, rec.font);
    rec.shadowEl = el('div', 'c', e);
    rec.textEl = el('div', 'c', e);
    rec.shadowEl.style.color = rec.shadowColor;
    rec.textEl.style.color = rec.color;
    rec.shadowEl.style.left = rec.shadowEl.style.top = rec.shadowSize + 'px';
    rec.textEl.style.left = rec.textEl.style.top = '0px';
    rec.text = null;
    setShadowText(rec, pick(c, ['text', 'caption'], ''));
  }

  function setShadowText(rec, text) {
    text = captionText(text);
    if (text === rec.text) return;
    rec.text = text;
    rec.shadowEl.textContent = text;
    rec.textEl.textContent = text;
    layoutShadowLabel(rec);
  }

  function layoutShadowLabel(rec) {
    const c = rec.layout;
    const e = rec.el || rec.textEl.parentNode;
    const s = rec.shadowSize;
    const lh = lineHeight(rec.font.px);
    let w;
    let h;
    let left = c.left;
    if (!rec.autoSize) {
      w = c.width;
      h = c.height;
    } else if (rec.wordWrap) {
      // Wrapped at the design width; a word wider than that widens the label
      // (about the design box's centre when centred).
      const wrapAt = Math.max(1, rec.wrapWidth);
      let widest = 0;
      for (const word of rec.text.split(/[\s]+/)) widest = Math.max(widest, textWidth(word, rec.font));
      const textW = Math.max(wrapAt, Math.ceil(widest));
      w = textW + s;
      h = null;
      if (rec.centred) left = Math.floor((rec.centre2 - w) / 2);
    } else {
      let widest = 0;
      for (const line of rec.text.split('\n')) widest = Math.max(widest, textWidth(line, rec.font));
      w = Math.max(Math.ceil(widest), 1) + s;
      h = Math.max(1, rec.text.split('\n').length) * lh + s;
    }
    e.style.left = left + 'px';
    e.style.width = w + 'px';
    for (const part of [rec.shadowEl, rec.textEl]) {
      part.style.width = (w - s) + 'px';
      if (h !== null) {
        part.style.height = (h - s) + 'px';
        part.style.overflow = rec.autoSize ? 'visible' : 'hidden';
      } else {
        part.style.height = '';
        part.style.overflow = 'visible';
      }
    }
    if (h !== null) e.style.height = h + 'px';
    else e.style.height = (Math.max(lh, rec.textEl.scrollHeight) + s) + 'px';
  }

  // ---- hover labels ----

  function buildLink(rec, e, c) {
    rec.font = fontOf(c);
    rec.fixed = c.autoSize === false || !!pick(c, ['fixed', 'fixedSize', 'fixedGeometry'], false);
    rec.elideWidth = Number(pick(c, ['elideWidth'], 0));
    const exit = colour(pick(c, ['colorOnExit', 'colourOnExit', 'color']), '#0000FF');
    const enter = colour(pick(c, ['colorOnEnter', 'colourOnEnter', 'hoverColor']), '#FF0000');
    e.style.color = exit;
    e.style.setProperty('--enter', enter);
    if (pick(c, ['underline', 'linkUnderline'], false)) e.classList.add('underlined');
    e.style.left = c.left + 'px';
    e.style.top = c.top + 'px';
    if (rec.fixed) {
      e.classList.add('fixed');
      e.style.width = c.width + 'px';
      e.style.height = c.height + 'px';
    }
    const cursor = pick(c, ['cursor'], null);
    if (cursor && cursor !== 'arrow' && cursor !== 'default') e.style.cursor = cursor === 'hand' ? 'pointer' : cursor;
    applyFont(e, rec.font);
    rec.span = el('span', '', e);
    rec.text = null;
    setLinkText(rec, pick(c, ['text', 'caption'], ''));
    e.addEventListener('click', (ev) => {
      if (ev.button !== 0) return;
      queueEvent({type: 'click', name: c.name});
    });
  }

  function elide(text, font, room) {
    if (textWidth(text, font) <= room) return text;
    let lo = 0;
    let hi = text.length;
    while (lo < hi) {
      const mid = (lo + hi + 1) >> 1;
      if (textWidth(text.slice(0, mid) + '…', font) <= room) lo = mid;
      else hi = mid - 1;
    }
    return text.slice(0, lo) + '…';
  }

  function setLinkText(rec, text) {
    text = captionText(text);
    if (text === rec.text) return;
    rec.text = text;
    let lines = text.split('\n');
    if (rec.elideWidth > 0) lines = lines.map((l) => elide(l, rec.font, rec.elideWidth));
    // Lines one line height apart, the height rounded up to whole pixels,
    // as the desktop lays them out.
    rec.span.textContent = '';
    const spacing = Math.ceil(rec.font.px * (1854 + 434) / 2048);
    lines.forEach((line, i) => {
      const div = el('div', '', rec.span);
      div.textContent = line;
      if (i > 0) div.style.marginTop = (spacing - lineHeight(rec.font.px)) + 'px';
    });
    rec.span.style.transform = '';
    if (rec.fixed) {
      // Narrowed just enough that every line fits, one pixel column to spare.
      const room = rec.layout.width - 1;
      let widest = 0;
      for (const l of lines) widest = Math.max(widest, textWidth(l, rec.font));
      // The desktop's own narrowing for the text it was laid out with.
      const given = rec.text === captionText(pick(rec.layout, ['text'], null)) ? Number(rec.layout.fontStretch) : 0;
      if (given > 0 && given < 100) {
        rec.span.style.transform = 'scaleX(' + (given / 100) + ')';
      } else if (widest > room) {
        const stretch = Math.max(50, Math.floor(100 * room / widest));
        rec.span.style.transform = 'scaleX(' + (stretch / 100) + ')';
      }
    }
  }

  // ---- the slider ----

  function buildSlider(rec, e, c) {
    place(e, c);
    e.tabIndex = 0;
    rec.min = Number(pick(c, ['min', 'minimum'], 25));
    rec.max = Number(pick(c, ['max', 'maximum'], 500));
    rec.step = Number(pick(c, ['step', 'singleStep', 'tickInterval'], 25));
    rec.value = Number(pick(c, ['value', 'position'], 50));
    const t = {left: 0, top: 0, width: c.width, height: c.height};
    rec.track = t;
    // The rows below are those of a groove box at row 3 and a handle box at
    // row -1; a style that places them lower (Qt 6.8's draws both a pixel
    // lower than Qt 6.4's) moves them by as much.
    rec.grooveDown = c.groove ? c.groove.top - 3 : 0;
    rec.handleDown = c.handle ? c.handle.top + 1 : 0;
    const cv = el('canvas', 'c', e);
    cv.style.left = t.left + 'px';
    cv.style.top = t.top + 'px';
    cv.style.width = t.width + 'px';
    cv.style.height = t.height + 'px';
    rec.canvas = cv;
    rec.dragging = false;
    const valueAt = (clientX) => {
      const d = toDesign(clientX, 0);
      const origin = absOrigin(rec);
      const x = d.x - origin.x - t.left;
      const span = t.width - HANDLE_W - 2;
      const raw = rec.min + (x - 1 - (HANDLE_W - 1) / 2) / span * (rec.max - rec.min);
      return snapSpeed(raw, rec);
    };
    cv.addEventListener('pointerdown', (ev) => {
      if (ev.button !== 0) return;
      ev.preventDefault();
      e.focus();
      const hx = handleX(rec);
      const d = toDesign(ev.clientX, 0);
      const x = d.x - absOrigin(rec).x - t.left;
      if (x >= hx && x < hx + HANDLE_W) {
        rec.dragging = true;
        cv.setPointerCapture(ev.pointerId);
      } else {
        // A click beside the handle moves it one step toward the pointer.
        setSliderValue(rec, rec.value + (x < hx ? -rec.step : rec.step), true);
      }
    });
    cv.addEventListener('pointermove', (ev) => {
      if (!rec.dragging) return;
      setSliderValue(rec, valueAt(ev.clientX), true);
    });
    const end = () => { rec.dragging = false; drawSlider(rec); };
    cv.addEventListener('pointerup', end);
    cv.addEventListener('pointercancel', end);
    e.addEventListener('keydown', (ev) => {
      let v = null;
      if (ev.key === 'ArrowLeft' || ev.key === 'ArrowDown' || ev.key === 'PageDown') v = rec.value - rec.step;
      else if (ev.key === 'ArrowRight' || ev.key === 'ArrowUp' || ev.key === 'PageUp') v = rec.value + rec.step;
      else if (ev.key === 'Home') v = rec.min;
      else if (ev.key === 'End') v = rec.max;
      if (v === null) return;
      ev.preventDefault();
      setSliderValue(rec, v, true);
    });
    e.addEventListener('focus', () => drawSlider(rec));
    e.addEventListener('blur', () => drawSlider(rec));
  }

  // The slider as the desktop's style draws it: a 13-pixel handle over a
  // five-pixel groove, blue up to the handle, step marks below.
  const HANDLE_W = 13;
  const HANDLE_ROWS = (() => {
    const row = (...parts) => parts.flatMap((p) => Array.isArray(p) ? Array(p[1]).fill(p[0]) : [p]);
    return [
      row('', '78787a', 'a0a0a1', ['ababab', 7], 'a0a0a1', '767679', ''),
      row('78787a', 'cccccc', ['ffffff', 9], 'cbcbcb', '77777a'),
      row('a0a0a1', ['fefefe', 11], 'a0a0a1'),
      row('ababab', ['fdfdfd', 11], 'ababab'),
      row('ababab', ['fcfcfc', 11], 'a4a4a4'),
      row('ababab', ['fbfbfb', 11], 'a4a4a4'),
      row('ababab', 'fbfbfb', ['fafafa', 9], 'fbfbfb', 'a4a4a4'),
      row('ababab', 'fafafa', ['f9f9f9', 9], 'fafafa', 'a4a4a4'),
      row('ababab', 'fafafa', ['f9f9f9', 9], 'fafafa', 'a4a4a4'),
      row('ababab', ['f8f8f8', 11], 'a8a8a8'),
      row('9f9fa0', ['f7f7f7', 10], 'f2f2f2', '9c9c9d'),
      row('757578', 'c8c8c8', ['f7f7f7', 8], 'f2f2f2', 'c3c3c3', '737376'),
      row('', '767679', '99999a', ['a4a4a4', 7], '9c9c9d', '737376', ''),
    ];
  })();
  // Groove rows 4..8: [first column, second, filled, last filled, after the
  // handle, unfilled, end, first filled, rounded end (first and last rows)].
  const GROOVE_ROWS = [
    ['334a5a', '347196', '22648d', '1f5c82', '9e9e9e', 'ababab', '9a9a9b', '22648d', '38383d'],
    ['327097', '3b9edb', '4da6dd', '4799cc', 'c2c2c2', 'd2d2d2', '9b9b9c', '4da7dd', ''],
    ['22648d', '52ade7', '38a1e3', '3494d1', 'c8c8c8', 'd9d9d9', 'ababab', '38a1e3', ''],
    ['347399', '41a9ec', '52b1ee', '4ca3db', 'cecece', 'e0e0e0', '9d9d9e', '53b2ee', ''],
    ['33495b', '35749a', '22648d', '1f5c82', '9e9e9e', 'ababab', '9c9c9d', '22648d', '37373b'],
  ];
  // The step marks are gray, blue while the slider has the keyboard focus.
  const TICK_COLOUR = '#ababab';
  const FOCUS_TICK_COLOUR = '#22648d';

  function sliderRec() {
    for (const rec of comps.values()) if (rec.kind === 'slider') return rec;
    return null;
  }

  function snapSpeed(v, rec) {
    const step = rec.step || 25;
    const s = Math.round((v - rec.min) / step) * step + rec.min;
    return Math.max(rec.min, Math.min(rec.max, s));
  }

  function handleX(rec) {
    const span = rec.track.width - HANDLE_W - 2;
    return 1 + Math.round((rec.value - rec.min) / (rec.max - rec.min) * span);
  }

  function setSliderValue(rec, v, fromPlayer) {
    v = snapSpeed(v, rec);
    if (v === rec.value) return;
    rec.value = v;
    drawSlider(rec);
    if (fromPlayer) queueEvent({type: 'speed', value: v});
  }

  function drawSlider(rec) {
    const t = rec.track;
    const cv = rec.canvas;
    const k = scale * dpr;
    const w = Math.max(1, Math.round(t.width * k));
    const h = Math.max(1, Math.round(t.height * k));
    if (cv.width !== w || cv.height !== h) {
      cv.width = w;
      cv.height = h;
    }
    const g = cv.getContext('2d');
    g.setTransform(1, 0, 0, 1, 0, 0);
    g.clearRect(0, 0, w, h);
    g.setTransform(w / t.width, 0, 0, h / t.height, 0, 0);
    const px = (x, y, c, width) => {
      if (!c) return;
      g.fillStyle = '#' + c;
      g.fillRect(x, y, width || 1, 1);
    };
    const hx = handleX(rec);
    const end = t.width - 2;
    GROOVE_ROWS.forEach((c, i) => {
      const y = 4 + i + rec.grooveDown;
      px(1, y, c[0]);
      px(2, y, c[1]);
      if (hx - 1 > 3) {
        px(3, y, c[7]);
        if (hx - 1 > 4) px(4, y, c[2], hx - 1 - 4);
      }
      px(hx - 1, y, c[3]);
      const after = hx + HANDLE_W;
      if (after <= end) px(after, y, c[4]);
      if (end - after - 1 > 0) px(after + 1, y, c[5], end - after - 1);
      if (c[8]) {
        px(end - 1, y, c[6]);
        px(end, y, c[8]);
      } else {
        px(end, y, c[6]);
      }
    });
    // Step marks, the first and the last a pixel longer.
    const steps = Math.max(1, Math.round((rec.max - rec.min) / rec.step));
    const span = t.width - HANDLE_W - 2;
    g.fillStyle = document.activeElement === rec.el ? FOCUS_TICK_COLOUR : TICK_COLOUR;
    for (let i = 0; i <= steps; ++i) {
      const x = 1 + (HANDLE_W - 1) / 2 + Math.round(i * span / steps);
      g.fillRect(x, 17, 1, i === 0 || i === steps ? 4 : 3);
    }
    // The handle's faint shadow on either side: the panel beneath darkened
    // by black of alpha 10 (rows 2 and 10) and 20 (rows 3 and 9).
    const panel = comps.get(rec.parent);
    const m = panel && /^#([0-9a-f]{6})$/i.exec(panel.layout.color || '');
    if (m) {
      const v = parseInt(m[1], 16);
      for (const [y, a] of [[2, 10], [3, 20], [9, 20], [10, 10]]) {
        const c = [v >> 16, (v >> 8) & 255, v & 255].map((b) => qtMul(b, 255 - a).toString(16).padStart(2, '0')).join('');
        px(hx - 1, y + rec.handleDown, c);
        px(hx + HANDLE_W, y + rec.handleDown, c);
      }
    }
    HANDLE_ROWS.forEach((row, y) => row.forEach((c, x) => px(hx + x, y + rec.handleDown, c)));
  }

  // ---- combo boxes ----

  let openList = null;

  function buildCombo(rec, e, c) {
    place(e, c);
    rec.font = fontOf(c);
    rec.textColor = colour(pick(c, ['textColor', 'color', 'colour']), '#0000FF');
    rec.itemHeight = Number(pick(c, ['itemHeight'], 13));
    rec.items = pick(c, ['items'], []) || [];
    rec.index = -1;
    e.tabIndex = 0;
    e.style.color = rec.textColor;
    const vars = {'--face': 'color', '--frame': 'frameColor', '--focus-frame': 'focusFrameColor',
                  '--list': 'listColor', '--list-frame': 'listFrameColor', '--list-selected': 'listSelectedColor',
                  '--list-selected-text': 'listSelectedTextColor'};
    for (const v of Object.keys(vars)) if (typeof c[vars[v]] === 'string') e.style.setProperty(v, c[vars[v]]);
    applyFont(e, rec.font);
    rec.textEl = el('div', 'text', e);
    rec.textEl.style.lineHeight = centredLineHeight(c.height, rec.font.px, 1) + 'px';
    if (Array.isArray(c.arrow)) drawComboArrow(el('canvas', 'arrow', e), c.arrow, rec.textColor, colour(c.color, '#000000'));
    e.addEventListener('pointerdown', (ev) => {
      if (ev.button !== 0) return;
      ev.preventDefault();
      e.focus();
      if (openList && openList.rec === rec) closeCombo();
      else openCombo(rec);
    });
    e.addEventListener('keydown', (ev) => {
      if (ev.key === 'ArrowDown' || ev.key === 'ArrowUp') {
        ev.preventDefault();
        const i = Math.max(0, Math.min(rec.items.length - 1, rec.index + (ev.key === 'ArrowDown' ? 1 : -1)));
        chooseCombo(rec, i);
      } else if (ev.key === 'Enter' || ev.key === ' ') {
        ev.preventDefault();
        openCombo(rec);
      } else if (ev.key === 'Escape') {
        closeCombo();
      }
    });
    showComboText(rec);
  }

  // The drop-down arrow, a triangle antialiased as Qt fills it: each pixel
  // takes the text colour by the triangle's coverage (grayRaster) over the
  // face colour. The canvas sits inside the 1 px frame.
  function drawComboArrow(canvas, points, fg, face) {
    const xs = points.map((p) => p[0]);
    const ys = points.map((p) => p[1]);
    const x0 = Math.floor(Math.min(...xs));
    const y0 = Math.floor(Math.min(...ys));
    const w = Math.ceil(Math.max(...xs)) - x0 + 1;
    const h = Math.ceil(Math.max(...ys)) - y0 + 1;
    canvas.width = w;
    canvas.height = h;
    canvas.style.left = (x0 - 1) + 'px';
    canvas.style.top = (y0 - 1) + 'px';
    const rgb = (c) => { const v = parseInt(c.slice(1), 16); return [v >> 16, (v >> 8) & 255, v & 255]; };
    const f = rgb(fg);
    const b = rgb(face);
    const cover = grayRaster(points);
    const img = new ImageData(w, h);
    for (const [key, c] of cover) {
      const x = (key & 0xffff) - x0;
      const y = (key >> 16) - y0;
      if (x < 0 || y < 0 || x >= w || y >= h || !c) continue;
      const i = (y * w + x) * 4;
      for (let k = 0; k < 3; ++k) img.data[i + k] = qtMul(f[k], c) + qtMul(b[k], 255 - c);
      img.data[i + 3] = 255;
    }
    canvas.getContext('2d').putImageData(img, 0, 0);
  }

  // The coverage (0..255) of each pixel by a polygon (non-zero fill), found
  // as the raster engine's anti-aliasing scan converter finds it: edges walked
  // in 1/256 pixel steps, cells of area and cover, swept row by row. Returns
  // a Map from (y << 16 | x) to the coverage.
  function grayRaster(points) {
    const ONE = 256;
    const trunc = (v) => v >> 8;
    const sub = (v) => v * ONE;
    const cdiv = (a, d) => { const q = Math.trunc(a / d); return [q, a - q * d]; };
    const cells = new Map();
    let ex = 0;
    let ey = 0;
    const setCell = (x, y) => { ex = x; ey = y; };
    const add = (area, cov) => {
      const key = ey * 65536 + ex;
      const c = cells.get(key) || {y: ey, x: ex, area: 0, cover: 0};
      c.area += area;
      c.cover += cov;
      cells.set(key, c);
    };
    const scanline = (row, x1, y1, x2, y2) => {
      let ex1 = trunc(x1);
      const ex2 = trunc(x2);
      const fx1 = x1 - sub(ex1);
      const fx2 = x2 - sub(ex2);
      if (y1 === y2) { setCell(ex2, row); return; }
      if (ex1 === ex2) { setCell(ex1, row); add((fx1 + fx2) * (y2 - y1), y2 - y1); return; }
      let p = (ONE - fx1) * (y2 - y1);
      let first = ONE;
      let incr = 1;
      let dx = x2 - x1;
      if (dx < 0) { p = fx1 * (y2 - y1); first = 0; incr = -1; dx = -dx; }
      let [delta, mod] = cdiv(p, dx);
      if (mod < 0) { delta--; mod += dx; }
      setCell(ex1, row);
      add((fx1 + first) * delta, delta);
      y1 += delta;
      ex1 += incr;
      setCell(ex1, row);
      if (ex1 !== ex2) {
        let [lift, rem] = cdiv(ONE * (y2 - y1 + delta), dx);
        if (rem < 0) { lift--; rem += dx; }
        mod -= dx;
        while (ex1 !== ex2) {
          delta = lift;
          mod += rem;
          if (mod >= 0) { mod -= dx; delta++; }
          add(ONE * delta, delta);
          y1 += delta;
          ex1 += incr;
          setCell(ex1, row);
        }
      }
      add((fx2 + ONE - first) * (y2 - y1), y2 - y1);
    };
    const line = (x0, y0, tx, ty) => {
      let ey1 = trunc(y0);
      const ey2 = trunc(ty);
      const fy1 = y0 - sub(ey1);
      const fy2 = ty - sub(ey2);
      const dx = tx - x0;
      let dy = ty - y0;
      if (ey1 === ey2) { scanline(ey1, x0, fy1, tx, fy2); return; }
      let first = ONE;
      let incr = 1;
      if (dx === 0) {
        const cx = trunc(x0);
        const twoFx = (x0 - sub(cx)) * 2;
        if (dy < 0) { first = 0; incr = -1; }
        let delta = first - fy1;
        setCell(cx, ey1);
        add(twoFx * delta, delta);
        ey1 += incr;
        setCell(cx, ey1);
        delta = first + first - ONE;
        while (ey1 !== ey2) {
          add(twoFx * delta, delta);
          ey1 += incr;
          setCell(cx, ey1);
        }
        delta = fy2 - ONE + first;
        add(twoFx * delta, delta);
        return;
      }
      let p = (ONE - fy1) * dx;
      if (dy < 0) { p = fy1 * dx; first = 0; incr = -1; dy = -dy; }
      let [delta, mod] = cdiv(p, dy);
      if (mod < 0) { delta--; mod += dy; }
      let x = x0 + delta;
      setCell(trunc(x0), ey1);
      scanline(ey1, x0, fy1, x, first);
      ey1 += incr;
      setCell(trunc(x), ey1);
      if (ey1 !== ey2) {
        let [lift, rem] = cdiv(ONE * dx, dy);
        if (rem < 0) { lift--; rem += dy; }
        mod -= dy;
        while (ey1 !== ey2) {
          delta = lift;
          mod += rem;
          if (mod >= 0) { mod -= dy; delta++; }
          const x2 = x + delta;
          scanline(ey1, x, ONE - first, x2, first);
          x = x2;
          ey1 += incr;
          setCell(trunc(x), ey1);
        }
      }
      scanline(ey1, x, ONE - first, tx, fy2);
    };
    const pts = points.map((p) => [Math.round(p[0] * 64) * 4, Math.round(p[1] * 64) * 4]);
    pts.forEach((p, i) => {
      const q = pts[(i + 1) % pts.length];
      setCell(trunc(p[0]), trunc(p[1]));
      line(p[0], p[1], q[0], q[1]);
    });
    const coverOf = (area) => Math.min(255, Math.abs(Math.floor(area / 512)));
    const rows = new Map();
    for (const c of cells.values()) {
      if (!rows.has(c.y)) rows.set(c.y, []);
      rows.get(c.y).push(c);
    }
    const out = new Map();
    for (const [y, row] of rows) {
      row.sort((a, b) => a.x - b.x);
      let cover = 0;
      row.forEach((c, i) => {
        cover += c.cover;
        const area = cover * ONE * 2 - c.area;
        if (area) out.set(y * 65536 + c.x, coverOf(area));
        if (i + 1 < row.length)
          for (let x = c.x + 1; x < row[i + 1].x; ++x) out.set(y * 65536 + x, coverOf(cover * ONE * 2));
      });
    }
    return out;
  }

  function showComboText(rec) {
    rec.textEl.textContent = rec.index >= 0 && rec.index < rec.items.length ? rec.items[rec.index] : '';
  }

  function chooseCombo(rec, index) {
    rec.index = index;
    showComboText(rec);
    queueEvent({type: 'combo', name: rec.name, index});
  }

  function openCombo(rec) {
    closeCombo();
    if (!rec.items.length) return;
    // On the frame itself, so the panel holding the box does not clip it.
    const list = el('div', 'combolist', frame);
    for (const v of ['--list', '--list-frame', '--list-selected', '--list-selected-text'])
      if (rec.el.style.getPropertyValue(v)) list.style.setProperty(v, rec.el.style.getPropertyValue(v));
    const c = rec.layout;
    const o = absOrigin(rec);
    list.style.left = o.x + 'px';
    list.style.top = (o.y + c.height) + 'px';
    list.style.width = c.width + 'px';
    const shown = Math.min(rec.items.length, 30);
    list.style.height = (shown * rec.itemHeight + 2) + 'px';
    list.style.color = rec.textColor;
    applyFont(list, rec.font);
    rec.items.forEach((text, i) => {
      const item = el('div', 'item' + (i === rec.index ? ' current' : ''), list);
      item.style.height = rec.itemHeight + 'px';
      item.style.lineHeight = rec.itemHeight + 'px';
      item.textContent = text;
      item.dataset.index = String(i);
      item.addEventListener('pointerup', (ev) => {
        if (ev.button !== 0) return;
        ev.preventDefault();
        closeCombo();
        chooseCombo(rec, i);
      });
    });
    rec.el.classList.add('open');
    openList = {rec, list};
  }

  function closeCombo() {
    if (!openList) return;
    openList.list.remove();
    openList.rec.el.classList.remove('open');
    openList = null;
  }

  document.addEventListener('pointerdown', (ev) => {
    if (!openList) return;
    if (openList.list.contains(ev.target) || openList.rec.el.contains(ev.target)) return;
    closeCombo();
  }, true);

  // ---- statistics grids ----

  function buildGrid(rec, e, c) {
    place(e, c);
    rec.colWidths = pick(c, ['colWidths', 'columnWidths'], [80, 84, 52]);
    rec.rowCount = Number(pick(c, ['rowCount', 'rows'], 6));
    rec.rowHeight = Number(pick(c, ['rowHeight', 'defaultRowHeight'], 16));
    rec.font = fontOf(c);
    rec.fixedColor = colour(pick(c, ['fixedColor', 'fixedColour']), '#000080');
    rec.lineColor = colour(pick(c, ['lineColor', 'gridLineColor']), '#808080');
    rec.selectedColor = colour(pick(c, ['selectedColor', 'selectionColor']), '#1C3F94');
    rec.cellColor = colour(pick(c, ['color', 'colour']), '#000000');
    rec.textColor = colour(pick(c, ['textColor', 'fontColor']), '#FFFFFF');
    rec.selected = -1;
    e.style.background = rec.cellColor;
    applyFont(e, rec.font);
    rec.cells = [];
    for (let row = 0; row < rec.rowCount; ++row) {
      const rowCells = [];
      let x = 0;
      rec.colWidths.forEach((w, col) => {
        const y = row * (rec.rowHeight + 1);
        const cell = el('div', 'cell', e);
        cell.style.left = x + 'px';
        cell.style.top = y + 'px';
        cell.style.width = w + 'px';
        cell.style.height = rec.rowHeight + 'px';
        cell.style.lineHeight = rec.rowHeight + 'px';
        cell.style.color = rec.textColor;
        cell.style.background = row === 0 ? rec.fixedColor : rec.cellColor;
        if (row === 0) {
          // Lines around the fixed cells only.
          const right = el('div', 'c', e);
          right.style.left = (x + w) + 'px';
          right.style.top = y + 'px';
          right.style.width = '1px';
          right.style.height = (rec.rowHeight + 1) + 'px';
          right.style.background = rec.lineColor;
          const bottom = el('div', 'c', e);
          bottom.style.left = x + 'px';
          bottom.style.top = (y + rec.rowHeight) + 'px';
          bottom.style.width = (w + 1) + 'px';
          bottom.style.height = '1px';
          bottom.style.background = rec.lineColor;
        }
        rowCells.push(cell);
        x += w + 1;
      });
      rec.cells.push(rowCells);
    }
    e.addEventListener('pointerdown', (ev) => {
      const d = toDesign(ev.clientX, ev.clientY);
      const o = absOrigin(rec);
      const row = Math.floor((d.y - o.y) / (rec.rowHeight + 1));
      if (row >= 1 && row < rec.rowCount && row !== rec.selected) {
        rec.selected = row;
        rec.cells.forEach((cells, r) => cells.forEach((cell) => {
          cell.style.background = r === 0 ? rec.fixedColor : (r === row ? rec.selectedColor : rec.cellColor);
        }));
      }
    });
  }

  function setGridCell(rec, col, row, text) {
    if (rec.cells[row] && rec.cells[row][col]) rec.cells[row][col].textContent = text;
  }

  // A highscore date (days since 1899-12-30, the fraction the time of day) as
  // a date alone in the browser's short date format; empty where no calendar
  // holds the value.
  const shortDateFormat = new Intl.DateTimeFormat(undefined, {dateStyle: 'short', timeZone: 'UTC'});
  function shortDate(days) {
    if (typeof days !== 'number' || !isFinite(days) || Math.abs(days) > 3.0e6) return '';
    const ms = Date.UTC(1899, 11, 30) + Math.floor(days) * 86400000;
    const d = new Date(ms);
    if (isNaN(d.getTime())) return '';
    return shortDateFormat.format(d);
  }

  function fillStatistics() {
    const scores = model && model.scores;
    for (let t = 1; t <= 7; ++t) {
      const rec = comps.get('StringGrid' + t);
      if (!rec) continue;
      setGridCell(rec, 0, 0, 'Player');
      setGridCell(rec, 1, 0, 'Date');
      setGridCell(rec, 2, 0, 'Score');
      const table = scores && scores[t - 1];
      for (let i = 1; i <= 5; ++i) {
        const e = table && table[i - 1];
        setGridCell(rec, 0, i, e ? String(e.name) : '');
        setGridCell(rec, 1, i, e ? shortDate(e.date) : '');
        setGridCell(rec, 2, i, e ? String(e.score) : '');
      }
    }
  }

  // ---------------------------------------------------------------------------
  // Geometry: design pixels <-> the window

  function absOrigin(rec) {
    let x = 0;
    let y = 0;
    for (let r = rec; r; r = comps.get(r.parent)) {
      x += r.left;
      y += r.top;
    }
    return {x, y};
  }

  // The one mapping of pointer positions: client CSS pixels to design pixels
  // of the frame, through the device pixel under the pointer, so the pixel
  // drawn there and the point the game is told are the same.
  function toDesign(clientX, clientY) {
    const k = scale * dpr;
    const px = Math.floor(clientX * dpr) + 0.5;
    const py = Math.floor(clientY * dpr) + 0.5;
    return {x: Math.floor((px - frameLeft * dpr) / k), y: Math.floor((py - frameTop * dpr) / k)};
  }

  function fit() {
    dpr = window.devicePixelRatio || 1;
    const W = document.documentElement.clientWidth || window.innerWidth;
    const H = document.documentElement.clientHeight || window.innerHeight;
    for (const side of ['left', 'right', 'top', 'bottom', 'width', 'height']) filesBar.style[side] = '';
    filesBar.className = 'below';
    const barH = filesBar.offsetHeight + 6;
    filesBar.className = 'beside';
    const barW = filesBar.offsetWidth + 12;
    const below = Math.min(W / DESIGN_W, (H - barH) / DESIGN_H);
    const beside = Math.min((W - barW) / DESIGN_W, H / DESIGN_H);
    const useBeside = beside > below;
    scale = Math.max(0.05, useBeside ? beside : below);
    const areaW = useBeside ? W - barW : W;
    const areaH = useBeside ? H : H - barH;
    let left = (areaW - DESIGN_W * scale) / 2;
    let top = (areaH - DESIGN_H * scale) / 2;
    // The magnified board starts on a whole device pixel: its cells are then
    // drawn exactly where the mapping puts them.
    const mag = comps.get('DIBMagnifier1');
    const k = scale * dpr;
    const mo = mag ? absOrigin(mag) : {x: 0, y: 0};
    left = (Math.round((left * dpr) + mo.x * k) - mo.x * k) / dpr;
    top = (Math.round((top * dpr) + mo.y * k) - mo.y * k) / dpr;
    frameLeft = left;
    frameTop = top;
    frame.style.transform = 'translate(' + left + 'px,' + top + 'px) scale(' + scale + ')';
    filesBar.className = useBeside ? 'beside' : 'below';
    if (useBeside) {
      filesBar.style.left = (W - barW + 6) + 'px';
      filesBar.style.top = '0px';
      filesBar.style.bottom = '0px';
      filesBar.style.right = '';
      filesBar.style.width = (barW - 12) + 'px';
      filesBar.style.height = '';
    } else {
      filesBar.style.left = '0px';
      filesBar.style.right = '0px';
      filesBar.style.width = '';
      filesBar.style.top = Math.min(H - barH + 3, top + DESIGN_H * scale + 3) + 'px';
      filesBar.style.bottom = '';
      filesBar.style.height = '';
    }
    resizeCanvases();
  }

  function resizeCanvases() {
    const k = scale * dpr;
    for (const rec of comps.values()) {
      if (rec.kind === 'magnifier' || rec.kind === 'stars' || rec.kind === 'clock') {
        const w = Math.max(1, Math.round(rec.width * k));
        const h = Math.max(1, Math.round(rec.height * k));
        if (rec.canvas.width !== w || rec.canvas.height !== h) {
          rec.canvas.width = w;
          rec.canvas.height = h;
        }
        // Exactly as many device pixels as the canvas has: one canvas pixel
        // is one device pixel, never resampled.
        rec.canvas.style.width = (w / k) + 'px';
        rec.canvas.style.height = (h / k) + 'px';
      }
      if (rec.kind === 'slider') drawSlider(rec);
    }
    drawBoard();
    drawStars(true);
    drawClock();
  }

  // ---------------------------------------------------------------------------
  // The magnified board, the star field and the clock

  const boardCanvas = document.createElement('canvas');
  boardCanvas.width = 102;
  boardCanvas.height = 103;
  let boardImage = null;
  let boardDirty = false;
  let lastStars = new Float32Array(0);
  let lastClock = new Float32Array(0);

  function drawBoard() {
    const rec = comps.get('DIBMagnifier1');
    if (!rec) return;
    const cv = rec.canvas;
    const g = cv.getContext('2d');
    g.setTransform(1, 0, 0, 1, 0, 0);
    g.imageSmoothingEnabled = false;
    if (!boardImage) {
      g.fillStyle = '#000';
      g.fillRect(0, 0, cv.width, cv.height);
      return;
    }
    if (boardDirty) {
      boardCanvas.getContext('2d').putImageData(boardImage, 0, 0);
      boardDirty = false;
    }
    // Cell (p, q) on view pixels 4p..4p+3 by 4q..4q+3, sampled at device
    // pixel centres.
    const k = scale * dpr;
    g.drawImage(boardCanvas, 0, 0, 102, 103, 0, 0, 102 * 4 * k, 103 * 4 * k);
  }

  // The star field keeps what it drew: a new frame clears and redraws only
  // the boxes that the changed streaks touch, old and new. What is cleared
  // grows by every streak reaching into it until no streak drawn again
  // reaches out of it; then the cleared boxes are filled with the sky and
  // those streaks drawn again, whole and unclipped (a clip would change how
  // a line's edge is antialiased), in star order. So every pixel ends as a
  // whole redraw leaves it; outside the boxes no streak changed. A new
  // canvas size or scale (resizeCanvases) redraws it all.
  let starsShown = null;            // {streaks, width, height} on the canvas

  function strokeStreak(g, s, i) {
    g.strokeStyle = 'rgb(' + (s[i + 4] | 0) + ',' + (s[i + 5] | 0) + ',' + (s[i + 6] | 0) + ')';
    g.beginPath();
    g.moveTo(s[i], s[i + 1]);
    g.lineTo(s[i + 2], s[i + 3]);
    g.stroke();
  }

  function sameStreak(a, b, i) {
    for (let k = i; k < i + 7; ++k) if (a[k] !== b[k]) return false;
    return true;
  }

  // The canvas pixels [x0, x1) x [y0, y1) a streak may touch: its ends
  // widened by half the line's width (the round caps), the pixel the edge's
  // antialiasing reaches and one more to spare; null when off the canvas.
  function streakBox(s, i, kx, ky, w, h) {
    const px = 0.5 * kx + 2;
    const py = 0.5 * ky + 2;
    const x0 = Math.max(0, Math.floor(Math.min(s[i], s[i + 2]) * kx - px));
    const y0 = Math.max(0, Math.floor(Math.min(s[i + 1], s[i + 3]) * ky - py));
    const x1 = Math.min(w, Math.ceil(Math.max(s[i], s[i + 2]) * kx + px));
    const y1 = Math.min(h, Math.ceil(Math.max(s[i + 1], s[i + 3]) * ky + py));
    return x0 < x1 && y0 < y1 ? [x0, y0, x1, y1] : null;
  }

  function boxUnion(a, b) {
    if (!a || !b) return a || b;
    return [Math.min(a[0], b[0]), Math.min(a[1], b[1]), Math.max(a[2], b[2]), Math.max(a[3], b[3])];
  }

  function boxesMeet(a, b) {
    return a[0] < b[2] && b[0] < a[2] && a[1] < b[3] && b[1] < a[3];
  }

  function drawStars(whole) {
    const rec = comps.get('NcaStar1');
    if (!rec) return;
    const cv = rec.canvas;
    const g = cv.getContext('2d');
    const w = cv.width;
    const h = cv.height;
    const kx = w / rec.width;
    const ky = h / rec.height;
    const s = lastStars;
    const shown = starsShown;
    starsShown = {streaks: s, width: w, height: h};
    g.setTransform(1, 0, 0, 1, 0, 0);
    g.fillStyle = rec.background;
    g.lineWidth = 1;
    g.lineCap = 'round';
    if (whole || !shown || shown.width !== w || shown.height !== h) {
      g.fillRect(0, 0, w, h);
      g.setTransform(kx, 0, 0, ky, 0, 0);
      for (let i = 0; i + 6 < s.length; i += 7) strokeStreak(g, s, i);
      return;
    }
    const old = shown.streaks;
    const cleared = [];
    for (let i = 0; i + 6 < Math.max(old.length, s.length); i += 7) {
      const inOld = i + 6 < old.length;
      const inNew = i + 6 < s.length;
      if (inOld && inNew && sameStreak(old, s, i)) continue;
      const box = boxUnion(inOld ? streakBox(old, i, kx, ky, w, h) : null, inNew ? streakBox(s, i, kx, ky, w, h) : null);
      if (box) cleared.push(box);
    }
    if (!cleared.length) return;
    const reach = [];
    for (let i = 0; i + 6 < s.length; i += 7) reach.push(streakBox(s, i, kx, ky, w, h));
    const again = new Array(reach.length).fill(false);
    for (let grown = true; grown;) {
      grown = false;
      for (let j = 0; j < reach.length; ++j) {
        if (again[j] || !reach[j] || !cleared.some((b) => boxesMeet(b, reach[j]))) continue;
        again[j] = true;
        cleared.push(reach[j]);
        grown = true;
      }
    }
    for (const b of cleared) g.fillRect(b[0], b[1], b[2] - b[0], b[3] - b[1]);
    g.setTransform(kx, 0, 0, ky, 0, 0);
    for (let j = 0; j < reach.length; ++j) if (again[j]) strokeStreak(g, s, 7 * j);
  }

  function drawClock() {
    const rec = comps.get('RxClock1');
    if (!rec) return;
    const cv = rec.canvas;
    const g = cv.getContext('2d');
    g.setTransform(1, 0, 0, 1, 0, 0);
    g.fillStyle = rec.background;
    g.fillRect(0, 0, cv.width, cv.height);
    const k = cv.width / rec.width;
    g.setTransform(k, 0, 0, cv.height / rec.height, 0, 0);
    // The dial: twelve marks, the quarters longer.
    const cx = rec.width / 2;
    const cy = rec.height / 2;
    const radius = Math.min(rec.width, rec.height) / 2 - 2;
    g.lineCap = 'butt';
    for (let i = 0; i < 12; ++i) {
      const quarter = i % 3 === 0;
      const a = i * Math.PI / 6;
      const sx = Math.sin(a);
      const sy = -Math.cos(a);
      g.strokeStyle = quarter ? '#C0C0C0' : '#808080';
      g.lineWidth = quarter ? 1.6 : 1.0;
      g.beginPath();
      g.moveTo(cx + sx * radius, cy + sy * radius);
      g.lineTo(cx + sx * radius * (quarter ? 0.80 : 0.88), cy + sy * radius * (quarter ? 0.80 : 0.88));
      g.stroke();
    }
    const h = lastClock;
    if (h.length < 5) return;
    const colours = ['#808080', '#808080', '#C0C0C0'];
    g.lineCap = 'round';
    for (let i = 0, n = 0; i + 4 < h.length; i += 5, ++n) {
      g.strokeStyle = colours[Math.min(n, 2)];
      g.lineWidth = h[i + 4];
      g.beginPath();
      g.moveTo(h[i], h[i + 1]);
      g.lineTo(h[i + 2], h[i + 3]);
      g.stroke();
    }
    g.fillStyle = '#505050';
    g.beginPath();
    g.arc(cx, cy, 1.6, 0, 2 * Math.PI);
    g.fill();
  }

  // ---------------------------------------------------------------------------
  // Applying the screen model

  function applySync(m) {
    model = m;
    const sprites = m.sprites || {};
    for (const name of Object.keys(sprites)) {
      const rec = comps.get(name);
      if (!rec || !rec.el) continue;
      const s = sprites[name];
      if (s.image !== undefined && s.image !== rec.index) {
        rec.index = s.image;
        drawSprite(rec, rec.el);
      }
      // The opacity is taken only when the game changed it, so that the
      // highlight keeps its own until the pointer leaves.
      if (s.opacity !== undefined && s.opacity !== rec.modelOpacity) {
        rec.modelOpacity = s.opacity;
        setSpriteOpacity(rec, s.opacity);
      }
      if (s.enabled !== undefined) rec.enabled = !!s.enabled;
      if (s.visible !== undefined) setVisible(rec, !!s.visible);
      if (s.hint !== undefined) rec.hint = s.hint;
      if (s.tag !== undefined) rec.tag = s.tag;
    }
    const labels = m.labels || {};
    for (const name of Object.keys(labels)) {
      const rec = comps.get(name);
      if (!rec) continue;
      const l = labels[name];
      if (l.visible !== undefined) setVisible(rec, !!l.visible);
      if (l.caption !== undefined) {
        if (rec.kind === 'shadowLabel') setShadowText(rec, l.caption);
        else if (rec.kind === 'link') setLinkText(rec, l.caption);
        else if (rec.el) rec.el.textContent = captionText(l.caption);
      }
    }
    const panels = m.panels || {};
    for (const name of Object.keys(panels)) {
      const rec = comps.get(name);
      if (!rec) continue;
      const p = panels[name];
      if (p.left !== undefined && p.top !== undefined && (p.left !== rec.left || p.top !== rec.top)) {
        rec.left = p.left;
        rec.top = p.top;
        rec.el.style.left = p.left + 'px';
        rec.el.style.top = p.top + 'px';
      }
      if (p.visible !== undefined) {
        const wasVisible = rec.visible;
        setVisible(rec, !!p.visible);
        if (name === 'dxContainer3' && p.visible && !wasVisible) fillStatistics();
        if (!p.visible && openList && rec.el.contains(openList.rec.el)) closeCombo();
      }
    }
    const combos = m.combos || {};
    for (const name of Object.keys(combos)) {
      const rec = comps.get(name);
      if (!rec) continue;
      const cb = combos[name];
      if (Array.isArray(cb.items) && JSON.stringify(cb.items) !== JSON.stringify(rec.items)) {
        rec.items = cb.items.slice();
        if (openList && openList.rec === rec) closeCombo();
      }
      if (typeof cb.index === 'number') rec.index = cb.index;
      showComboText(rec);
    }
    if (m.drag) {
      dragAccepted = !!m.drag.accepted;
      showDragCursor();
    }
    const slider = sliderRec();
    if (slider && typeof m.speed === 'number' && !slider.dragging && m.speed !== slider.value) {
      slider.value = m.speed;
      drawSlider(slider);
    }
    updateCovered();
  }

  // ---- what an opaque panel hides ----
  // A panel in an opaque colour hides the components beneath it (those
  // before it in its parent) that lie wholly inside it: while it shows they
  // are out of the picture (visibility: hidden), so the browser neither
  // paints nor composites them, and they come back in the same update that
  // hides or moves the panel. On the title screen that is the whole match
  // screen, some thirty canvases and texts.
  let coverPanels = [];             // [{panel, under: [rec, ...]}]
  const FOCUSABLE = '[tabindex], button, input, select, textarea, a[href]';
  const covered = new Set();

  function findCoverPanels() {
    coverPanels = [];
    const recs = Array.from(comps.values());
    recs.forEach((p, index) => {
      if (p.kind !== 'panel' && p.kind !== 'framed') return;
      if (!/^#([0-9a-f]{3}|[0-9a-f]{6})$/i.test(colour(pick(p.layout, ['color', 'colour', 'background']), '#000'))) return;
      // What takes the keyboard focus stays shown: a hidden element cannot
      // hold it (the slider under the title screen has it, as on the desktop).
      const under = recs.slice(0, index).filter((r) => r.parent === p.parent && r.width <= p.width &&
                                                       r.height <= p.height && !r.el.matches(FOCUSABLE) &&
                                                       !r.el.querySelector(FOCUSABLE));
      if (under.length) coverPanels.push({panel: p, under});
    });
  }

  // A component's box in its parent, as far as anything of it may show:
  // canvases, pictures and panels (which clip) their own box; texts as laid
  // out, with what stands out of it, and a glyph's pixel or two beyond.
  function shownBox(rec) {
    if (rec.el.tagName === 'CANVAS' || rec.el.tagName === 'IMG' || rec.kind === 'panel' || rec.kind === 'framed')
      return [rec.left, rec.top, rec.left + rec.width, rec.top + rec.height];
    const e = rec.el;
    return [e.offsetLeft - 2, e.offsetTop - 2, e.offsetLeft + Math.max(e.offsetWidth, e.scrollWidth) + 2,
            e.offsetTop + Math.max(e.offsetHeight, e.scrollHeight) + 2];
  }

  function updateCovered() {
    const now = new Set();
    for (const {panel: p, under} of coverPanels) {
      if (!p.visible) continue;
      const inside = (b) => b[0] >= p.left && b[1] >= p.top && b[2] <= p.left + p.width && b[3] <= p.top + p.height;
      for (const u of under) {
        const l = u.layout;
        // Only what the layout places inside is measured (texts ask for
        // the browser's layout).
        if (!u.visible || !inside([l.left, l.top, l.left + l.width, l.top + l.height])) continue;
        if (inside(shownBox(u))) now.add(u);
      }
    }
    for (const rec of covered) {
      if (now.has(rec)) continue;
      covered.delete(rec);
      rec.el.classList.remove('covered');
    }
    for (const rec of now) {
      if (covered.has(rec)) continue;
      covered.add(rec);
      rec.el.classList.add('covered');
    }
  }

  function setVisible(rec, visible) {
    if (rec.visible === visible) return;
    rec.visible = visible;
    rec.el.classList.toggle('hidden', !visible);
    if (rec.backdrop) redrawAbove(rec);
    if (!visible && rec.kind === 'shadowLabel') return;
    if (visible && rec.kind === 'shadowLabel') layoutShadowLabel(rec);
  }

  // ---------------------------------------------------------------------------
  // Pointer input on the frame: drags of the tubes, releases, the magnifier

  let press = null;       // {rec, pointerId, button, startX, startY, dragging}
  let dragAccepted = false;
  let overMagnifier = false;
  const debug = {lastDrop: null, lastSound: null};

  function componentAt(clientX, clientY) {
    const hit = document.elementFromPoint(clientX, clientY);
    const e = hit && hit.closest ? hit.closest('[data-component]') : null;
    return e && frame.contains(e) ? comps.get(e.dataset.component) || null : null;
  }

  function magnifierPoint(clientX, clientY) {
    const rec = comps.get('DIBMagnifier1');
    const d = toDesign(clientX, clientY);
    const o = absOrigin(rec);
    return {x: d.x - o.x, y: d.y - o.y};
  }

  function showDragCursor() {
    const dragging = !!(press && press.dragging);
    frame.classList.toggle('dragging', dragging);
    frame.classList.toggle('accepted', dragging && overMagnifier && dragAccepted);
  }

  function spriteOf(target) {
    const e = target && target.closest ? target.closest('canvas.sprite') : null;
    return e ? comps.get(e.dataset.component) : null;
  }

  frame.addEventListener('contextmenu', (ev) => ev.preventDefault());
  // A press on a component that takes no keyboard focus leaves the focus
  // where it was, as on the desktop.
  frame.addEventListener('mousedown', (ev) => {
    if (!(ev.target.closest && ev.target.closest('[tabindex]'))) ev.preventDefault();
  });

  frame.addEventListener('pointerdown', (ev) => {
    hideHint();
    // The sound may have been let go (or suspended by the browser): a press
    // brings it back before the drop or click it starts can play anything.
    takeAudioBack();
    const rec = spriteOf(ev.target);
    if (!rec || !rec.enabled || press) return;
    ev.preventDefault();
    try { rec.el.setPointerCapture(ev.pointerId); } catch (e) { /* pointer already gone */ }
    rec.captured = true;
    const d = toDesign(ev.clientX, ev.clientY);
    press = {rec, pointerId: ev.pointerId, button: ev.button, startX: d.x, startY: d.y, dragging: false};
  });

  frame.addEventListener('pointermove', (ev) => {
    if (press && ev.pointerId === press.pointerId) {
      const rec = press.rec;
      if (!press.dragging) {
        const primary = press.button === 0 && (ev.buttons & 1);
        if (!rec.dragSource || !primary) return;
        const d = toDesign(ev.clientX, ev.clientY);
        if (Math.abs(d.x - press.startX) + Math.abs(d.y - press.startY) < DRAG_START_DISTANCE) return;
        press.dragging = true;
        dragAccepted = false;
        overMagnifier = false;
        if (rec.dragHandled) queueEvent({type: 'dragstart', tag: rec.tag});
      }
      const target = componentAt(ev.clientX, ev.clientY);
      overMagnifier = !!target && target.name === 'DIBMagnifier1';
      if (overMagnifier) {
        const p = magnifierPoint(ev.clientX, ev.clientY);
        press.lastOver = p;
        queueCoalesced({type: 'dragover', x: p.x, y: p.y});
      }
      showDragCursor();
      return;
    }
    if (press) return;
    // Pointer moves over the magnified board: the inspection read-out.
    const target = componentAt(ev.clientX, ev.clientY);
    if (target && target.name === 'DIBMagnifier1') {
      const p = magnifierPoint(ev.clientX, ev.clientY);
      queueCoalesced({type: 'mousemove', x: p.x, y: p.y});
    }
  });

  function endPress(ev, cancelled) {
    if (!press || ev.pointerId !== press.pointerId) return;
    const p = press;
    press = null;
    const rec = p.rec;
    rec.captured = false;
    if (p.dragging) {
      const target = cancelled ? null : componentAt(ev.clientX, ev.clientY);
      const onMag = !!target && target.name === 'DIBMagnifier1';
      let x = 0;
      let y = 0;
      if (onMag) {
        const pt = magnifierPoint(ev.clientX, ev.clientY);
        x = pt.x;
        y = pt.y;
        // The verdict the drop uses is the one for the release point.
        if (!p.lastOver || p.lastOver.x !== x || p.lastOver.y !== y)
          queueCoalesced({type: 'dragover', x, y});
      }
      if (rec.dragHandled) queueEvent({type: 'dragend', tag: rec.tag, onMagnifier: onMag, x, y});
      debug.lastDrop = {name: rec.name, onMagnifier: onMag, x, y, performanceTime: performance.now(),
                        contextTime: audio.ctx ? audio.ctx.currentTime : null, output: outputTimestamp()};
      overMagnifier = false;
      showDragCursor();
      const inside = componentAt(ev.clientX, ev.clientY) === rec;
      if (!inside) highlightOff(rec);
      return;
    }
    if (cancelled) return;
    const inside = componentAt(ev.clientX, ev.clientY) === rec;
    if (!inside) {
      highlightOff(rec);
      return;
    }
    if (RELEASE_CLICK.has(rec.name)) queueEvent({type: 'click', name: rec.name});
    else if (LEFT_CLICK.has(rec.name) && p.button === 0) queueEvent({type: 'click', name: rec.name});
  }

  frame.addEventListener('pointerup', (ev) => endPress(ev, false));
  frame.addEventListener('pointercancel', (ev) => endPress(ev, true));

  // Highlight and hints on the sprites.
  frame.addEventListener('pointerover', (ev) => {
    const rec = spriteOf(ev.target);
    if (!rec) return;
    if (press && press.rec !== rec) return;
    highlightOn(rec);
    if (ev.pointerType !== 'touch') armHint(rec, ev);
  });
  frame.addEventListener('pointerout', (ev) => {
    const rec = spriteOf(ev.target);
    if (!rec) return;
    if (ev.relatedTarget && rec.el.contains(ev.relatedTarget)) return;
    if (press && press.rec === rec) return;
    highlightOff(rec);
    leaveHint(rec);
  });

  // ---------------------------------------------------------------------------
  // Hints: shown when the pointer rests on an image with a hint, hidden after
  // the hint time or when the pointer leaves.

  const hintEl = document.createElement('div');
  hintEl.id = 'hint';
  hintEl.className = 'hidden';
  document.body.appendChild(hintEl);
  let hintTimer = 0;
  let hintHideTimer = 0;
  let hintFor = null;
  let hintShownAt = -1e9;
  let hintPos = {x: 0, y: 0};
  let hintPending = null;

  function hintTimings() {
    const h = (layout && layout.hints) || {};
    return {pause: Number(pick(h, ['pause', 'hintPause'], 50)), shortPause: Number(pick(h, ['shortPause'], 50)),
            hidePause: Number(pick(h, ['hidePause'], 30000))};
  }

  function armHint(rec, ev) {
    clearTimeout(hintTimer);
    hintPos = {x: ev.clientX, y: ev.clientY};
    if (!rec.hint) return;
    const t = hintTimings();
    // Right after another hint, the next one comes after the short pause.
    const wait = performance.now() - hintShownAt < t.shortPause + 500 ? t.shortPause : t.pause;
    hintPending = {rec, wait};
    hintTimer = setTimeout(() => showHint(rec), wait);
  }

  // The hint comes once the pointer rests: every move starts the wait again.
  frame.addEventListener('pointermove', (ev) => {
    if (hintFor || !hintTimer || !hintPending) return;
    hintPos = {x: ev.clientX, y: ev.clientY};
    clearTimeout(hintTimer);
    const p = hintPending;
    hintTimer = setTimeout(() => showHint(p.rec), p.wait);
  });

  function showHint(rec) {
    hintTimer = 0;
    hintPending = null;
    if (!rec.hint || press) return;
    hintFor = rec;
    hintEl.textContent = rec.hint;
    hintEl.classList.remove('hidden');
    let x = hintPos.x + 2;
    let y = hintPos.y + 16;
    const w = hintEl.offsetWidth;
    const h = hintEl.offsetHeight;
    const W = document.documentElement.clientWidth;
    const H = document.documentElement.clientHeight;
    if (x + w > W) x = Math.max(0, W - w);
    if (y + h > H) y = Math.max(0, hintPos.y - h - 4);
    hintEl.style.left = x + 'px';
    hintEl.style.top = y + 'px';
    clearTimeout(hintHideTimer);
    hintHideTimer = setTimeout(hideHint, hintTimings().hidePause);
  }

  function leaveHint(rec) {
    clearTimeout(hintTimer);
    hintTimer = 0;
    if (hintFor === rec) {
      hideHint();
      hintShownAt = performance.now();
    }
  }

  function hideHint() {
    clearTimeout(hintTimer);
    clearTimeout(hintHideTimer);
    hintTimer = 0;
    hintFor = null;
    hintEl.classList.add('hidden');
  }

  // ---------------------------------------------------------------------------
  // Dialogs in the game's look, over the frame

  function dialogBox(caption, width, height) {
    const modal = el('div', 'modal', frame);
    const titleH = 18;
    const left = Math.round((DESIGN_W - width) / 2);
    const top = Math.round((DESIGN_H - (height + titleH)) / 2) + titleH;
    const title = el('div', 'titlebar', modal);
    title.style.left = (left - 1) + 'px';
    title.style.width = (width + 2) + 'px';
    title.style.top = (top - titleH - 1) + 'px';
    title.textContent = caption;
    const box = el('div', 'dialogframe', modal);
    box.style.left = left + 'px';
    box.style.top = top + 'px';
    box.style.width = width + 'px';
    box.style.height = height + 'px';
    box.style.borderTop = 'none';
    return {modal, box};
  }

  function dialogButton(parent, text, left, top, onClick) {
    const b = el('button', 'c button', parent);
    b.type = 'button';
    b.style.left = left + 'px';
    b.style.top = top + 'px';
    b.style.width = '73px';
    b.style.height = '21px';
    applyFont(b, {px: 11, bold: false});
    b.style.lineHeight = centredLineHeight(21, 11, 1) + 'px';
    b.textContent = text;
    b.addEventListener('click', (ev) => {
      if (ev.button !== 0) return;
      onClick();
    });
    return b;
  }

  // A box with a text and buttons; resolves with the index of the button.
  function pageBox(caption, text, buttons) {
    return new Promise((resolve) => {
      const font = {px: 13, bold: false};
      const lines = captionText(text).split('\n');
      let widest = 0;
      for (const l of lines) widest = Math.max(widest, textWidth(l, font));
      const bw = buttons.length * 73 + (buttons.length - 1) * 8;
      const width = Math.min(DESIGN_W - 40, Math.max(200, Math.ceil(widest) + 32, bw + 32));
      const textLines = lines.reduce((n, l) => n + Math.max(1, Math.ceil(textWidth(l, font) / (width - 32))), 0);
      const height = 16 + textLines * 15 + 16 + 21 + 12;
      const {modal, box} = dialogBox(caption, width, height);
      modal.dataset.dialog = 'box';
      const t = el('div', 'dialogtext', box);
      t.style.left = '16px';
      t.style.top = '14px';
      t.style.width = (width - 32) + 'px';
      t.textContent = captionText(text);
      const y = height - 21 - 12;
      let x = Math.round((width - bw) / 2);
      const els = buttons.map((label, i) => {
        const b = dialogButton(box, label, x, y, () => {
          modal.remove();
          resolve(i);
        });
        x += 81;
        return b;
      });
      modal.addEventListener('keydown', (ev) => {
        if (ev.key === 'Escape' && buttons.length > 1) {
          ev.preventDefault();
          modal.remove();
          resolve(buttons.length - 1);
        }
      });
      els[0].focus();
    });
  }

  function showMessageBox(text, caption) {
    pageBox(caption || 'Agarhold', text, ['OK']).then(() => {
      queueEvent({type: 'dialog', ok: true, text: ''});
    });
  }

  function showInputBox(caption, prompt, value) {
    const font = {px: 13, bold: false};
    const width = Math.min(DESIGN_W - 40, Math.max(260, Math.ceil(textWidth(prompt, font)) + 32));
    const height = 112;
    const {modal, box} = dialogBox(caption, width, height);
    modal.dataset.dialog = 'input';
    const t = el('div', 'dialogtext', box);
    t.style.left = '16px';
    t.style.top = '12px';
    t.style.width = (width - 32) + 'px';
    t.textContent = captionText(prompt);
    const input = el('input', 'dialogedit', box);
    input.type = 'text';
    input.style.left = '16px';
    input.style.top = '40px';
    input.style.width = (width - 32) + 'px';
    input.style.height = '19px';
    applyFont(input, font);
    input.value = value;
    const finish = (ok) => {
      const text = input.value;
      modal.remove();
      queueEvent({type: 'dialog', ok, text: ok ? text : ''});
    };
    const bx = width - 16 - 73 - 8 - 73;
    dialogButton(box, 'OK', bx, height - 33, () => finish(true));
    dialogButton(box, 'Cancel', bx + 81, height - 33, () => finish(false));
    modal.addEventListener('keydown', (ev) => {
      if (ev.key === 'Enter') {
        ev.preventDefault();
        finish(true);
      } else if (ev.key === 'Escape') {
        ev.preventDefault();
        finish(false);
      }
    });
    input.focus();
    input.select();
  }

  // The name dialog TForm2, as its layout says, centred on the frame.
  function showNameDialog(text) {
    const d = (layout && layout.dialog) || {};
    const width = Number(pick(d, ['width', 'clientWidth'], 215));
    const height = Number(pick(d, ['height', 'clientHeight'], 84));
    const {modal, box} = dialogBox(pick(d, ['caption', 'title'], 'Player Name'), width, height);
    modal.dataset.dialog = 'name';
    box.dataset.component = pick(d, ['name'], 'Form2');
    box.style.background = colour(pick(d, ['color', 'colour', 'background']), '#00005E');
    box.style.border = 'none';
    box.style.boxShadow = '0 0 0 1px #808080';
    const parts = pick(d, ['components'], null) || (layout.components || []).filter((c) => c.parent === 'Form2');
    let edit = null;
    let ok = null;
    const finish = () => {
      const value = edit ? edit.value : '';
      unlockAudio();
      modal.remove();
      focusFrame();
      queueEvent({type: 'dialog', ok: true, text: value});
    };
    for (const c of parts) {
      if (c.kind === 'edit') {
        edit = el('input', 'dialogedit', box);
        edit.type = 'text';
        edit.dataset.component = c.name;
        place(edit, c);
        applyFont(edit, fontOf(c));
        edit.style.lineHeight = lineHeight(fontOf(c).px) + 'px';
        if (typeof c.color === 'string') edit.style.background = c.color;
        if (typeof c.textColor === 'string') edit.style.color = c.textColor;
        const maxTyped = Number(pick(c, ['maxLength'], 20));
        edit.value = text;
        edit.maxLength = Math.max(maxTyped, text.length);
        edit.spellcheck = false;
        edit.autocomplete = 'off';
        edit.addEventListener('input', () => {
          const firstLine = edit.value.split(/[\r\n]/)[0];
          if (firstLine !== edit.value) edit.value = firstLine;
          edit.maxLength = Math.max(maxTyped, Math.min(edit.maxLength, edit.value.length));
        });
      } else if (c.kind === 'button') {
        ok = el('button', 'c button', box);
        ok.type = 'button';
        ok.dataset.component = 'Form2.' + c.name;
        place(ok, c);
        applyFont(ok, fontOf(c));
        styleButton(ok, c);
        ok.style.lineHeight = centredLineHeight(c.height, fontOf(c).px, 1) + 'px';
        ok.addEventListener('click', (ev) => {
          if (ev.button === 0) finish();
        });
      } else {
        const l = el('div', 'c label', box);
        l.dataset.component = 'Form2.' + c.name;
        l.style.left = c.left + 'px';
        l.style.top = c.top + 'px';
        applyFont(l, fontOf(c));
        l.style.color = colour(pick(c, ['color', 'colour']), '#FFFFFF');
        l.textContent = pick(c, ['text', 'caption'], '');
      }
    }
    modal.addEventListener('keydown', (ev) => {
      // Enter is the dialog's default button; there is no cancel.
      if (ev.key === 'Enter') {
        ev.preventDefault();
        finish();
      } else if (ev.key === 'Escape') {
        ev.preventDefault();
      }
    });
    if (edit) {
      edit.focus();
      edit.select();
    } else if (ok) {
      ok.focus();
    }
  }

  // Back from the dialog, the main window gives the keyboard to its first
  // component that takes it (the slider), as the desktop's window does.
  function focusFrame() {
    if (frame.contains(document.activeElement)) return;
    for (const e of frame.querySelectorAll('[tabindex]')) {
      e.focus({preventScroll: true});
      if (document.activeElement === e) return;
    }
  }

  // ---------------------------------------------------------------------------
  // Sound: the game's wave files through Web Audio, one at a time

  const audio = {ctx: null, files: new Map(), buffers: new Map(), source: null};

  for (const url of new Set(SOUND_FILES.flat().filter(Boolean))) {
    audio.files.set(url, fetch(url).then((r) => {
      if (!r.ok) throw new Error(url + ': ' + r.status);
      return r.arrayBuffer();
    }).catch(() => null));
  }

  // A RIFF WAVE file's PCM as an AudioBuffer; chunks it does not know are
  // skipped. Null when it holds no plain PCM.
  function waveBuffer(ctx, bytes) {
    const v = new DataView(bytes);
    const tag = (o) => String.fromCharCode(v.getUint8(o), v.getUint8(o + 1), v.getUint8(o + 2), v.getUint8(o + 3));
    if (bytes.byteLength < 12 || tag(0) !== 'RIFF' || tag(8) !== 'WAVE') return null;
    let fmt = null;
    let data = null;
    let o = 12;
    while (o + 8 <= bytes.byteLength) {
      const id = tag(o);
      const size = v.getUint32(o + 4, true);
      const body = o + 8;
      const end = Math.min(bytes.byteLength, body + size);
      if (id === 'fmt ' && size >= 16) {
        fmt = {format: v.getUint16(body, true), channels: v.getUint16(body + 2, true),
               rate: v.getUint32(body + 4, true), bits: v.getUint16(body + 14, true)};
      } else if (id === 'data') {
        data = {offset: body, length: end - body};
      }
      o = body + size + (size & 1);
    }
    if (!fmt || !data || fmt.format !== 1 || !fmt.channels || (fmt.bits !== 8 && fmt.bits !== 16)) return null;
    const frameBytes = fmt.channels * fmt.bits / 8;
    const frames = Math.floor(data.length / frameBytes);
    if (frames < 1) return null;
    const buf = ctx.createBuffer(fmt.channels, frames, fmt.rate);
    for (let ch = 0; ch < fmt.channels; ++ch) {
      const out = buf.getChannelData(ch);
      let p = data.offset + ch * fmt.bits / 8;
      if (fmt.bits === 16) {
        for (let i = 0; i < frames; ++i, p += frameBytes) out[i] = v.getInt16(p, true) / 32768;
      } else {
        for (let i = 0; i < frames; ++i, p += frameBytes) out[i] = (v.getUint8(p) - 128) / 128;
      }
    }
    return buf;
  }

  function decodeSounds() {
    const ctx = audio.ctx;
    for (const [url, pending] of audio.files) {
      pending.then((bytes) => {
        if (!bytes) return;
        const own = waveBuffer(ctx, bytes);
        if (own) {
          audio.buffers.set(url, own);
          return;
        }
        ctx.decodeAudioData(bytes.slice(0)).then((b) => audio.buffers.set(url, b), () => {});
      });
    }
  }

  // Called from the name dialog's OK: the player's click lets the page play.
  function unlockAudio() {
    const AC = window.AudioContext || window.webkitAudioContext;
    if (!AC) return;
    try {
      if (!audio.ctx) {
        audio.ctx = new AC({latencyHint: 'interactive'});
        decodeSounds();
      }
      if (audio.ctx.state !== 'running') audio.ctx.resume().catch(() => {});
      releaseAudioLater();
    } catch (e) {
      audio.ctx = null;
    }
  }

  // A running context keeps the browser's audio threads busy even in
  // silence, so the device is let go once nothing has played for a while
  // (the title and the menus make no sound). A press takes it back at once,
  // and a sound started meanwhile begins as soon as it is back.
  const AUDIO_IDLE_MS = 5000;
  let audioIdleTimer = 0;

  function releaseAudioLater() {
    clearTimeout(audioIdleTimer);
    audioIdleTimer = setTimeout(() => {
      if (audio.ctx && !audio.source && audio.ctx.state === 'running') audio.ctx.suspend().catch(() => {});
    }, AUDIO_IDLE_MS);
  }

  function takeAudioBack() {
    if (audio.ctx && audio.ctx.state === 'suspended') audio.ctx.resume().catch(() => {});
    if (!audio.source) releaseAudioLater();
  }

  // Where the audio clock and the page's clock meet, for measuring.
  function outputTimestamp() {
    if (!audio.ctx || typeof audio.ctx.getOutputTimestamp !== 'function') return null;
    const t = audio.ctx.getOutputTimestamp();
    return {contextTime: t.contextTime, performanceTime: t.performanceTime};
  }

  function playSound(list, index) {
    const files = SOUND_FILES[list];
    const url = files ? files[index] : null;
    if (audio.source) {
      try { audio.source.stop(); } catch (e) { /* ended already */ }
      audio.source = null;
    }
    if (!url || !audio.ctx) return;
    const buf = audio.buffers.get(url);
    if (!buf) return;
    const src = audio.ctx.createBufferSource();
    src.buffer = buf;
    src.connect(audio.ctx.destination);
    src.start(0);
    audio.source = src;
    takeAudioBack();
    src.onended = () => {
      if (audio.source === src) audio.source = null;
      if (!audio.source) releaseAudioLater();
    };
    debug.lastSound = {list, index, contextTime: audio.ctx.currentTime, performanceTime: performance.now(),
                       outputLatency: audio.ctx.outputLatency || 0, baseLatency: audio.ctx.baseLatency || 0,
                       output: outputTimestamp()};
  }

  // ---------------------------------------------------------------------------
  // Saved files in the browser's storage, byte for byte (base64)

  function bytesToBase64(u8) {
    let s = '';
    for (let i = 0; i < u8.length; i += 0x8000) s += String.fromCharCode.apply(null, u8.subarray(i, i + 0x8000));
    return btoa(s);
  }

  function base64ToBytes(b64) {
    const s = atob(b64);
    const u8 = new Uint8Array(s.length);
    for (let i = 0; i < s.length; ++i) u8[i] = s.charCodeAt(i);
    return u8;
  }

  function messageOf(e) {
    return e && typeof e.message === 'string' && e.message ? e.message : String(e);
  }

  function storageRead(name) {
    let text;
    try {
      text = window.localStorage.getItem(STORAGE_PREFIX + name);
    } catch (e) {
      throw new Error(messageOf(e));
    }
    if (text == null) return null;
    try {
      return base64ToBytes(text);
    } catch (e) {
      throw new Error(messageOf(e));
    }
  }

  // fromModule: the game saved it (not a file the player loaded).
  function storageWrite(name, u8, fromModule) {
    try {
      const key = STORAGE_PREFIX + name;
      const previous = window.localStorage.getItem(key);
      const text = bytesToBase64(u8);
      window.localStorage.setItem(key, text);
      if (fromModule) saves.written(name, previous, text);
      return null;
    } catch (e) {
      return messageOf(e);
    }
  }

  // ---------------------------------------------------------------------------
  // Moving the saved files between the desktop and the browser

  function download(name) {
    let bytes;
    try {
      bytes = storageRead(name);
    } catch (e) {
      pageBox('Agarhold', messageOf(e), ['OK']);
      return;
    }
    if (!bytes) {
      pageBox('Agarhold', 'There is no ' + name + ' in this browser yet.', ['OK']);
      return;
    }
    const url = URL.createObjectURL(new Blob([bytes], {type: 'application/octet-stream'}));
    const a = document.createElement('a');
    a.href = url;
    a.download = name;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 10000);
  }

  // A file the player chose replaces a stored one only when saves.js finds
  // it sound, and only after the player confirms.
  function loadFile(file) {
    globalThis.AgarholdSaves.readChosen(file).then((chosen) => {
      if (chosen.problem) {
        pageBox('Agarhold', chosen.problem + '\nNothing was changed.', ['OK']);
        return;
      }
      const kind = chosen.kind;
      pageBox('Agarhold', 'Replace ' + kind + ' with "' + file.name + '" and start the game again?',
              ['OK', 'Cancel']).then((answer) => {
        if (answer !== 0) return;
        const error = storageWrite(kind, chosen.bytes);
        if (error) {
          pageBox('Agarhold', error, ['OK']);
          return;
        }
        reloading = true;
        location.reload();
      });
    });
  }

  // Results saved, other tabs' results heard (saves.js).
  const saves = globalThis.AgarholdSaves.attach({prefix: STORAGE_PREFIX, queueEvent, download});

  document.getElementById('downloadScores').addEventListener('click', () => download('S.hs'));
  document.getElementById('downloadName').addEventListener('click', () => download('Pl.nam'));
  const loadInput = document.getElementById('loadFile');
  loadInput.accept = '.hs,.nam';
  loadInput.addEventListener('change', () => {
    const f = loadInput.files && loadInput.files[0];
    loadInput.value = '';
    if (f) loadFile(f);
  });

  // ---------------------------------------------------------------------------
  // The end of the game

  function showEnded() {
    moduleExited = true;
    closeCombo();
    hideHint();
    if (audio.source) {
      try { audio.source.stop(); } catch (e) { /* ended already */ }
    }
    const box = el('div', '', document.body);
    box.id = 'ended';
    const text = el('div', '', box);
    text.textContent = 'Agarhold has ended.';
    const again = el('button', '', box);
    again.type = 'button';
    again.textContent = 'Play again';
    again.addEventListener('click', () => location.reload());
    again.focus();
  }

  window.addEventListener('pagehide', () => {
    if (moduleExited || reloading) return;
    // Woken at once: the tab may be gone before any later task runs.
    queue.push({type: 'pagehide'});
    wakeWaiter();
  });

  // ---------------------------------------------------------------------------
  // What the module calls

  globalThis.Agarhold = {
    nowMs() { return performance.now(); },
    localDays() {
      const d = new Date();
      const asUtc = Date.UTC(d.getFullYear(), d.getMonth(), d.getDate(), d.getHours(), d.getMinutes(),
                             d.getSeconds(), d.getMilliseconds());
      return (asUtc - Date.UTC(1899, 11, 30)) / 86400000;
    },
    waitForEvent(ms, wake) {
      if (waiter) wakeWaiter();
      waiter = wake;
      if (queue.length) {
        Promise.resolve().then(wakeWaiter);
        return;
      }
      if (ms >= 0) waitTimer = setTimeout(wakeWaiter, Math.min(ms, 0x7fffffff));
    },
    nextEvent() { return queue.length ? queue.shift() : null; },
    sync(jsonText) {
      let m;
      try {
        m = JSON.parse(jsonText);
      } catch (e) {
        return;
      }
      applySync(m);
    },
    board(u8) {
      if (u8.length < 102 * 103 * 4) return;
      if (!boardImage) boardImage = new ImageData(102, 103);
      boardImage.data.set(u8.subarray(0, 102 * 103 * 4));
      boardDirty = true;
      drawBoard();
    },
    stars(f32) {
      lastStars = f32;
      drawStars();
    },
    clock(f32) {
      lastClock = f32;
      drawClock();
    },
    messageBox(text, caption) { showMessageBox(text, caption); },
    inputBox(caption, prompt, value) { showInputBox(caption, prompt, value); },
    nameDialog(text) { showNameDialog(text); },
    playSound(list, index) { playSound(list, index); },
    storageRead(name) { return storageRead(name); },
    storageWrite(name, u8) { return storageWrite(name, u8, true); },
    ready() {
      statusLine.textContent = '';
      frame.dataset.ready = 'true';
      announceTitleDrawn();
    },
    exited() { showEnded(); },
  };

  // Once the title screen is on the screen (its pictures decoded, a frame
  // drawn after the module's first screen), offline.js hears of it: the
  // service worker's installation fetches the whole site, which would
  // otherwise compete with the title screen's own files.
  function announceTitleDrawn() {
    const pictures = Array.from(frame.querySelectorAll('img'), (img) => img.decode().catch(() => null));
    Promise.all(pictures).then(() => requestAnimationFrame(() => setTimeout(() => {
      window.dispatchEvent(new Event('agarhold:titledrawn'));
    }, 0)));
  }

  // For tests: what the page queued and heard, read only.
  Object.defineProperty(window, 'AgarholdDebug', {
    value: Object.freeze({
      get queueLength() { return queue.length; },
      get lastSound() { return debug.lastSound ? Object.assign({}, debug.lastSound) : null; },
      get lastDrop() { return debug.lastDrop ? Object.assign({}, debug.lastDrop) : null; },
      get audioTime() { return audio.ctx ? audio.ctx.currentTime : null; },
      get audioState() { return audio.ctx ? audio.ctx.state : 'none'; },
      get scale() { return scale; },
      toDesign(x, y) { return toDesign(x, y); },
    }),
  });

  // ---------------------------------------------------------------------------
  // Start: fonts and layout first, then the frame, then the module

  function build() {
    const form = layout.form || {};
    frame.style.width = pick(form, ['width'], DESIGN_W) + 'px';
    frame.style.height = pick(form, ['height'], DESIGN_H) + 'px';
    for (const c of layout.components || []) {
      if (c.parent === 'Form2' || c.parent === (layout.dialog && layout.dialog.name)) continue;
      const parent = c.parent === 'Form1' ? null : comps.get(c.parent);
      if (c.parent !== 'Form1' && !parent) continue;
      const rec = buildComponent(c, parent ? parent.el : frame);
      comps.set(c.name, rec);
    }
    findCoverPanels();
  }

  function loadModule() {
    const s = document.createElement('script');
    s.src = 'agarhold.js';
    s.async = true;
    s.addEventListener('error', () => { statusLine.textContent = 'The game module could not be loaded.'; });
    document.body.appendChild(s);
  }

  window.Module = window.Module || {};
  window.Module.onAbort = (what) => { statusLine.textContent = 'The game stopped: ' + what; };
  // The glue's own loading (fetch, then compile) replaced by the module
  // compiled since the page started. Emscripten 3.1.6 and 3.1.69 both call
  // this with the imports and a callback taking (instance, module), and take
  // the empty object returned now as "the exports come later".
  window.Module.instantiateWasm = (imports, receive) => {
    compiledModule.then((module) => WebAssembly.instantiate(module, imports).then((instance) => [instance, module]))
      .then(([instance, module]) => receive(instance, module),
            (e) => { statusLine.textContent = 'The game module could not be loaded: ' + messageOf(e); });
    return {};
  };

  const fontsReady = document.fonts
    ? Promise.all([document.fonts.load('400 13px "Agarhold Sans"'), document.fonts.load('700 13px "Agarhold Sans"')])
        .catch(() => null)
    : Promise.resolve();

  statusLine.textContent = 'Loading…';
  Promise.all([fetch('layout.json').then((r) => {
    if (!r.ok) throw new Error('layout.json: ' + r.status);
    return r.json();
  }), fontsReady]).then(([l]) => {
    layout = l;
    build();
    fit();
    window.addEventListener('resize', fit);
    const watchRatio = () => {
      const mq = window.matchMedia('(resolution: ' + (window.devicePixelRatio || 1) + 'dppx)');
      mq.addEventListener('change', () => {
        fit();
        watchRatio();
      }, {once: true});
    };
    if (window.matchMedia) watchRatio();
    loadModule();
  }).catch((e) => {
    statusLine.textContent = 'Agarhold could not start: ' + messageOf(e);
  });
})();
