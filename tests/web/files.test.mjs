// The saved files in the browser: a highscore file loaded from disk and read
// back after reloads, the download and load round trip byte for byte, and
// damaged files refused with the stored ones unchanged.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { serve } from './lib/server.mjs';
import { browserNames, launch, waitFor } from './lib/browsers.mjs';
import { SITE, DESKTOP_SCREENS } from './lib/env.mjs';
import { openGame, answerNameDialog, clickComponent, waitForModel, model, pageBoxText, pressPageBoxButton } from './lib/game.mjs';

// The stored bytes of a saved file, or null.
const stored = (page, name) => page.evaluate((n) => {
  const t = localStorage.getItem('agarhold/' + n);
  return t == null ? null : Array.from(atob(t), (c) => c.charCodeAt(0));
}, name);

// Chooses `file` in the page's "Load a file" input.
async function chooseFile(page, file) {
  const input = await page.$('#loadFile');
  await input.uploadFile(file);
}

// Loads a file through the page and confirms; the page starts the game again.
async function loadAndRestart(page, file, name) {
  await chooseFile(page, file);
  await waitFor(page, () => document.querySelector('[data-dialog="box"]'), null, 'the replace question');
  assert.match(await pageBoxText(page), /^Replace /);
  const navigation = page.waitForNavigation();
  await pressPageBoxButton(page, 'OK');
  await navigation;
  await answerNameDialog(page, name);
}

// The statistics panel's rows as the page shows them, table by table as the
// model has them: [[name, score], ...] of entries 1..5 with a result.
async function shownResults(page) {
  await clickComponent(page, 'DIBImage9');
  await waitForModel(page, (m) => m.panels.dxContainer3.visible, null, 'the statistics panel');
  const m = await model(page);
  const text = await page.evaluate(() => document.querySelector('[data-component="dxContainer3"]').innerText);
  await clickComponent(page, 'dxButton2');
  await waitForModel(page, (m) => !m.panels.dxContainer3.visible, null, 'the statistics panel closed');
  return { scores: m.scores, text };
}

// Reads what a download of `name` (button `button`) delivers. Chromium saves it
// in the folder set through the DevTools protocol; Firefox in the profile's
// download folder its preferences name.
async function downloaded(b, page, button, name) {
  if (b.name === 'chromium') {
    const session = await page.createCDPSession();
    await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: b.downloads });
  }
  const file = path.join(b.downloads, name);
  fs.rmSync(file, { force: true });
  await page.click(`#${button}`);
  const limit = Date.now() + 60000;
  // A download is complete once the file has its final name and size holds.
  let last = -1;
  while (Date.now() < limit) {
    if (fs.existsSync(file)) {
      const size = fs.statSync(file).size;
      if (size === last && !fs.readdirSync(b.downloads).some((f) => /\.(part|crdownload)$/.test(f)))
        return fs.readFileSync(file);
      last = size;
    }
    await new Promise((r) => setTimeout(r, 200));
  }
  throw new Error(`${name} was not downloaded`);
}

describe('saved files', () => {
  let srv;
  let tmp;
  const prepared = path.join(DESKTOP_SCREENS, 'S.hs');
  before(async () => {
    srv = await serve(SITE);
    tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'agarhold-files-'));
  });
  after(async () => {
    await srv?.close();
    fs.rmSync(tmp, { recursive: true, force: true });
  });

  for (const name of browserNames()) {
    describe(name, () => {
      let b;
      before(async () => { b = await launch(name); });
      after(() => b?.close());

      test('a highscore file loaded from disk is in storage and shown after reloads', async () => {
        const page = await openGame(b, srv.url, { name: 'Hollowbrine' });
        // A first start writes the defaults: 2808 bytes, rating 1600.
        const first = Buffer.from(await stored(page, 'S.hs'));
        assert.equal(first.length, 2808);
        assert.equal(first.readInt32LE(2800), 1600);
        await loadAndRestart(page, prepared, 'Hollowbrine');
        assert.deepEqual(Buffer.from(await stored(page, 'S.hs')), fs.readFileSync(prepared));
        for (let round = 0; round < 2; ++round) {
          assert.equal((await model(page)).labels.URLtransparantLabel7.caption, '1900');
          const { scores, text } = await shownResults(page);
          assert.deepEqual([scores[2][0].name, scores[2][0].score, scores[2][1].name, scores[2][1].score],
                           ['Hollowbrine', 74, 'Mossgrave', 212]);
          assert.deepEqual([scores[6][0].name, scores[6][0].score], ['A twenty-char player', 131]);
          for (const shown of ['Hollowbrine', '74', 'Mossgrave', '212', 'A twenty-char player', '131'])
            assert.ok(text.includes(shown), `the statistics panel shows ${shown}:\n${text}`);
          const navigation = page.waitForNavigation();
          await page.reload();
          await navigation;
          await answerNameDialog(page);
        }
        await page.close();
      });

      test('downloaded files are the stored bytes, and load back unchanged', async () => {
        const page = await openGame(b, srv.url, { name: 'Ölgrün Müller' });
        await loadAndRestart(page, prepared, undefined);
        const scores = await downloaded(b, page, 'downloadScores', 'S.hs');
        const nameFile = await downloaded(b, page, 'downloadName', 'Pl.nam');
        assert.deepEqual(scores, fs.readFileSync(prepared));
        // The name as the desktop writes it: 8-bit Latin-1 and CR LF.
        assert.deepEqual(nameFile, Buffer.from('Ölgrün Müller\r\n', 'latin1'));
        assert.deepEqual(Buffer.from(await stored(page, 'Pl.nam')), nameFile);
        // Loaded back after the page's own files changed: the same bytes again.
        const copyScores = path.join(tmp, `${name}-copy.hs`);
        const copyName = path.join(tmp, `${name}-copy.nam`);
        fs.writeFileSync(copyScores, scores);
        fs.writeFileSync(copyName, nameFile);
        await page.evaluate(() => localStorage.clear());
        const navigation = page.waitForNavigation();
        await page.reload();
        await navigation;
        await answerNameDialog(page, 'Someone else');
        assert.notDeepEqual(Buffer.from(await stored(page, 'Pl.nam')), nameFile);
        await loadAndRestart(page, copyScores, undefined);
        await loadAndRestart(page, copyName, undefined);
        assert.deepEqual(Buffer.from(await stored(page, 'S.hs')), scores);
        assert.deepEqual(Buffer.from(await stored(page, 'Pl.nam')), nameFile);
        await waitForModel(page, (m, n) => m.labels.URLtransparantLabel5.caption === n, 'Ölgrün Müller',
                           'the loaded name on the title screen');
        await page.close();
      });

      test('a damaged file is refused and the stored one stays', async () => {
        const page = await openGame(b, srv.url, { name: 'Hollowbrine' });
        await loadAndRestart(page, prepared, undefined);
        const before = await stored(page, 'S.hs');
        const good = fs.readFileSync(prepared);
        const longName = Buffer.from(good);
        longName[400 * 2 + 40 * 1] = 21;   // entry 2 of table 3: a name of 21 characters
        const cases = {
          'short.hs': good.subarray(0, 2807),
          'huge.hs': Buffer.concat([good, Buffer.alloc(64 * 1024)]),
          'longname.hs': longName,
        };
        for (const [file, bytes] of Object.entries(cases)) {
          const p = path.join(tmp, `${name}-${file}`);
          fs.writeFileSync(p, bytes);
          await chooseFile(page, p);
          await waitFor(page, () => document.querySelector('[data-dialog="box"]'), null, `the refusal of ${file}`);
          const text = await pageBoxText(page);
          assert.match(text, /Nothing was changed\.$/, file);
          assert.doesNotMatch(text, /^Replace /, file);
          await pressPageBoxButton(page, 'OK');
          assert.deepEqual(await stored(page, 'S.hs'), before, file);
        }
        // Reloaded, the game still reads the file it had.
        const navigation = page.waitForNavigation();
        await page.reload();
        await navigation;
        await answerNameDialog(page);
        assert.equal((await model(page)).labels.URLtransparantLabel7.caption, '1900');
        assert.deepEqual(await stored(page, 'S.hs'), before);
        await page.close();
      });
    });
  }
});
