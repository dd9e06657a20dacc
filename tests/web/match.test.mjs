// A whole single game played with real pointer drags from the tubes onto the
// magnified board, at the fastest speed against the weakest computer, to its
// result; a win's highscore is then in the browser's storage in the desktop's
// 2808-byte layout.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { serve } from './lib/server.mjs';
import { browserNames, launch, waitFor } from './lib/browsers.mjs';
import { SITE } from './lib/env.mjs';
import { openGame, boxOf, clickComponent, clickUntil, fastestSpeed, settled, waitForModel, model } from './lib/game.mjs';

const TUBES = ['Bac1_1', 'bac1_2', 'bac1_3', 'bac1_4', 'bac1_5'];

const stored = async (page) => Buffer.from(await page.evaluate(() => {
  const t = localStorage.getItem('agarhold/S.hs');
  return t == null ? [] : Array.from(atob(t), (c) => c.charCodeAt(0));
}));

// One drop: the tube is dragged over the board along row y from the left; it
// is released at the first place the game accepts (the cross cursor), as far
// toward the computer's home line as the colony allows.
async function drop(page, tube, y) {
  const a = await boxOf(page, tube);
  const m = await boxOf(page, 'DIBMagnifier1');
  const k = m.width / 408;
  await page.mouse.move(a.x + a.width / 2, a.y + a.height / 2);
  await page.mouse.down();
  await page.mouse.move(a.x + a.width / 2 - 15, a.y + a.height / 2, { steps: 3 });
  let released = false;
  for (let x = 6; x < 408 && !released; x += 12) {
    await page.mouse.move(m.x + x * k, m.y + y * k, { steps: 2 });
    await settled(page);
    const mm = await model(page);
    if (mm.drag.accepted) {
      await page.mouse.up();
      released = true;
    }
  }
  if (!released) await page.mouse.up();
}

describe('a whole match', () => {
  let srv;
  before(async () => { srv = await serve(SITE); });
  after(() => srv?.close());

  for (const name of browserNames()) {
    test(`${name}: a single game against rating 1000 at the fastest speed, played to its result`, async () => {
      const b = await launch(name);
      try {
        const page = await openGame(b, srv.url, { name: 'Hollowbrine' });
        const before = await stored(page);
        assert.equal(before.length, 2808);
        await clickUntil(page, 'URLtransparantLabel1', 'Game mode : Best after 1 Game(s)');
        await clickUntil(page, 'URLtransparantLabel2', 'Set Rating : AI Rating = 1000');
        // Headless Firefox never lets the page's audio run; Chromium does. The
        // silent title lets the sound device go, and the match takes it back.
        const audible = name === 'chromium';
        if (audible) await waitFor(page, () => window.AgarholdDebug.audioState === 'suspended', null, 'the sound let go on the title');
        await clickComponent(page, 'DIBImage2');
        await waitForModel(page, (m) => m.panels.DIBContainer3.visible, null, 'the chooser');
        await clickComponent(page, 'dxButton1');
        await waitForModel(page, (m) => !m.panels.DIBContainer3.visible, null, 'the chooser closed');
        await fastestSpeed(page);
        await waitForModel(page, (m) => m.sprites.Bac1_1.enabled || ['You Won', 'Red Won'].includes(m.labels.RxLabel2.caption),
                           null, 'the match running', 120000);

        let drops = 0;
        let row = 0;
        const deadline = Date.now() + 15 * 60 * 1000;
        let result = null;
        while (!result && Date.now() < deadline) {
          const m = await model(page);
          if (m.labels.RxLabel2.visible && ['You Won', 'Red Won'].includes(m.labels.RxLabel2.caption)) {
            result = m.labels.RxLabel2.caption;
            break;
          }
          const ready = TUBES.filter((t) => m.sprites[t]?.enabled && m.sprites[t]?.visible);
          if (ready.length === 0) {
            await new Promise((r) => setTimeout(r, 100));
            continue;
          }
          // Rows spread over the board, a new one every drop.
          row = (row + 37) % 97;
          await drop(page, ready[0], 12 + row * 4);
          ++drops;
          if (audible && drops === 1) {
            await waitFor(page, () => window.AgarholdDebug.audioState === 'running' && window.AgarholdDebug.lastSound,
                          null, 'a sound in the match');
          }
          // A picture of the match under way at the design size, for a look
          // (data/ keeps one); then the window the match is played in again.
          if (drops === 6) {
            const shots = process.env.AGARHOLD_WEB_SHOTS || path.join(SITE, '..', 'web-shots');
            fs.mkdirSync(shots, { recursive: true });
            const view = page.viewport();
            await page.setViewport({ width: 747, height: 720, deviceScaleFactor: 1 });
            await (await page.$('#Form1')).screenshot({ path: path.join(shots, `${name}-match.png`) });
            await page.setViewport(view);
          }
        }
        assert.ok(result, 'the match ended');
        assert.ok(drops > 0, 'drops were made');
        if (result === 'You Won') {
          // The highscore dialog asks for a name; the entry is then stored.
          await waitFor(page, () => document.querySelector('[data-dialog="input"] input'), null, 'the highscore name');
          const input = await page.$('[data-dialog="input"] input');
          await input.click({ count: 3 });
          await input.type('Tester');
          await page.keyboard.press('Enter');
        }
        await waitForModel(page, (m) => m.panels.DIBContainer2.visible, null, 'the title screen again', 120000);
        const after = await stored(page);
        assert.equal(after.length, 2808);
        assert.equal(after.readInt32LE(2800), 1600, 'a single game leaves the rating');
        if (result === 'You Won') {
          // Table 1 (rating 1000), entry 1: "Tester", the seconds, today.
          assert.equal(after[0], 6);
          assert.equal(after.subarray(1, 7).toString('latin1'), 'Tester');
          const score = after.readInt32LE(24);
          assert.ok(score > 0 && score < 9999, `score ${score}`);
          const days = Date.now() / 86400000 + 25569;
          assert.ok(Math.abs(after.readDoubleLE(32) - days) < 1.1, 'the date is today');
          assert.deepEqual(after.subarray(400), before.subarray(400), 'other tables unchanged');
        } else {
          assert.deepEqual(after, before, 'a lost game changes no file');
        }
        console.log(`${name}: ${result} after ${drops} drops`);
      } finally {
        await b.close();
      }
    });
  }
});
