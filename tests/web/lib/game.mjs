// Driving the game's page as a player does: real pointer input at the places
// the elements are drawn, and the screen model the module sends, watched.
import { newPage, waitFor } from './browsers.mjs';

// Opens the game in a new tab of browser b, answers the name dialog with OK
// (after typing `name` when given) and waits until start-up is done.
export async function openGame(b, url, { name } = {}) {
  const page = await newPage(b);
  await watchModel(page);
  await page.goto(url + 'index.html');
  await answerNameDialog(page, name);
  return page;
}

// Every screen model the module sends is kept as window.agarholdModel (the last
// one) before the page applies it, from the first one on.
export async function watchModel(page) {
  await page.evaluateOnNewDocument(() => {
    let real;
    Object.defineProperty(globalThis, 'Agarhold', {
      configurable: true,
      get() { return real; },
      set(value) {
        const sync = value.sync;
        value.sync = function (jsonText) {
          try { window.agarholdModel = JSON.parse(jsonText); } catch (e) { window.agarholdModel = null; }
          return sync.call(this, jsonText);
        };
        real = value;
      },
    });
  });
}

export async function answerNameDialog(page, name) {
  await waitFor(page, () => document.querySelector('[data-dialog="name"] input'), null, 'the name dialog');
  if (name !== undefined) {
    const edit = await page.$('[data-dialog="name"] input');
    await edit.click({ count: 3 });
    await page.keyboard.press('Backspace');
    await edit.type(name);
  }
  await clickComponent(page, 'Form2.dxButton1');
  await waitFor(page, () => !document.querySelector('[data-dialog="name"]') &&
                         document.querySelector('#Form1').dataset.ready === 'true', null, 'the title screen');
}

// The element's box in the viewport's CSS pixels.
export async function boxOf(page, name) {
  const box = await page.evaluate((n) => {
    const e = document.querySelector(`[data-component="${n}"]`);
    if (!e) return null;
    const r = e.getBoundingClientRect();
    return { x: r.left, y: r.top, width: r.width, height: r.height };
  }, name);
  if (!box) throw new Error(`no element for ${name}`);
  return box;
}

// A press and release with the mouse in the middle of a component.
export async function clickComponent(page, name, dx = 0.5, dy = 0.5) {
  const r = await boxOf(page, name);
  await page.mouse.click(r.x + r.width * dx, r.y + r.height * dy);
}

// Waits for the screen model to satisfy fn(model, arg).
export async function waitForModel(page, fn, arg, what, timeout) {
  return waitFor(page, `(() => { const m = window.agarholdModel; return !!m && (${fn})(m, ${JSON.stringify(arg)}); })()`,
                 null, what, timeout);
}

export async function model(page) {
  return page.evaluate(() => window.agarholdModel);
}

// The module has taken every queued event and answered it.
export const settled = (page) => waitFor(page, () => window.AgarholdDebug.queueLength === 0, null, 'the queue emptied');

// Clicks a title-screen link until its caption starts with `caption`.
export async function clickUntil(page, link, caption) {
  for (let i = 0; i < 8; ++i) {
    if ((await model(page)).labels[link].caption.startsWith(caption)) return;
    await clickComponent(page, link);
    await settled(page);
  }
  throw new Error(`${link} never showed "${caption}"`);
}

// The fastest game speed: steps of the slider toward its low end.
export async function fastestSpeed(page) {
  for (let i = 0; i < 25 && (await model(page)).speed > 25; ++i) {
    const s = await boxOf(page, 'RxSlider1');
    await page.mouse.click(s.x + 6, s.y + s.height / 2);
    await settled(page);
  }
  if ((await model(page)).speed !== 25) throw new Error(`the speed stays ${(await model(page)).speed}`);
}

// A drag with the primary button from the middle of component `from` to the
// point (x, y) of the magnified board, in the board's own pixels (4 a cell),
// through several moves as a hand makes them.
export async function dragToBoard(page, from, x, y) {
  const a = await boxOf(page, from);
  const m = await boxOf(page, 'DIBMagnifier1');
  const scale = m.width / 408;
  const ax = a.x + a.width / 2;
  const ay = a.y + a.height / 2;
  await page.mouse.move(ax, ay);
  await page.mouse.down();
  await page.mouse.move(ax - 15, ay, { steps: 3 });
  await page.mouse.move(m.x + x * scale, m.y + y * scale, { steps: 8 });
  await page.mouse.up();
}

// What the page shows in a box it opened over the game, or null.
export async function pageBoxText(page) {
  return page.evaluate(() => {
    const box = document.querySelector('[data-dialog="box"] .dialogtext');
    return box ? box.textContent : null;
  });
}

export async function pressPageBoxButton(page, label) {
  const buttons = await page.$$('[data-dialog="box"] button');
  for (const btn of buttons) {
    if ((await btn.evaluate((e) => e.textContent)) === label) return btn.click();
  }
  throw new Error(`no button "${label}" in the box`);
}
