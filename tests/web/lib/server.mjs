// A static file server for the built site on a free port of the loopback
// address, with the MIME types a browser insists on (application/wasm for
// streaming compilation), logging every request it answers.
import http from 'node:http';
import fs from 'node:fs/promises';
import path from 'node:path';

export const MIME = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.json': 'application/json',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.jpg': 'image/jpeg',
  '.wav': 'audio/wav',
  '.ttf': 'font/ttf',
  '.ico': 'image/x-icon',
  '.svg': 'image/svg+xml',
  '.txt': 'text/plain; charset=utf-8',
};

// Serves the folder root; extra maps a URL path to {type, body} for pages the
// tests add beside the site. Resolves to {url, requests, close()}.
export async function serve(root, extra = {}) {
  const requests = [];
  const server = http.createServer(async (req, res) => {
    const url = new URL(req.url, 'http://localhost');
    const entry = { method: req.method, path: url.pathname, status: 0 };
    requests.push(entry);
    const reply = (status, type, body) => {
      entry.status = status;
      res.writeHead(status, { 'Content-Type': type, 'Cache-Control': 'no-store' });
      res.end(req.method === 'HEAD' ? undefined : body);
    };
    if (extra[url.pathname]) return reply(200, extra[url.pathname].type, extra[url.pathname].body);
    let rel = decodeURIComponent(url.pathname);
    if (rel.endsWith('/')) rel += 'index.html';
    const file = path.join(root, path.normalize(rel));
    if (!file.startsWith(path.resolve(root) + path.sep)) return reply(403, 'text/plain', 'forbidden');
    try {
      const body = await fs.readFile(file);
      reply(200, MIME[path.extname(file)] ?? 'application/octet-stream', body);
    } catch {
      reply(404, 'text/plain', 'not found');
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  return {
    url: `http://127.0.0.1:${port}/`,
    requests,
    close: () => new Promise((resolve) => { server.closeAllConnections?.(); server.close(resolve); }),
  };
}
