// Each screen the page shows compared with the desktop's offscreen grab of the
// same state (agarhold_screens --web): pixels outside texts exactly equal,
// each text's inked box within 2 px of the desktop's.
//
// Left out of the exact comparison, for reasons of their own:
// - the star field: its stars move with the frame clock, so their places in a
//   grab are chance. The page's field is cleared for the picture; where no
//   other component covers the field, a desktop pixel may be a star there
//   while the page's is black.
// - the analog clock: its hands show the time of day.
// - translucent sprites over the star field (the start and high-score
//   buttons): the browser blends them with what lies beneath in its own
//   rounding, up to 2 levels from Qt's, and a desktop star may shine through
//   them. Sprites over a known backdrop are blended by the page itself and
//   compared exactly.
// - the slider's step marks, only where this machine's Qt places the slider's
//   groove and handle elsewhere than the committed layout (Qt 6.8 against
//   6.4): that style also paints the marks gray whatever the focus, where the
//   page paints them as the committed layout's Qt does.
// The page is given the layout this machine's Qt writes, so that it draws the
// slider where the grabs have it.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { serve } from './lib/server.mjs';
import { browserNames, launch, waitFor } from './lib/browsers.mjs';
import { SITE, DESKTOP_SCREENS, DESKTOP_LAYOUT } from './lib/env.mjs';
import { compare, textMismatches } from './lib/pixels.mjs';
import { openGame, answerNameDialog, clickComponent, waitForModel, pageBoxText, pressPageBoxButton } from './lib/game.mjs';

// Big enough that the frame is drawn at scale 1 with the file buttons below.
const VIEW = { width: 747, height: 720 };

async function loadAndRestart(page, file) {
  await (await page.$('#loadFile')).uploadFile(file);
  await waitFor(page, () => document.querySelector('[data-dialog="box"]'), null, 'the replace question');
  assert.match(await pageBoxText(page), /^Replace /);
  const navigation = page.waitForNavigation();
  await pressPageBoxButton(page, 'OK');
  await navigation;
}

// The slider's boxes the widget style gives (groove and handle), as JSON.
const STYLE_BOXES = ['groove', 'handle', 'handleAtMin', 'handleAtMax'];
function sliderStyle(layoutText) {
  const slider = JSON.parse(layoutText).components.find((c) => c.kind === 'slider');
  return JSON.stringify(STYLE_BOXES.map((k) => slider[k]));
}
const committedLayout = fs.readFileSync(path.join(SITE, 'layout.json'), 'utf8');
const machineLayout = fs.existsSync(DESKTOP_LAYOUT) ? fs.readFileSync(DESKTOP_LAYOUT, 'utf8') : committedLayout;
const maskStepMarks = sliderStyle(machineLayout) !== sliderStyle(committedLayout);

// The regions of the element `root` (the frame or the dialog): every text the
// page draws (an element's own text, or an input's value) and the masks.
async function regions(page, root) {
  return page.evaluate((rootSel, maskStepMarks) => {
    const rootEl = document.querySelector(rootSel);
    const o = rootEl.getBoundingClientRect();
    const rect = (e) => {
      const r = e.getBoundingClientRect();
      return { x: Math.round(r.left - o.left), y: Math.round(r.top - o.top),
               w: Math.round(r.width), h: Math.round(r.height) };
    };
    const shown = (e) => e.getClientRects().length > 0 && getComputedStyle(e).visibility !== 'hidden';
    const nameOf = (e) => {
      const c = e.closest('[data-component]');
      return (c ? c.dataset.component : '?') + (e.classList.contains('cell') ? ` cell "${e.textContent}"` : '');
    };
    const texts = [];
    for (const e of rootEl.querySelectorAll('*')) {
      if (!shown(e)) continue;
      const own = Array.from(e.childNodes).some((n) => n.nodeType === Node.TEXT_NODE && n.textContent.trim());
      // Glyphs may stand out of their element's box by a pixel or two, but
      // not out of a grid's cell: it clips its text at its edges, as the
      // desktop's grid does, so a long name ends where the next cell begins.
      if (own || (e.tagName === 'INPUT' && e.value)) {
        const r = rect(e);
        const m = e.classList.contains('cell') ? 0 : 2;
        texts.push({ name: nameOf(e), x: r.x - m, y: r.y - m, w: r.w + 2 * m, h: r.h + 2 * m });
      }
    }
    // Every component shown, in document order (parents before children,
    // back to front), to name where differing pixels lie.
    const components = [];
    for (const e of rootEl.querySelectorAll('[data-component]'))
      if (shown(e)) components.push({ name: e.dataset.component, translucent: Number(getComputedStyle(e).opacity) < 1, ...rect(e) });
    const masks = [];
    const clock = rootEl.querySelector('[data-component="RxClock1"]');
    if (clock && shown(clock)) masks.push({ name: 'RxClock1', why: 'the time of day', ...rect(clock) });
    // The marks lie in rows 15 to 21 of the slider's track.
    const track = rootEl.querySelector('[data-component="RxSlider1Track"]');
    if (maskStepMarks && track && shown(track)) {
      const r = rect(track);
      masks.push({ name: 'RxSlider1Track', why: "another Qt's step marks", ...r, y: r.y + 15, h: 7 });
    }
    return { texts, masks, components };
  }, root, maskStepMarks);
}

// The page's picture of `root` with and without its texts. The texts are
// hidden by a style sheet made in script (adopted, as the page's content
// security policy allows no inline style element).
async function shoot(page, root) {
  const el = await page.$(root);
  const web = await el.screenshot({ type: 'png' });
  await page.evaluate((r) => {
    const sheet = new CSSStyleSheet();
    sheet.replaceSync(`${r} *, ${r} *::selection { color: transparent !important;
      text-shadow: none !important; caret-color: transparent !important; }
      ${r} *::selection { background: transparent !important; }`);
    window.agarholdBareSheet = sheet;
    document.adoptedStyleSheets = [...document.adoptedStyleSheets, sheet];
  }, root);
  const bare = await el.screenshot({ type: 'png' });
  await page.evaluate(() => {
    document.adoptedStyleSheets = document.adoptedStyleSheets.filter((x) => x !== window.agarholdBareSheet);
  });
  return { web, bare };
}

// The star field: cleared in the page; its uncovered area may show the
// desktop's stars where the page is black.
async function clearStars(page) {
  await page.evaluate(() => {
    const original = globalThis.Agarhold.stars;
    globalThis.Agarhold.stars = () => {};
    original.call(globalThis.Agarhold, new Float32Array(0));
  });
}

async function starField(page) {
  return page.evaluate(() => {
    const f = document.querySelector('[data-component="NcaStar1"]');
    if (!f || f.getClientRects().length === 0) return null;
    const o = document.querySelector('#Form1').getBoundingClientRect();
    const r = f.getBoundingClientRect();
    // What lies above the field: the components after it in document order
    // that overlap it (siblings and their children, stacked over it).
    const covers = [];
    const all = Array.from(document.querySelectorAll('#Form1 [data-component]'));
    for (const e of all.slice(all.indexOf(f) + 1)) {
      if (f.contains(e) || e.getClientRects().length === 0) continue;
      // A text on a clear background lets the stars show around its glyphs.
      const clear = !['CANVAS', 'IMG'].includes(e.tagName) && getComputedStyle(e).backgroundColor === 'rgba(0, 0, 0, 0)';
      if (clear) continue;
      const c = e.getBoundingClientRect();
      if (c.right <= r.left || c.left >= r.right || c.bottom <= r.top || c.top >= r.bottom) continue;
      covers.push({ x: Math.round(c.left - o.left), y: Math.round(c.top - o.top),
                    w: Math.round(c.width), h: Math.round(c.height) });
    }
    return { x: Math.round(r.left - o.left), y: Math.round(r.top - o.top),
             w: Math.round(r.width), h: Math.round(r.height), covers };
  });
}

async function check(page, root, grab, stars) {
  const desktop = fs.readFileSync(path.join(DESKTOP_SCREENS, grab));
  // The pointer away from the frame: no highlight, no hint.
  await page.mouse.move(VIEW.width - 1, VIEW.height - 1);
  await waitFor(page, () => document.querySelector('#hint')?.classList.contains('hidden') ?? true, null, 'no hint');
  const { web, bare } = await shoot(page, root);
  const r = await regions(page, root);
  const result = await compare(page, desktop, web, bare, { ...r, stars });
  // What was compared stays for a look: the page's picture and the
  // differences (AGARHOLD_WEB_SHOTS, or web-shots beside the site).
  const shots = process.env.AGARHOLD_WEB_SHOTS || path.join(SITE, '..', 'web-shots');
  fs.mkdirSync(shots, { recursive: true });
  fs.writeFileSync(path.join(shots, `${page.browserName}-${grab}`), web);
  if (result.picture)
    fs.writeFileSync(path.join(shots, `${page.browserName}-diff-${grab}`), Buffer.from(result.picture, 'base64'));
  if (result.size) return [`${grab}: sizes differ ${JSON.stringify(result.size)}`];
  const faults = [];
  if (result.differing)
    faults.push(`${grab}: ${result.differing} pixels differ outside texts, within ${JSON.stringify(result.box)}:\n` +
                Object.entries(result.byComponent).map(([c, v]) => `  ${c}: ${v.count} pixels, e.g. ${v.sample}`).join('\n'));
  for (const t of textMismatches(result.texts))
    faults.push(`${grab}: text of ${t.name}: inked box desktop ${JSON.stringify(t.desktop)} page ${JSON.stringify(t.web)}`);
  if (!result.texts.some((t) => t.web)) faults.push(`${grab}: no text found`);
  return faults;
}

// Counts, over `frames` frames of the running title screen, the star field's
// pixels that differ from a whole redraw of the same streaks (sky, then each
// streak 1 px wide with round caps, in star order) on a canvas of its size.
async function starFrames(page, frames, field) {
  await page.evaluate((n, f) => {
    const check = { frames: 0, differing: 0, lit: 0 };
    window.starCheck = check;
    const canvas = document.querySelector('[data-component="NcaStar1"]');
    const whole = document.createElement('canvas');
    const drawn = globalThis.Agarhold.stars;
    globalThis.Agarhold.stars = function (s) {
      drawn.call(this, s);
      if (check.frames >= n) return;
      whole.width = canvas.width;
      whole.height = canvas.height;
      const g = whole.getContext('2d');
      g.fillStyle = '#000';
      g.fillRect(0, 0, whole.width, whole.height);
      g.setTransform(whole.width / f.width, 0, 0, whole.height / f.height, 0, 0);
      g.lineWidth = 1;
      g.lineCap = 'round';
      for (let i = 0; i + 6 < s.length; i += 7) {
        g.strokeStyle = `rgb(${s[i + 4] | 0},${s[i + 5] | 0},${s[i + 6] | 0})`;
        g.beginPath();
        g.moveTo(s[i], s[i + 1]);
        g.lineTo(s[i + 2], s[i + 3]);
        g.stroke();
      }
      const a = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      const b = g.getImageData(0, 0, whole.width, whole.height).data;
      for (let i = 0; i < a.length; i += 4) {
        if (a[i] !== b[i] || a[i + 1] !== b[i + 1] || a[i + 2] !== b[i + 2] || a[i + 3] !== b[i + 3]) ++check.differing;
        if (b[i] || b[i + 1] || b[i + 2]) ++check.lit;
      }
      ++check.frames;
    };
  }, frames, field);
  await waitFor(page, (n) => window.starCheck.frames >= n, frames, `${frames} star frames`);
  return page.evaluate(() => window.starCheck);
}

describe('screens against the desktop', () => {
  let srv;
  before(async () => { srv = await serve(SITE, { '/layout.json': { type: 'application/json', body: machineLayout } }); });
  after(() => srv?.close());

  for (const name of browserNames()) {
    test(`${name}: name dialog, title screen, statistics, chooser`, async () => {
      const b = await launch(name);
      const faults = [];
      try {
        const game = await openGame(b, srv.url, {});
        game.browserName = name;
        await game.setViewport({ ...VIEW, deviceScaleFactor: 1 });
        await loadAndRestart(game, path.join(DESKTOP_SCREENS, 'S.hs'));
        await answerNameDialog(game);
        await loadAndRestart(game, path.join(DESKTOP_SCREENS, 'Pl.nam'));
        await waitFor(game, () => document.querySelector('[data-dialog="name"] input')?.value === 'Hollowbrine',
                      null, 'the name dialog with the loaded name');
        assert.equal(await game.evaluate(() => window.AgarholdDebug.scale), 1);
        faults.push(...await check(game, '[data-dialog="name"] [data-component="Form2"]', 'name_dialog.png', null));
        await answerNameDialog(game);

        await clearStars(game);
        faults.push(...await check(game, '#Form1', 'title.png', await starField(game)));

        await clickComponent(game, 'DIBImage9');
        await waitForModel(game, (m) => m.panels.dxContainer3.visible, null, 'the statistics panel');
        faults.push(...await check(game, '#Form1', 'statistics.png', await starField(game)));
        await clickComponent(game, 'dxButton2');
        await waitForModel(game, (m) => !m.panels.dxContainer3.visible, null, 'the statistics panel closed');

        await clickComponent(game, 'DIBImage2');
        await waitForModel(game, (m) => m.panels.DIBContainer3?.visible ?? true, null, 'the chooser');
        faults.push(...await check(game, '#Form1', 'chooser.png', null));
        assert.deepEqual(faults, [], faults.join('\n'));
      } finally {
        await b.close();
      }
    });

    test(`${name}: the star field redrawn where it changed equals the whole field redrawn`, async () => {
      const layout = JSON.parse(fs.readFileSync(path.join(SITE, 'layout.json'), 'utf8'));
      const field = layout.components.find((c) => c.kind === 'stars');
      const b = await launch(name);
      try {
        const game = await openGame(b, srv.url, { name: 'Hollowbrine' });
        // At one device pixel a pixel, then at a scale that is not whole.
        for (const view of [{ width: 747, height: 543, deviceScaleFactor: 1 },
                            { width: 1013, height: 700, deviceScaleFactor: 1.5 }]) {
          await game.setViewport(view);
          const check = await starFrames(game, 60, field);
          assert.equal(check.differing, 0, `pixels differing at ${JSON.stringify(view)}`);
          assert.ok(check.lit > 0, 'stars were drawn');
        }
      } finally {
        await b.close();
      }
    });
  }
});
