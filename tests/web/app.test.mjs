// The browser game as an app a player can rely on: served from a sub-path
// under its content security policy, asking nothing of other sites; every
// unsound file a player may load refused with the stored files unchanged; two
// tabs keeping each other's results; playing with the network gone; and (in
// Chromium, which installs web apps) the manifest and the installability
// checks.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { serve } from './lib/server.mjs';
import { browserNames, launch, newPage, waitFor } from './lib/browsers.mjs';
import { SITE } from './lib/env.mjs';
import { openGame, watchModel, boxOf, answerNameDialog, clickComponent, waitForModel, model, pageBoxText,
         pressPageBoxButton } from './lib/game.mjs';

// The stored bytes of a saved file, or null.
const stored = (page, name) => page.evaluate((n) => {
  const t = localStorage.getItem('agarhold/' + n);
  return t == null ? null : Array.from(atob(t), (c) => c.charCodeAt(0));
}, name);

// A highscore record: table t (1..7), entries [name, score, date] from place 1.
function scoresFile(tables, rating = 1600) {
  const b = Buffer.alloc(2808);
  for (let t = 1; t <= 7; ++t)
    for (let i = 1; i <= 10; ++i) {
      const [name, score, date] = tables[t]?.[i - 1] ?? [t === 1 ? 'Hollowbrine' : '', 9999, 0];
      const o = 400 * (t - 1) + 40 * (i - 1);
      b[o] = name.length;
      b.write(name, o + 1, 'latin1');
      b.writeInt32LE(score, o + 24);
      b.writeDoubleLE(date, o + 32);
    }
  b.writeInt32LE(rating, 2800);
  return b;
}

// The names and scores of places 1..5 of table t in the module's model.
const shown = (m, t) => m.scores[t - 1].slice(0, 5).map((e) => `${e.name}:${e.score}`).join(' ');

// Waits for the model to satisfy fn for as long as a game may last, in
// waits shorter than the DevTools protocol's own limit on a call.
async function waitLong(page, fn, what) {
  const deadline = Date.now() + 20 * 60 * 1000;
  for (;;) {
    try {
      return await waitForModel(page, fn, null, what, 60000);
    } catch (e) {
      if (Date.now() > deadline || !/not seen within/.test(e.message)) throw e;
    }
  }
}

async function reloadGame(page) {
  const navigation = page.waitForNavigation();
  await page.reload();
  await navigation;
  await answerNameDialog(page);
}

// Chooses a file and answers the page's box: OK to a replace question, which
// restarts the game. Returns the box's text.
async function load(page, file, { confirm = true } = {}) {
  await page.bringToFront();
  await (await page.$('#loadFile')).uploadFile(file);
  await waitFor(page, () => document.querySelector('[data-dialog="box"]'), null, `the box for ${file}`);
  const text = await pageBoxText(page);
  if (/^Replace /.test(text) && confirm) {
    const navigation = page.waitForNavigation();
    await pressPageBoxButton(page, 'OK');
    await navigation;
    await answerNameDialog(page);
  } else {
    await pressPageBoxButton(page, text.startsWith('Replace ') ? 'Cancel' : 'OK');
  }
  return text;
}

describe('the game as an app', () => {
  let tmp;
  before(() => { tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'agarhold-app-')); });
  after(() => fs.rmSync(tmp, { recursive: true, force: true }));

  for (const name of browserNames()) {
    describe(name, () => {
      let b;
      before(async () => { b = await launch(name); });
      after(() => b?.close());

      test('from a sub-path of plain http://localhost, under its policy, nothing asked of other sites', async () => {
        // The site as /games/agarhold/ of a server whose root holds more.
        const root = path.join(tmp, `${name}-root`);
        fs.mkdirSync(path.join(root, 'games'), { recursive: true });
        fs.symlinkSync(SITE, path.join(root, 'games', 'agarhold'));
        const srv = await serve(root);
        try {
          const base = srv.url.replace('127.0.0.1', 'localhost') + 'games/agarhold/';
          const page = await newPage(b);
          await watchModel(page);
          const asked = [];
          page.on('request', (r) => asked.push(r.url()));
          await page.evaluateOnNewDocument(() => {
            window.violations = [];
            document.addEventListener('securitypolicyviolation', (e) => {
              window.violations.push(`${e.violatedDirective} ${e.blockedURI}`);
            }, true);
          });
          await page.goto(base);
          await answerNameDialog(page, 'Hollowbrine');
          // The statistics, a box of the page's own, then a match: the chooser and the board.
          await clickComponent(page, 'DIBImage9');
          await waitForModel(page, (m) => m.panels.dxContainer3.visible, null, 'the statistics panel');
          await clickComponent(page, 'dxButton2');
          await waitForModel(page, (m) => !m.panels.dxContainer3.visible, null, 'the statistics panel closed');
          await page.click('#downloadName');   // a blob: link, under the policy too
          await clickComponent(page, 'DIBImage2');
          await waitForModel(page, (m) => m.panels.DIBContainer3.visible, null, 'the chooser');
          await clickComponent(page, 'dxButton1');
          await waitForModel(page, (m) => !m.panels.DIBContainer3.visible && !m.panels.DIBContainer2.visible,
                             null, 'the match');
          await clickComponent(page, 'DIBImage6');
          assert.deepEqual(await page.evaluate(() => window.violations), [], 'no policy violation');

          // The policy: no inline script, no eval; WebAssembly only as such.
          const policy = await page.evaluate(() =>
            document.querySelector('meta[http-equiv="Content-Security-Policy"]')?.content ?? '');
          const directives = Object.fromEntries(policy.split(';').map((d) => d.trim().split(/\s+/))
                                                  .filter((d) => d[0]).map(([k, ...v]) => [k, v]));
          assert.deepEqual(directives['default-src'], ["'self'"]);
          assert.deepEqual(directives['script-src'], ["'self'", "'wasm-unsafe-eval'"]);
          for (const [k, v] of Object.entries(directives))
            for (const bad of ["'unsafe-inline'", "'unsafe-eval'", '*', 'data:', 'http:', 'https:'])
              assert.ok(!v.includes(bad), `${k} allows ${bad}`);
          assert.deepEqual(directives['object-src'], ["'none'"]);
          // And it holds: an inline script is refused, and reported.
          const ran = await page.evaluate(() => new Promise((resolve) => {
            const s = document.createElement('script');
            s.textContent = 'window.inlineRan = true;';
            document.head.appendChild(s);
            setTimeout(() => resolve(window.inlineRan === true), 200);
          }));
          assert.equal(ran, false, 'an inline script ran');
          await waitFor(page, () => window.violations.length > 0, null, 'the inline script reported');
          assert.match((await page.evaluate(() => window.violations))[0], /^script-src/);

          // Every request the page made was to this site, below its folder,
          // and answered.
          const origin = new URL(base).origin;
          const foreign = asked.filter((u) => !u.startsWith(base) && !u.startsWith('blob:') && !u.startsWith('data:'));
          assert.deepEqual(foreign, [], `requests outside ${base}`);
          assert.ok(srv.requests.length >= 10, 'the server saw the site load');
          for (const r of srv.requests) {
            assert.ok(r.path.startsWith('/games/agarhold/'), `${r.path} is outside the folder`);
            assert.equal(r.status, 200, `${r.path} answered ${r.status}`);
          }
          assert.ok(srv.requests.some((r) => r.path.endsWith('/agarhold.wasm')));
          assert.ok(asked.every((u) => !u.startsWith('http') || u.startsWith(origin)));
          await page.close();
        } finally {
          await srv.close();
        }
      });

      test('every unsound file a player loads is refused, the stored files unchanged; sound ones as the desktop takes them', async () => {
        const srv = await serve(SITE);
        try {
          const page = await openGame(b, srv.url, { name: 'Hollowbrine' });
          const scores = scoresFile({ 3: [['Mossgrave', 74, 46000.5]] }, 1900);
          const good = path.join(tmp, `${name}-good.hs`);
          fs.writeFileSync(good, scores);
          assert.match(await load(page, good), /^Replace S\.hs/);
          const before = { hs: await stored(page, 'S.hs'), nam: await stored(page, 'Pl.nam') };
          assert.deepEqual(Buffer.from(before.hs), scores);

          const lies = (offset, write) => { const x = Buffer.from(scores); write(x, offset); return x; };
          const png = fs.readFileSync(path.join(SITE, 'icons', 'agarhold-48.png'));    // 5679 bytes
          const small = fs.readFileSync(path.join(SITE, 'icons', 'agarhold-16.png'));  // 883 bytes
          const cases = [
            ['empty.hs', Buffer.alloc(0), /is empty/],
            ['empty.nam', Buffer.alloc(0), /is empty/],
            ['huge.hs', 100 * 1024 * 1024, /too large \(100\.0 MB/],
            ['huge.nam', 100 * 1024 * 1024, /too large/],
            ['picture.hs', png, /picture \(PNG\)/],
            ['picture.nam', small, /picture \(PNG\)/],
            ['truncated.hs', scores.subarray(0, 2807), /cut short: it has 2807 of its 2808 bytes/],
            ['name21.hs', lies(400 * 6 + 40 * 9, (x, o) => { x[o] = 21; }), /entry 10 of table 7 has a name of 21/],
            ['name255.hs', lies(0, (x, o) => { x[o] = 255; }), /entry 1 of table 1 has a name of 255/],
            ['nan.hs', lies(400 * 2 + 32, (x, o) => x.writeDoubleLE(NaN, o)), /date of entry 1 of table 3 is not a number/],
            ['inf.hs', lies(400 * 4 + 40 * 7 + 32, (x, o) => x.writeDoubleLE(-Infinity, o)), /entry 8 of table 5/],
            ['zero.nam', Buffer.from('Ann\0e\r\n', 'latin1'), /control character \(0x00\)/],
            ['escape.nam', Buffer.from('\x1b[31mAnn\r\n', 'latin1'), /control character \(0x1b\)/],
            ['long.nam', Buffer.from('x'.repeat(10000) + '\r\n'), /too large/],
            ['blank.nam', Buffer.from('\r\nAnn\r\n'), /first line is empty/],
            ['other.txt', Buffer.from('Ann\r\n'), /is neither/],
          ];
          for (const [file, bytes, why] of cases) {
            const p = path.join(tmp, `${name}-${file}`);
            if (typeof bytes === 'number') {
              fs.writeFileSync(p, '');
              fs.truncateSync(p, bytes);   // sparse: 100 MB the page must not read
            } else {
              fs.writeFileSync(p, bytes);
            }
            const text = await load(page, p);
            assert.match(text, why, file);
            assert.match(text, /Nothing was changed\.$/, file);
            assert.deepEqual(await stored(page, 'S.hs'), before.hs, file);
            assert.deepEqual(await stored(page, 'Pl.nam'), before.nam, file);
            fs.rmSync(p);
          }

          // What the desktop takes: a longer S.hs gives its first 2808 bytes;
          // a name file of 8-bit text gives its first line, whole.
          const longer = path.join(tmp, `${name}-longer.hs`);
          const other = scoresFile({ 2: [['Ölgrün', 12, 46001.25]] }, 1624);
          fs.writeFileSync(longer, Buffer.concat([other, Buffer.alloc(192, 0xee)]));
          await load(page, longer);
          assert.deepEqual(Buffer.from(await stored(page, 'S.hs')), other);
          let m = await model(page);
          assert.equal(m.labels.URLtransparantLabel7.caption, '1624');
          assert.equal(shown(m, 2).split(' ')[0], 'Ölgrün:12');
          const nameFile = path.join(tmp, `${name}-long-line.nam`);
          const line = 'Ä'.repeat(30) + '\tx';
          fs.writeFileSync(nameFile, Buffer.from(line + '\r\nsecond line\r\n', 'latin1'));
          await (await page.$('#loadFile')).uploadFile(nameFile);
          await waitFor(page, () => document.querySelector('[data-dialog="box"]'), null, 'the replace question');
          const navigation = page.waitForNavigation();
          await pressPageBoxButton(page, 'OK');
          await navigation;
          await waitFor(page, () => document.querySelector('[data-dialog="name"] input'), null, 'the name dialog');
          assert.equal(await page.$eval('[data-dialog="name"] input', (e) => e.value), line);
          await answerNameDialog(page);
          m = await model(page);
          assert.equal(m.labels.URLtransparantLabel5.caption, line);
          await page.close();
        } finally {
          await srv.close();
        }
      });

      test('two tabs never lose each other\'s results', async () => {
        const srv = await serve(SITE);
        try {
          // Both tabs start from a file with Yan's result in table 3.
          const a = await openGame(b, srv.url, { name: 'Hollowbrine' });
          const first = path.join(tmp, `${name}-first.hs`);
          fs.writeFileSync(first, scoresFile({ 3: [['Yan', 90, 46000.5]] }, 1600));
          await load(a, first);
          const bTab = await openGame(b, srv.url, {});
          assert.equal(shown(await model(bTab), 3).split(' ')[0], 'Yan:90');
          // Tab A writes a file with Xu's result and a higher rating (and
          // without Yan's): tab B brings it in at once, keeping its own.
          const second = path.join(tmp, `${name}-second.hs`);
          fs.writeFileSync(second, scoresFile({ 3: [['Xu', 60, 46000.75]] }, 1700));
          await load(a, second);
          await waitForModel(bTab, (m) => m.scores[2][0].name === 'Xu', null, 'Xu\'s result in tab B');
          let m = await model(bTab);
          assert.equal(shown(m, 3), 'Xu:60 Yan:90 :9999 :9999 :9999');
          assert.equal(m.labels.URLtransparantLabel7.caption, '1700');
          // Tab B saves (EXIT GAME saves as it leaves): both results are stored ...
          await bTab.bringToFront();
          await clickComponent(bTab, 'URLtransparantLabel3');
          await waitFor(bTab, () => document.getElementById('ended'), null, 'tab B ended');
          await bTab.close();
          await a.bringToFront();
          await waitFor(a, () => {
            const t = localStorage.getItem('agarhold/S.hs');
            return t && atob(t).charCodeAt(800 + 40) === 3;
          }, null, 'tab B\'s save');
          const saved = Buffer.from(await stored(a, 'S.hs'));
          assert.equal(saved.subarray(801, 803).toString('latin1'), 'Xu');
          assert.equal(saved.subarray(841, 844).toString('latin1'), 'Yan');
          assert.equal(saved.readInt32LE(2800), 1700);
          // ... and tab A, which had only Xu's, hears of Yan's.
          await waitForModel(a, (m) => m.scores[2][1].name === 'Yan', null, 'Yan\'s result in tab A');
          m = await model(a);
          assert.equal(shown(m, 3), 'Xu:60 Yan:90 :9999 :9999 :9999');
          // Reloaded, it reads them both.
          await reloadGame(a);
          assert.equal(shown(await model(a), 3), 'Xu:60 Yan:90 :9999 :9999 :9999');
          await a.close();
        } finally {
          await srv.close();
        }
      });

      test('a first visit asks for each file once, and for the service worker after the title screen', async () => {
        // The files the title screen waits for are preloaded: a preload its
        // use does not match is asked for twice. The worker's installation
        // asks for the whole site again, so it comes once the title is drawn.
        const srv = await serve(SITE);
        try {
          const page = await openGame(b, srv.url, { name: 'Hollowbrine' });
          await waitFor(page, async () => !!(await navigator.serviceWorker.getRegistration()), null, 'the worker');
          const paths = srv.requests.map((r) => r.path);
          const before = paths.slice(0, paths.indexOf('/sw.js'));
          assert.deepEqual(before.filter((p, i) => before.indexOf(p) !== i), [], 'asked for twice');
          for (const f of ['/agarhold.wasm', '/agarhold.js', '/layout.json', '/fonts/LiberationSans-Regular.ttf',
                           '/fonts/LiberationSans-Bold.ttf', '/title.jpg'])
            assert.ok(before.includes(f), `${f} asked for before the worker`);
          await page.close();
        } finally {
          await srv.close();
        }
      });

      test('after one visit the game starts and plays with the network gone', async () => {
        const srv = await serve(SITE);
        let open = true;
        try {
          const page = await openGame(b, srv.url, { name: 'Hollowbrine' });
          const version = fs.readFileSync(path.join(SITE, 'sw.js'), 'utf8').match(/^const VERSION = '(\w+)'/m)[1];
          await waitFor(page, async () => {
            const r = await navigator.serviceWorker.getRegistration();
            return r && r.active && r.active.state === 'activated';
          }, null, 'the service worker active');
          assert.deepEqual(await page.evaluate(() => caches.keys()), [`agarhold-${version}`]);
          const cached = await page.evaluate(async (v) => (await (await caches.open(`agarhold-${v}`)).keys()).length,
                                             version);
          const files = fs.readFileSync(path.join(SITE, 'sw.js'), 'utf8').match(/^const FILES = (\[.*\]);/m)[1];
          assert.equal(cached, JSON.parse(files).length);
          await srv.close();
          open = false;
          const failed = [];
          page.on('requestfailed', (r) => failed.push(r.url()));
          await reloadGame(page);
          await clickComponent(page, 'DIBImage2');
          await waitForModel(page, (m) => m.panels.DIBContainer3.visible, null, 'the chooser offline');
          await clickComponent(page, 'dxButton1');
          await waitForModel(page, (m) => m.labels.RxLabel2.visible && m.labels.RxLabel2.caption === '3', null,
                             'the countdown offline');
          await waitForModel(page, (m) => !m.labels.RxLabel2.visible, null, 'the match offline');
          assert.deepEqual(failed, [], 'every file came from the cache');
          await page.close();
        } finally {
          if (open) await srv.close();
        }
      });

      test('a new build replaces the one kept offline whole, at the next visit', async () => {
        // Two builds of the site: the second changes page.js, and its worker
        // carries another version, as build-web stamps it.
        const site = path.join(tmp, `${name}-site`);
        fs.cpSync(SITE, site, { recursive: true, dereference: true });
        const srv = await serve(site);
        let open = true;
        try {
          const active = (p) => waitFor(p, async () => {
            const r = await navigator.serviceWorker.getRegistration();
            return r && r.active && r.active.state === 'activated' && !r.installing && !r.waiting;
          }, null, 'one active service worker');
          const first = await openGame(b, srv.url, { name: 'Hollowbrine' });
          await active(first);
          const sw = fs.readFileSync(path.join(site, 'sw.js'), 'utf8');
          const old = sw.match(/^const VERSION = '(\w+)'/m)[1];
          fs.appendFileSync(path.join(site, 'page.js'), '\nwindow.secondBuild = true;\n');
          fs.writeFileSync(path.join(site, 'sw.js'), sw.replace(`'${old}'`, "'secondbuild'"));
          // Visited again while the first build runs: the new one is only fetched.
          await reloadGame(first);
          await waitFor(first, async () => !!(await navigator.serviceWorker.getRegistration()).waiting, null,
                        'the new build waiting');
          assert.equal(await first.evaluate(() => window.secondBuild === true), false, 'half of the new build in use');
          await first.close({ runBeforeUnload: true });
          // The next visit, once no tab runs the first build (the browser may
          // take a moment to let it go): the new build, all of it.
          let next = null;
          for (let visit = 1; visit <= 10 && !next; ++visit) {
            const p = await openGame(b, srv.url, {});
            if (await p.evaluate(() => window.secondBuild === true)) {
              next = p;
            } else {
              await p.close({ runBeforeUnload: true });
              await new Promise((r) => setTimeout(r, 500 * visit));
            }
          }
          assert.ok(next, 'the new build runs at a later visit');
          await active(next);
          const secondRunning = async (p) => {
            const navigation = p.waitForNavigation();
            await p.reload();
            await navigation;
            await answerNameDialog(p);
            return p.evaluate(() => window.secondBuild === true);
          };
          await waitFor(next, async () => (await caches.keys()).join() === 'agarhold-secondbuild', null, 'the old cache gone');
          await srv.close();
          open = false;
          assert.ok(await secondRunning(next), 'the new build runs offline');
          await next.close();
        } finally {
          if (open) await srv.close();
        }
      });

      if (name === 'chromium') {
        // Results saved that the stored file lacked: another tab replaced
        // S.hs, this one brought its own results back in on leaving. Where
        // the browser refuses to keep the storage, the player is told.
        test('a saved result where the browser may clear the storage: the player is told, beside the frame', async () => {
          const srv = await serve(SITE);
          try {
            const page = await openGame(b, srv.url, { name: 'Hollowbrine' });
            const first = path.join(tmp, `${name}-kept.hs`);
            fs.writeFileSync(first, scoresFile({ 3: [['Yan', 90, 46000.5]] }));
            await load(page, first);
            const cdp = await page.createCDPSession();
            await cdp.send('Browser.setPermission', { permission: { name: 'persistent-storage' }, setting: 'denied',
                                                      origin: new URL(srv.url).origin });
            assert.equal(await page.evaluate(() => navigator.storage.persist()), false);
            const note = () => page.evaluate(() => {
              const n = document.getElementById('persistNote');
              if (!n) return null;
              const frame = document.getElementById('Form1').getBoundingClientRect();
              const r = n.getBoundingClientRect();
              const outside = r.top >= frame.bottom || r.left >= frame.right || r.bottom <= frame.top || r.right <= frame.left;
              return { text: n.textContent, outside, shown: r.width > 0 && r.height > 0 };
            });
            const other = await openGame(b, srv.url, {});
            const second = path.join(tmp, `${name}-other.hs`);
            fs.writeFileSync(second, scoresFile({ 3: [['Xu', 60, 46000.75]] }));
            await load(other, second);
            await other.close();
            await page.bringToFront();
            await waitForModel(page, (m) => m.scores[2][0].name === 'Xu', null, 'the other tab\'s result');
            assert.equal(await note(), null, 'no result saved yet');
            await clickComponent(page, 'URLtransparantLabel3');   // EXIT GAME saves as it leaves
            await waitFor(page, () => document.getElementById('persistNote'), null, 'the note');
            const saved = Buffer.from(await stored(page, 'S.hs'));
            assert.equal(saved.subarray(841, 844).toString('latin1'), 'Yan');
            const shown = await note();
            assert.match(shown.text, /may clear the saved results/);
            assert.ok(shown.outside && shown.shown, 'the note stands beside the frame');
            // "Agarhold has ended." lies over the page now: the note's OK pressed as an assistive tool would.
            await page.$eval('#persistNote button:last-child', (e) => e.click());
            assert.equal(await note(), null);
            await page.close();
          } finally {
            await srv.close();
          }
        });

        test('the manifest and its icons make the game installable', async () => {
          const srv = await serve(SITE);
          try {
            const page = await openGame(b, srv.url, { name: 'Hollowbrine' });
            const cdp = await page.createCDPSession();
            const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
            assert.deepEqual(installabilityErrors.map((e) => e.errorId), [], 'installability errors');
            const app = await cdp.send('Page.getAppManifest');
            assert.deepEqual(app.errors, []);
            assert.ok(app.url.endsWith('/manifest.webmanifest'));
            const parsed = JSON.parse(app.data);
            assert.equal(parsed.name, 'Agarhold');
            assert.equal(parsed.display, 'standalone');
            // Every icon is the PNG of the size it claims, from the desktop entry's set.
            for (const icon of parsed.icons) {
              const size = await page.evaluate(async (src) => {
                const blob = await (await fetch(src)).blob();
                const bmp = await createImageBitmap(blob);
                return `${bmp.width}x${bmp.height} ${blob.type}`;
              }, new URL(icon.src, app.url).href);
              assert.equal(size, `${icon.sizes} image/png`, icon.src);
              const file = path.basename(new URL(icon.src, srv.url).pathname);
              assert.ok(fs.existsSync(path.join(SITE, 'icons', file)));
            }
            assert.ok(parsed.icons.some((i) => i.sizes === '512x512'));
            await page.close();
          } finally {
            await srv.close();
          }
        });
      }
    });
  }
});
