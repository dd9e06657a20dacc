// Screens compared in the browser: the desktop's grab and the page's
// screenshot are decoded by the browser's own PNG decoder into canvases and
// compared there, pixel for pixel.
//
// compare(page, desktop, web, bare, regions) takes three PNGs of one size: the
// desktop's grab, the page's screenshot, and the page's screenshot with every
// text made transparent (bare). regions: {masks: [{name, x, y, w, h, why}],
// texts: [{name, x, y, w, h}], stars: null or {x, y, w, h, covers: [rects]}}.
// Outside masks and texts every pixel of web must equal desktop's (RGB), but
// in the star field's open area (the field less what covers it) a black page
// pixel may stand for a desktop star; in a translucent component (translucent:
// true in regions.components) a pixel may be 2 levels off, or brighter on the
// desktop where it lies over the star field. Inside a text's box the inked box (the pixels that
// differ from bare) is found in both pictures; the caller compares them.
export async function compare(page, desktop, web, bare, regions) {
  return page.evaluate(async (pngs, regions) => {
    const decode = async (b64) => {
      const bytes = Uint8Array.from(atob(b64), (c) => c.charCodeAt(0));
      const bitmap = await createImageBitmap(new Blob([bytes], { type: 'image/png' }),
                                             { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
      const canvas = document.createElement('canvas');
      canvas.width = bitmap.width;
      canvas.height = bitmap.height;
      const g = canvas.getContext('2d', { willReadFrequently: true });
      g.drawImage(bitmap, 0, 0);
      return g.getImageData(0, 0, bitmap.width, bitmap.height);
    };
    const [a, b, c] = await Promise.all(pngs.map(decode));
    if (a.width !== b.width || a.height !== b.height || c.width !== b.width || c.height !== b.height)
      return { size: [[a.width, a.height], [b.width, b.height], [c.width, c.height]] };
    const w = a.width;
    const h = a.height;
    const skip = new Uint8Array(w * h);
    const mark = (r) => {
      for (let y = Math.max(0, r.y); y < Math.min(h, r.y + r.h); ++y)
        for (let x = Math.max(0, r.x); x < Math.min(w, r.x + r.w); ++x) skip[y * w + x] = 1;
    };
    regions.masks.forEach(mark);
    regions.texts.forEach(mark);
    // The star field's open area: 2 where a desktop star may stand.
    const field = new Uint8Array(w * h);
    if (regions.stars) {
      const f = regions.stars;
      for (let y = Math.max(0, f.y); y < Math.min(h, f.y + f.h); ++y)
        for (let x = Math.max(0, f.x); x < Math.min(w, f.x + f.w); ++x) field[y * w + x] = 1;
      for (const c of f.covers)
        for (let y = Math.max(0, c.y); y < Math.min(h, c.y + c.h); ++y)
          for (let x = Math.max(0, c.x); x < Math.min(w, c.x + c.w); ++x) field[y * w + x] = 0;
    }
    const black = (p, i) => p.data[i] === 0 && p.data[i + 1] === 0 && p.data[i + 2] === 0;
    // A translucent component the browser composites over what it cannot
    // know beforehand (the star field) rounds its blend its own way, a level
    // or two from Qt's; over the field a desktop star may also shine through
    // it, adding light.
    const inRect = (r, x, y) => x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
    const nearly = (x, y, i, p = a, q = b) => {
      let owner = null;
      for (const c of regions.components || []) if (inRect(c, x, y)) owner = c;
      if (!owner || !owner.translucent) return false;
      if ([0, 1, 2].every((k) => Math.abs(p.data[i + k] - q.data[i + k]) <= 2)) return true;
      return Boolean(regions.stars) && inRect(regions.stars, x, y) &&
             [0, 1, 2].every((k) => p.data[i + k] >= q.data[i + k]);
    };
    const same = (p, q, i) => p.data[i] === q.data[i] && p.data[i + 1] === q.data[i + 1] && p.data[i + 2] === q.data[i + 2];
    const rgb = (p, i) => '#' + [0, 1, 2].map((k) => p.data[i + k].toString(16).padStart(2, '0')).join('');
    let differing = 0;
    const box = { x0: w, y0: h, x1: -1, y1: -1 };
    const samples = [];
    const byComponent = {};
    for (let y = 0; y < h; ++y)
      for (let x = 0; x < w; ++x) {
        const i = (y * w + x) * 4;
        if (skip[y * w + x] || same(a, b, i)) continue;
        if (field[y * w + x] && black(b, i)) continue;
        if (nearly(x, y, i)) continue;
        ++differing;
        box.x0 = Math.min(box.x0, x); box.y0 = Math.min(box.y0, y);
        box.x1 = Math.max(box.x1, x); box.y1 = Math.max(box.y1, y);
        // The component the pixel belongs to: the last (topmost) one holding it.
        let owner = '(none)';
        for (const c of regions.components || [])
          if (x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h) owner = c.name;
        const o = (byComponent[owner] ??= { count: 0, sample: `${x},${y} desktop ${rgb(a, i)} web ${rgb(b, i)}` });
        ++o.count;
        if (samples.length < 12) samples.push(`${x},${y} desktop ${rgb(a, i)} web ${rgb(b, i)} (${owner})`);
      }
    // Which components the differing pixels fall in, innermost first.
    const inked = (p, r) => {
      const ink = { x0: Infinity, y0: Infinity, x1: -Infinity, y1: -Infinity };
      for (let y = Math.max(0, r.y); y < Math.min(h, r.y + r.h); ++y)
        for (let x = Math.max(0, r.x); x < Math.min(w, r.x + r.w); ++x) {
          const i = (y * w + x) * 4;
          if (same(p, c, i) || (field[y * w + x] && black(c, i)) || (p === a && nearly(x, y, i, a, c))) continue;
          ink.x0 = Math.min(ink.x0, x); ink.y0 = Math.min(ink.y0, y);
          ink.x1 = Math.max(ink.x1, x); ink.y1 = Math.max(ink.y1, y);
        }
      return ink.x1 < 0 ? null : ink;
    };
    const texts = regions.texts.map((r) => ({ name: r.name, desktop: inked(a, r), web: inked(b, r) }));
    // A picture for the eye: desktop above, page below, and between them the
    // page dimmed with the pixels that differ from the desktop in red.
    const canvas = document.createElement('canvas');
    canvas.width = w;
    canvas.height = 3 * h;
    const g = canvas.getContext('2d');
    g.putImageData(a, 0, 0);
    const diff = new ImageData(w, h);
    for (let i = 0; i < w * h * 4; i += 4) {
      const off = !same(a, b, i);
      diff.data[i] = off ? 255 : b.data[i] / 3;
      diff.data[i + 1] = off ? 0 : b.data[i + 1] / 3;
      diff.data[i + 2] = off ? 0 : b.data[i + 2] / 3;
      diff.data[i + 3] = 255;
    }
    g.putImageData(diff, 0, h);
    g.putImageData(b, 0, 2 * h);
    const picture = canvas.toDataURL('image/png').split(',')[1];
    return { differing, box, samples, byComponent, texts, picture };
  }, [desktop, web, bare].map((p) => Buffer.from(p).toString('base64')), regions);
}

// The texts whose inked boxes are further apart than `slack` pixels on any
// side, or inked in one picture only.
export function textMismatches(texts, slack = 2) {
  return texts.filter((t) => {
    if (!t.desktop || !t.web) return Boolean(t.desktop) !== Boolean(t.web);
    return ['x0', 'y0', 'x1', 'y1'].some((k) => Math.abs(t.desktop[k] - t.web[k]) > slack);
  });
}
