// A long session in one tab of headless Chromium: GAMES single games in a row
// at the fastest speed against the strongest computer, the player letting it
// win, as someone who leaves the game running would. After each game the
// garbage is collected and the tab's JavaScript heap and WebAssembly memory
// are read; printed for games 1, 5, 10, 20, ... and the last, with each
// game's length in the page's time and in generations (the board's updates),
// so a slowdown or a growth shows.
//
//   node session.mjs [GAMES]        (default 50; scripts/measure-web-session)
import { serve } from './lib/server.mjs';
import { launch, waitFor } from './lib/browsers.mjs';
import { SITE } from './lib/env.mjs';
import { openGame, clickComponent, clickUntil, fastestSpeed, waitForModel, model } from './lib/game.mjs';

const games = Number(process.argv[2] || 50);

const srv = await serve(SITE);
const b = await launch('chromium');
try {
  const page = await openGame(b, srv.url, { name: 'Hollowbrine' });
  const cdp = await page.createCDPSession();
  await cdp.send('Performance.enable');
  // Board updates the page draws: one a generation at most.
  await page.evaluate(() => {
    const board = globalThis.Agarhold.board;
    window.boardUpdates = 0;
    globalThis.Agarhold.board = function (u8) { ++window.boardUpdates; return board.call(this, u8); };
  });
  await clickUntil(page, 'URLtransparantLabel1', 'Game mode : Best after 1 Game(s)');
  await clickUntil(page, 'URLtransparantLabel2', 'Set Rating : AI Rating = 2800');
  const memory = async () => {
    await cdp.send('HeapProfiler.collectGarbage');
    const { metrics } = await cdp.send('Performance.getMetrics');
    const heap = metrics.find((x) => x.name === 'JSHeapUsedSize').value;
    const wasm = await page.evaluate(() => wasmMemory.buffer.byteLength);
    return { heap, wasm };
  };
  const mb = (n) => (n / 1048576).toFixed(2);
  const start = await memory();
  console.log(`start: JS heap ${mb(start.heap)} MB, WebAssembly memory ${mb(start.wasm)} MB`);
  console.log('game  result   seconds  board-updates  JS-heap-MB  wasm-MB');
  const rows = [];
  for (let g = 1; g <= games; ++g) {
    await clickComponent(page, 'DIBImage2');
    await waitForModel(page, (m) => m.panels.DIBContainer3.visible, null, 'the chooser');
    await clickComponent(page, 'dxButton1');
    await waitForModel(page, (m) => !m.panels.DIBContainer3.visible, null, 'the chooser closed');
    if (g === 1) {
      // The slider keeps its value from game to game: set once.
      await fastestSpeed(page);
    }
    const t0 = await page.evaluate(() => { window.boardUpdates = 0; return performance.now(); });
    // In waits shorter than the DevTools protocol's limit on one call.
    for (let tries = 0; ; ++tries) {
      try {
        await waitForModel(page, (m) => m.labels.RxLabel2.visible && ['You Won', 'Red Won'].includes(m.labels.RxLabel2.caption),
                           null, `the end of game ${g}`, 60000);
        break;
      } catch (e) {
        if (tries >= 30) throw e;
      }
    }
    const { t1, updates } = await page.evaluate(() => ({ t1: performance.now(), updates: window.boardUpdates }));
    const result = (await model(page)).labels.RxLabel2.caption;
    if (result === 'You Won') {
      await waitFor(page, () => document.querySelector('[data-dialog="input"] input'), null, 'the highscore name');
      await page.keyboard.press('Enter');
    }
    await waitForModel(page, (m) => m.panels.DIBContainer2.visible, null, `the title screen after game ${g}`, 120000);
    const m = await memory();
    rows.push({ g, result, seconds: (t1 - t0) / 1000, updates, ...m });
    if (g === 1 || g === 5 || g % 10 === 0 || g === games)
      console.log(`${String(g).padStart(4)}  ${result.padEnd(7)}  ${((t1 - t0) / 1000).toFixed(1).padStart(7)}  ` +
                  `${String(updates).padStart(13)}  ${mb(m.heap).padStart(10)}  ${mb(m.wasm).padStart(7)}`);
  }
  const at = (g) => rows.find((r) => r.g === g);
  const five = at(Math.min(5, games));
  const last = at(games);
  console.log(`game ${five.g} -> ${last.g}: JS heap ${mb(five.heap)} -> ${mb(last.heap)} MB ` +
              `(${(last.heap - five.heap >= 0 ? '+' : '') + ((last.heap - five.heap) / 1024).toFixed(0)} KB), ` +
              `WebAssembly memory ${mb(five.wasm)} -> ${mb(last.wasm)} MB`);
  const rate = (r) => r.updates / r.seconds;
  const early = rows.slice(0, Math.min(5, rows.length));
  const late = rows.slice(-Math.min(5, rows.length));
  const mean = (rs) => rs.reduce((s, r) => s + rate(r), 0) / rs.length;
  console.log(`board updates a second: first games ${mean(early).toFixed(1)}, last games ${mean(late).toFixed(1)}`);
} finally {
  await b.close();
  await srv.close();
}
