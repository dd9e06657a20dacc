// Agarhold in the browser: keeping the player's saved files safe.
//
// - A file the player loads (S.hs or Pl.nam) is checked before it may replace
//   the stored one: its size first (a huge file is never read), then its bytes.
// - The first time a result is saved the browser is asked to keep the site's
//   storage; when it says no, the player is told once, beside the frame.
// - Another tab of the game writing S.hs is heard (the storage event), and the
//   game module is told through its event queue, so it brings that tab's
//   results into its own tables before it writes its own.
//
// page.js uses globalThis.AgarholdSaves; this file loads before it.
'use strict';

(function () {
  const S_HS_SIZE = 2808;
  // A highscore file is one 2808-byte record; the desktop reads the first
  // 2808 bytes of a longer one and ignores the rest, and so does the browser,
  // up to this size. Anything larger is no highscore file.
  const S_HS_LIMIT = 64 * 1024;
  // The desktop reads at most this much of a name file (its first line is the
  // name); a larger file would be cut, so it is refused.
  const NAME_LIMIT = 4096;
  const NOTE_SHOWN = 'agarhold/persistence-note';

  const PICTURES = [
    ['PNG', [0x89, 0x50, 0x4e, 0x47]],
    ['JPEG', [0xff, 0xd8, 0xff]],
    ['GIF', [0x47, 0x49, 0x46, 0x38]],
    ['BMP', [0x42, 0x4d]],
    ['WebP', [0x52, 0x49, 0x46, 0x46, -1, -1, -1, -1, 0x57, 0x45, 0x42, 0x50]],
    ['ICO', [0x00, 0x00, 0x01, 0x00]],
  ];

  function pictureKind(u8) {
    for (const [name, sig] of PICTURES) {
      if (u8.length >= sig.length && sig.every((b, i) => b < 0 || u8[i] === b)) return name;
    }
    return null;
  }

  function sizeText(n) {
    if (n >= 1024 * 1024) return (n / (1024 * 1024)).toFixed(1) + ' MB';
    if (n >= 1024) return (n / 1024).toFixed(1) + ' KB';
    return n + (n === 1 ? ' byte' : ' bytes');
  }

  // Why these bytes (the first 2808 of the file) cannot be a highscore file,
  // or null. Every one of the 70 entries is checked, not only the five shown.
  function checkScores(u8) {
    const v = new DataView(u8.buffer, u8.byteOffset, u8.byteLength);
    for (let t = 0; t < 7; ++t) {
      for (let i = 0; i < 10; ++i) {
        const o = 400 * t + 40 * i;
        if (u8[o] > 20)
          return 'This S.hs is damaged: entry ' + (i + 1) + ' of table ' + (t + 1) + ' has a name of ' + u8[o] +
                 ' characters (at most 20).';
        if (!Number.isFinite(v.getFloat64(o + 32, true)))
          return 'This S.hs is damaged: the date of entry ' + (i + 1) + ' of table ' + (t + 1) + ' is not a number.';
      }
    }
    return null;
  }

  // Why these bytes cannot be a name file, or null. The desktop writes the
  // name as 8-bit (Latin-1) text ended by CR LF; every byte from 0x80 up is a
  // character there, so what makes such a file invalid is a byte no text file
  // holds: a zero or another control character (tab, CR and LF aside).
  function checkName(u8) {
    for (let i = 0; i < u8.length; ++i) {
      const c = u8[i];
      if ((c < 0x20 && c !== 0x09 && c !== 0x0a && c !== 0x0d) || c === 0x7f)
        return 'This Pl.nam is not a text file: byte ' + (i + 1) + ' is a control character (0x' +
               c.toString(16).padStart(2, '0') + ').';
    }
    let end = 0;
    while (end < u8.length && u8[end] !== 0x0a && u8[end] !== 0x0d) ++end;
    if (end === 0) return 'This Pl.nam holds no name: its first line is empty.';
    return null;
  }

  function kindOf(fileName) {
    const n = fileName.toLowerCase();
    if (/\.hs$/.test(n)) return 'S.hs';
    if (/\.nam$/.test(n)) return 'Pl.nam';
    return null;
  }

  // Reads a file the player chose, as far as it may be read. Resolves to
  // {kind, bytes} (the bytes to store) or {problem} (a sentence for the player).
  function readChosen(file) {
    const kind = kindOf(file.name);
    if (!kind)
      return Promise.resolve({problem: 'Choose a highscore file (S.hs) or a player-name file (Pl.nam). "' +
                                       file.name + '" is neither.'});
    const size = file.size;
    if (size === 0) return Promise.resolve({problem: 'This ' + kind + ' is empty.'});
    const limit = kind === 'S.hs' ? S_HS_LIMIT : NAME_LIMIT;
    if (size > limit)
      return Promise.resolve({problem: 'This ' + kind + ' is too large (' + sizeText(size) + '; a ' + kind +
                                       ' has at most ' + sizeText(kind === 'S.hs' ? S_HS_SIZE : NAME_LIMIT) + ').'});
    if (kind === 'S.hs' && size < S_HS_SIZE)
      return Promise.resolve({problem: 'This S.hs is cut short: it has ' + size + ' of its ' + S_HS_SIZE + ' bytes.'});
    const wanted = kind === 'S.hs' ? S_HS_SIZE : size;
    return file.slice(0, wanted).arrayBuffer().then((buf) => {
      const u8 = new Uint8Array(buf);
      if (u8.length !== wanted) return {problem: 'This ' + kind + ' could not be read whole.'};
      const picture = pictureKind(u8);
      if (picture) return {problem: 'This ' + kind + ' is a picture (' + picture + '), not a saved file.'};
      const problem = kind === 'S.hs' ? checkScores(u8) : checkName(u8);
      return problem ? {problem} : {kind, bytes: u8};
    }, (e) => ({problem: 'This ' + kind + ' could not be read: ' + (e && e.message ? e.message : String(e))}));
  }

  // ---------------------------------------------------------------------------
  // Asking the browser to keep the storage

  let asked = false;

  function flag(name) {
    try { return window.localStorage.getItem(name); } catch (e) { return null; }
  }

  function showNote(hooks) {
    try { window.localStorage.setItem(NOTE_SHOWN, '1'); } catch (e) { /* shown all the same */ }
    const bar = document.getElementById('files');
    if (!bar || document.getElementById('persistNote')) return;
    const note = document.createElement('div');
    note.id = 'persistNote';
    note.setAttribute('role', 'note');
    const text = document.createElement('span');
    text.textContent = 'This browser may clear the saved results. Keep a copy: ';
    note.appendChild(text);
    const save = document.createElement('button');
    save.type = 'button';
    save.textContent = 'Download S.hs';
    save.addEventListener('click', () => hooks.download('S.hs'));
    note.appendChild(save);
    const ok = document.createElement('button');
    ok.type = 'button';
    ok.textContent = 'OK';
    ok.addEventListener('click', () => {
      note.remove();
      window.dispatchEvent(new Event('resize'));
    });
    note.appendChild(ok);
    bar.appendChild(note);
    // The bar is measured afresh when the window changes size.
    window.dispatchEvent(new Event('resize'));
  }

  // A result was saved: once a run, ask for storage the browser keeps.
  function resultSaved(hooks) {
    if (asked) return;
    asked = true;
    const storage = navigator.storage;
    const refused = () => {
      if (!flag(NOTE_SHOWN)) showNote(hooks);
    };
    if (!storage || typeof storage.persist !== 'function') {
      refused();
      return;
    }
    const persisted = typeof storage.persisted === 'function' ? storage.persisted() : Promise.resolve(false);
    persisted.then((yes) => (yes ? true : storage.persist())).then((kept) => {
      if (!kept) refused();
    }, refused);
  }

  // page.js's storage: a write of S.hs that replaces different stored bytes
  // is a result (the first start writes the defaults where nothing was; the
  // tab's closing writes what is there already).
  function attach(hooks) {
    window.addEventListener('storage', (e) => {
      if (e.key === hooks.prefix + 'S.hs' && e.newValue != null) hooks.queueEvent({type: 'scoresChanged'});
    });
    return {
      written(name, previous, now) {
        if (name !== 'S.hs' || previous == null || previous === now) return;
        resultSaved(hooks);
      },
    };
  }

  globalThis.AgarholdSaves = Object.freeze({readChosen, attach, S_HS_SIZE, S_HS_LIMIT, NAME_LIMIT});
})();
