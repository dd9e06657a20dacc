// Runs one of the web build's emscripten programs under node:
//   node web/host/run-node.js <build>/agarhold_golden.js [arguments...]
// The glue of emscripten 3.1.6 fetches the .wasm with fetch(), which node
// cannot do from a file path; without fetch it reads the file itself.
'use strict';
const path = require('path');
delete globalThis.fetch;
process.argv.splice(1, 1);
require(path.resolve(process.argv[1]));
