// The page's service worker: the files of one release in a cache named after it, served from
// there first, so that after one visit the intro plays with the network gone. A new release
// (another name below, filled in by the build) fetches its files anew, takes over at once and
// deletes the caches of earlier releases. Each copy of the page on a host (its folder, the
// worker's scope) has caches of its own.
'use strict';
const kPrefix = `korvan ${self.registration.scope} `;
const kCache = `${kPrefix}@KORVAN_RELEASE@`;
// Both programs: the page picks korvan-nosimd.wasm where the browser has no WebAssembly SIMD.
const kFiles = ['./', 'index.html', 'korvan.wasm', 'korvan-nosimd.wasm',
                'manifest.webmanifest', 'korvan.png', 'korvan-192.png', 'korvan-512.png'];

self.addEventListener('install', (event) => {
  // From the server, past the browser's HTTP cache: the files must be this release's.
  event.waitUntil(caches.open(kCache)
    .then((cache) => cache.addAll(kFiles.map((file) => new Request(file, { cache: 'reload' }))))
    .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name.startsWith(kPrefix) && name !== kCache)
                                      .map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

// The page's own files come from the cache (the page itself whatever options its address
// carries); anything else, and a file missing from the cache, from the network.
self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin)
    return;
  event.respondWith(caches.open(kCache)
    .then((cache) => cache.match(request, { ignoreSearch: request.mode === 'navigate' }))
    .then((cached) => cached || fetch(request)));
});
