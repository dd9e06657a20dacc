// The golden same-seed match: the rules compiled to WebAssembly and run in each
// browser end on the same board, times and rating as the native build.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { serve } from './lib/server.mjs';
import { browserNames, launch, newPage, waitFor } from './lib/browsers.mjs';
import { OBJ, NATIVE_GOLDEN } from './lib/env.mjs';

// A bare page that runs the golden program and keeps what it prints.
const PAGE = `<!doctype html><meta charset="utf-8"><title>golden</title>
<script>window.lines = []; var Module = { print: (t) => lines.push(t), printErr: (t) => lines.push('! ' + t) };</script>
<script src="agarhold_golden.js"></script>`;

describe('golden same-seed match', () => {
  let srv;
  let nativeLine;
  before(async () => {
    nativeLine = execFileSync(NATIVE_GOLDEN, { encoding: 'utf8' }).trim();
    assert.match(nativeLine, /^golden board [0-9a-f]{16} matches /);
    srv = await serve(OBJ, { '/golden.html': { type: 'text/html', body: PAGE } });
  });
  after(() => srv?.close());

  for (const name of browserNames()) {
    test(`${name} prints the native build's line`, async () => {
      const b = await launch(name);
      try {
        const page = await newPage(b);
        await page.goto(srv.url + 'golden.html');
        const handle = await waitFor(page, () => window.lines.find((l) => l.startsWith('golden board')),
                                     null, 'the golden line', 300000);
        assert.equal(await handle.jsonValue(), nativeLine);
        assert.deepEqual(await page.evaluate(() => window.lines.filter((l) => l.startsWith('!'))), []);
      } finally {
        await b.close();
      }
    });
  }
});
