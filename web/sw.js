// Kalvor's service worker: keeps the page's files for offline use once the
// page has been opened over http(s). The cache's name carries the release
// and a hash of the files, which the build writes in, as their list; so a new
// release is a new worker that fills a cache of its own and deletes the
// old one. The files come from the cache first, anything else from the
// network; a page address that is neither (such as the folder itself,
// offline) gets the page.
"use strict";
const CACHE = "{{CACHE}}";
const FILES = {{FILES}};

self.addEventListener("install", (event) => {
  event.waitUntil(
    caches
      .open(CACHE)
      .then((cache) => cache.addAll(FILES))
      .then(() => self.skipWaiting()),
  );
});

self.addEventListener("activate", (event) => {
  event.waitUntil(
    caches
      .keys()
      .then((names) => names.filter((name) => name.startsWith("kalvor-") && name !== CACHE))
      .then((old) => Promise.all(old.map((name) => caches.delete(name))))
      .then(() => self.clients.claim()),
  );
});

self.addEventListener("fetch", (event) => {
  const request = event.request;
  if (request.method !== "GET" || new URL(request.url).origin !== location.origin) return;
  event.respondWith(
    caches.open(CACHE).then(async (cache) => {
      const kept = await cache.match(request, { ignoreSearch: true });
      if (kept) return kept;
      try {
        return await fetch(request);
      } catch (error) {
        const page = request.mode === "navigate" && (await cache.match("index.html"));
        if (page) return page;
        throw error;
      }
    }),
  );
});
