// Agarhold's service worker: the whole site kept in one cache per build, so
// the game starts with the network gone, and a new build replaces the old one
// whole. scripts/build-web writes the build's version (a hash of every site
// file) and the list of files into the two lines below.
'use strict';

const VERSION = 'unbuilt';
const FILES = [];

const CACHE = 'agarhold-' + VERSION;
const scope = self.registration.scope;

// Every file of this build, or none: a failed fetch fails the installation
// and the build before stays in use.
self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) =>
    cache.addAll(FILES.map((f) => new Request(new URL(f, scope), {cache: 'reload'})))));
});

// The new build takes over once no tab runs the old one; the old cache goes.
self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((keys) =>
    Promise.all(keys.filter((k) => k.startsWith('agarhold-') && k !== CACHE).map((k) => caches.delete(k)))));
});

// The site's files from this build's cache; anything else from the network.
self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || !request.url.startsWith(scope)) return;
  const url = new URL(request.url);
  url.search = '';
  url.hash = '';
  let key = url.href;
  if (key === scope || (request.mode === 'navigate' && key.endsWith('/'))) key = new URL('index.html', key).href;
  event.respondWith(caches.open(CACHE).then((cache) => cache.match(key)).then((hit) => hit || fetch(request)));
});
