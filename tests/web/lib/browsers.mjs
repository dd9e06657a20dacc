// The two browsers the tests drive, the Debian packages: Chromium over the
// DevTools protocol and Firefox ESR over WebDriver BiDi, each with a fresh
// profile of its own that is removed afterwards, in US English (the desktop's
// grabs are made in that locale too).
import puppeteer from 'puppeteer-core';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const EXECUTABLES = { chromium: '/usr/bin/chromium', firefox: '/usr/bin/firefox-esr' };

// The browsers to test: AGARHOLD_WEB_BROWSERS (comma-separated) or both.
export function browserNames() {
  const wanted = (process.env.AGARHOLD_WEB_BROWSERS || 'chromium,firefox').split(',').filter(Boolean);
  for (const name of wanted) {
    if (!EXECUTABLES[name]) throw new Error(`unknown browser ${name}`);
  }
  return wanted;
}

export async function launch(name) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), `agarhold-${name}-`));
  const downloads = path.join(profile, 'downloads');
  fs.mkdirSync(downloads);
  let browser;
  if (name === 'chromium') {
    browser = await puppeteer.launch({
      executablePath: EXECUTABLES.chromium,
      headless: true,
      userDataDir: profile,
      args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync',
             '--autoplay-policy=user-gesture-required', '--lang=en-US'],
      env: { ...process.env, LANG: 'en_US.UTF-8', LANGUAGE: 'en_US' },
      defaultViewport: null,
    });
  } else {
    browser = await puppeteer.launch({
      browser: 'firefox',
      executablePath: EXECUTABLES.firefox,
      headless: true,
      userDataDir: profile,
      defaultViewport: null,
      env: { ...process.env, LANG: 'en_US.UTF-8', LANGUAGE: 'en_US' },
      extraPrefsFirefox: {
        // Dates in the short format of US English, as the desktop's grabs.
        'intl.locale.requested': 'en-US',
        'intl.regional_prefs.use_os_locales': false,
        // Saved files land in the profile's folder without asking.
        'browser.download.dir': downloads,
        'browser.download.folderList': 2,
        'browser.download.useDownloadDir': true,
        'browser.download.always_ask_before_handling_new_types': false,
        'browser.helperApps.neverAsk.saveToDisk': 'application/octet-stream',
        'browser.download.start_downloads_in_tmp_dir': false,
      },
    });
  }
  const close = async () => {
    try { await browser.close(); } finally { fs.rmSync(profile, { recursive: true, force: true }); }
  };
  return { name, browser, profile, downloads, close };
}

// A new tab at the design size, one device pixel per CSS pixel.
export async function newPage(b, width = 747, height = 543) {
  const page = await b.browser.newPage();
  await page.setViewport({ width, height, deviceScaleFactor: 1 });
  page.consoleLines = [];
  page.on('console', (m) => page.consoleLines.push(`${m.type()}: ${m.text()}`));
  page.on('pageerror', (e) => page.consoleLines.push(`pageerror: ${e.message}`));
  return page;
}

// Polls fn() in the page until it returns a truthy value; the limit is
// generous and only ends a test that would otherwise hang.
export async function waitFor(page, fn, arg, what, timeout = 60000) {
  try {
    return await page.waitForFunction(fn, { timeout, polling: 50 }, arg);
  } catch (e) {
    throw new Error(`${what}: not seen within ${timeout / 1000} s (${e.message})\n` +
                    page.consoleLines.slice(-20).join('\n'));
  }
}
