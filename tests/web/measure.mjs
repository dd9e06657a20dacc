// The browser game's figures, median of RUNS runs in each browser:
//   node measure.mjs [RUNS]   (AGARHOLD_WEB_SITE, AGARHOLD_WEB_OBJ and
//   AGARHOLD_NATIVE_GOLDEN as for the tests; scripts/measure-web.sh sets them)
// - what a first visit transfers, each file gzipped as a server would;
// - navigation to the title screen's first frame with an empty cache;
// - the browser's CPU on the title screen and in a match beside a bare page
//   that repaints a 6 x 6 square every 30 ms (all the browser's processes);
// - drop to sound start on the page's audio clock;
// - a generation step in WebAssembly against the native build.
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { execFileSync } from 'node:child_process';
import { serve } from './lib/server.mjs';
import { browserNames, launch, newPage, waitFor } from './lib/browsers.mjs';
import { SITE, OBJ, NATIVE_GOLDEN } from './lib/env.mjs';
import { openGame, clickComponent, waitForModel, model, boxOf } from './lib/game.mjs';

const RUNS = Number(process.argv[2] || 3);
const CPU_SECONDS = Number(process.env.CPU_SECONDS || 20);
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const median = (xs) => { const s = [...xs].sort((a, b) => a - b); return s[Math.floor(s.length / 2)]; };

const BARE = `<!doctype html><meta charset="utf-8"><title>bare</title><body style="margin:0;background:#000">
<canvas id="c" width="747" height="543"></canvas><script>
const g = document.getElementById('c').getContext('2d'); let i = 0;
setInterval(() => { g.fillStyle = (++i & 1) ? '#fff' : '#f00'; g.fillRect(100, 100, 6, 6); }, 30);
</script>`;
const GOLDEN = `<!doctype html><meta charset="utf-8"><title>golden</title>
<script>window.lines = []; var Module = { arguments: ['step', '2000'], print: (t) => lines.push(t) };</script>
<script src="agarhold_golden.js"></script>`;

// Clock ticks of every process of the browser (the tree under its main process).
function browserTicks(pid) {
  const children = new Map();
  for (const d of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(d)) continue;
    try {
      const stat = fs.readFileSync(`/proc/${d}/stat`, 'utf8');
      const f = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      children.set(Number(d), { ppid: Number(f[1]), ticks: Number(f[11]) + Number(f[12]) });
    } catch { /* gone */ }
  }
  let total = 0;
  const walk = (p) => {
    total += children.get(p)?.ticks ?? 0;
    for (const [c, v] of children) if (v.ppid === p) walk(c);
  };
  walk(pid);
  return total;
}

async function cpuOver(b, seconds) {
  const pid = b.browser.process().pid;
  const t0 = browserTicks(pid);
  const w0 = Date.now();
  await sleep(seconds * 1000);
  return (browserTicks(pid) - t0) / 100 / ((Date.now() - w0) / 1000);   // cores busy
}

function gzippedSize(file) {
  const body = fs.readFileSync(file);
  return Math.min(body.length, zlib.gzipSync(body, { level: 6 }).length);
}

async function run(name, srv) {
  const out = {};
  // First visit, empty cache: a fresh profile.
  let b = await launch(name);
  try {
    srv.requests.length = 0;
    const page = await newPage(b);
    await page.evaluateOnNewDocument(() => {
      let real;
      Object.defineProperty(globalThis, 'Agarhold', {
        configurable: true,
        get() { return real; },
        set(v) {
          const ready = v.ready;
          v.ready = function () {
            const r = ready.apply(this, arguments);
            const imgs = Array.from(document.querySelectorAll('#Form1 img'));
            Promise.all(imgs.map((i) => i.decode().catch(() => null))).then(() =>
              requestAnimationFrame(() => requestAnimationFrame(() => { window.titlePainted = performance.now(); })));
            return r;
          };
          real = v;
        },
      });
    });
    await page.goto(srv.url + 'index.html');
    await waitFor(page, () => window.titlePainted, null, 'the title painted');
    out.titleMs = await page.evaluate(() => window.titlePainted);
    await sleep(1000);
    const files = [...new Set(srv.requests.filter((r) => r.status === 200).map((r) => r.path))];
    out.transferRaw = files.reduce((n, f) => n + fs.statSync(path.join(SITE, f)).size, 0);
    out.transferGzip = files.reduce((n, f) => n + gzippedSize(path.join(SITE, f)), 0);
    out.files = files.length;
  } finally {
    await b.close();
  }

  b = await launch(name);
  try {
    const bare = await newPage(b);
    await bare.goto(srv.url + 'bare.html');
    await sleep(2000);
    out.cpuBare = await cpuOver(b, CPU_SECONDS);
    await bare.close();

    const page = await openGame(b, srv.url, { name: 'Hollowbrine' });
    await sleep(2000);
    out.cpuTitle = await cpuOver(b, CPU_SECONDS);
    await clickComponent(page, 'DIBImage2');
    await waitForModel(page, (m) => m.panels.DIBContainer3.visible, null, 'the chooser');
    await clickComponent(page, 'dxButton1');
    await waitForModel(page, (m) => m.sprites.Bac1_1.enabled, null, 'the match running', 120000);
    out.cpuMatch = await cpuOver(b, CPU_SECONDS);

    // Drops onto the blue band; the sound starts on the audio clock.
    const lags = [];
    const calls = [];
    const tubes = ['Bac1_1', 'bac1_2', 'bac1_3', 'bac1_4', 'bac1_5'];
    for (let i = 0; i < 8; ++i) {
      let tube = null;
      for (let wait = 0; wait < 600 && !tube; ++wait) {
        const mm = await model(page);
        tube = tubes.find((t) => mm.sprites[t]?.enabled && mm.sprites[t]?.visible);
        if (!tube) await sleep(100);
      }
      if (!tube) break;
      const a = await boxOf(page, tube);
      const m = await boxOf(page, 'DIBMagnifier1');
      const before = await page.evaluate(() => window.AgarholdDebug.lastSound?.contextTime ?? -1);
      await page.mouse.move(a.x + a.width / 2, a.y + a.height / 2);
      await page.mouse.down();
      await page.mouse.move(m.x + m.width - 8, m.y + 40 + i * 40, { steps: 6 });
      await page.mouse.up();
      try {
        await waitFor(page, (t) => (window.AgarholdDebug.lastSound?.contextTime ?? -1) !== t, before, 'a sound', 5000);
      } catch { continue; }
      const { drop, sound } = await page.evaluate(() => ({ drop: window.AgarholdDebug.lastDrop,
                                                           sound: window.AgarholdDebug.lastSound }));
      if (drop && sound && drop.contextTime != null) {
        lags.push((sound.contextTime - drop.contextTime) * 1000);
        calls.push(sound.performanceTime - drop.performanceTime);
        out.outputLatencyMs = (sound.outputLatency + sound.baseLatency) * 1000;
      }
    }
    out.dropToSoundMs = lags.length ? median(lags) : null;
    out.dropToStartCallMs = calls.length ? median(calls) : null;
    out.audioState = await page.evaluate(() => window.AgarholdDebug.audioState);

    // The generation step, WebAssembly in this browser.
    const golden = await newPage(b);
    await golden.goto(srv.url + 'golden.html');
    const line = await (await waitFor(golden, () => window.lines.find((l) => l.startsWith('generation')),
                                      null, 'the step timing', 300000)).jsonValue();
    out.stepWasmUs = Number(/generation ([\d.]+) us/.exec(line)[1]);
  } finally {
    await b.close();
  }
  return out;
}

const srv = await serve(SITE, {
  '/bare.html': { type: 'text/html', body: BARE },
  '/golden.html': { type: 'text/html', body: GOLDEN },
  '/agarhold_golden.js': { type: 'text/javascript', body: fs.readFileSync(path.join(OBJ, 'agarhold_golden.js')) },
  '/agarhold_golden.wasm': { type: 'application/wasm', body: fs.readFileSync(path.join(OBJ, 'agarhold_golden.wasm')) },
});
try {
  for (const name of browserNames()) {
    const runs = [];
    for (let i = 0; i < RUNS; ++i) {
      const nativeLine = execFileSync(NATIVE_GOLDEN, ['step', '2000'], { encoding: 'utf8' });
      const r = await run(name, srv);
      r.stepNativeUs = Number(/generation ([\d.]+) us/.exec(nativeLine)[1]);
      runs.push(r);
      console.error(`${name} run ${i + 1}: ${JSON.stringify(r)}`);
    }
    const m = (k) => median(runs.map((r) => r[k]).filter((v) => v != null));
    const kb = (n) => `${(n / 1024).toFixed(0)} kB`;
    console.log(`== ${name}, median of ${RUNS} runs`);
    console.log(`first visit: ${m('files')} files, ${kb(m('transferRaw'))}, gzipped ${kb(m('transferGzip'))} (goal 1536 kB)`);
    console.log(`navigation to the painted title screen: ${m('titleMs').toFixed(0)} ms (goal 1000 ms)`);
    console.log(`CPU (cores): bare page ${m('cpuBare').toFixed(3)}, title ${m('cpuTitle').toFixed(3)} ` +
                `(${(m('cpuTitle') / m('cpuBare')).toFixed(2)} x, goal 2 x), match ${m('cpuMatch').toFixed(3)} ` +
                `(${(m('cpuMatch') / m('cpuBare')).toFixed(2)} x)`);
    if (runs.some((r) => r.dropToSoundMs != null))
      console.log(`drop to sound start: ${m('dropToSoundMs').toFixed(1)} ms on the audio clock, ` +
                  `${m('dropToStartCallMs').toFixed(1)} ms from the pointer's release to the start call, ` +
                  `plus the output latency the context reports, ${m('outputLatencyMs').toFixed(1)} ms`);
    else console.log(`drop to sound start: no sound started (audio ${runs[0].audioState})`);
    console.log(`generation step: wasm ${m('stepWasmUs').toFixed(1)} us, native ${m('stepNativeUs').toFixed(1)} us, ` +
                `${(m('stepWasmUs') / m('stepNativeUs')).toFixed(2)} x (goal 1.5 x)`);
  }
} finally {
  await srv.close();
}
