// Where a test run finds the built site, the emscripten objects, the desktop's
// grabs and layout, and the native golden program (set by CMake; defaults for a run by
// hand after `scripts/build-web build-web`).
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const repo = path.resolve(here, '../../..');
export const SITE = process.env.AGARHOLD_WEB_SITE || path.join(repo, 'build-web');
export const OBJ = process.env.AGARHOLD_WEB_OBJ || `${SITE}-obj`;
export const DESKTOP_SCREENS = process.env.AGARHOLD_DESKTOP_SCREENS || path.join(repo, 'build', 'web-desktop-screens');
// The layout this machine's Qt writes, beside the grabs it drew (none: the site's).
export const DESKTOP_LAYOUT = process.env.AGARHOLD_DESKTOP_LAYOUT || path.join(repo, 'build', 'web-desktop-layout.json');
export const NATIVE_GOLDEN = process.env.AGARHOLD_NATIVE_GOLDEN || path.join(repo, 'build', 'agarhold_golden');
