// Keeps the app's files and its last answers, so that the last list reads offline.
'use strict';

const SHELL = 'voxtrail-shell-1';
const DATA = 'voxtrail-data';
const FILES = ['./', 'app.js', 'app.css', 'manifest.webmanifest', 'icon-192.png', 'icon-512.png'];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(SHELL).then((cache) => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((n) => n !== SHELL && n !== DATA).map((n) => caches.delete(n))))
    .then(() => self.clients.claim()));
});

// An answer kept from before, marked as such for the page.
async function kept(cacheName, key) {
  const cache = await caches.open(cacheName);
  const hit = await cache.match(key);
  if (!hit) return Response.error();
  const headers = new Headers(hit.headers);
  headers.set('X-Voxtrail-Offline', '1');
  return new Response(await hit.blob(), { status: hit.status, headers });
}

// Whether the service says the session is over (signed out elsewhere, expired, or ended by a new
// password): then nothing the account showed is kept any longer.
async function sessionEnded(path, response) {
  if (response.status === 401) return true;
  if (path !== '/app/api/session' || !response.ok) return false;
  try {
    return !(await response.clone().json()).signedIn;
  } catch (e) {
    return false;
  }
}

self.addEventListener('fetch', (event) => {
  const url = new URL(event.request.url);
  if (url.origin !== self.location.origin || !url.pathname.startsWith('/app/')) return;
  if (event.request.method === 'POST') {
    // What the account showed stays on the device no longer than the session.
    event.respondWith(fetch(event.request).then(async (r) => {
      if (url.pathname === '/app/api/signout' || r.status === 401) await caches.delete(DATA);
      return r;
    }));
    return;
  }
  if (url.pathname.startsWith('/app/feed/')) return;
  const isData = url.pathname.startsWith('/app/api/');
  // Answers are kept by path alone: the last list answers for any place while offline.
  const key = isData ? url.origin + url.pathname : event.request;
  event.respondWith(fetch(event.request).then(async (response) => {
    if (isData && await sessionEnded(url.pathname, response)) {
      await caches.delete(DATA);
    } else if (response.ok) {
      const cache = await caches.open(isData ? DATA : SHELL);
      await cache.put(key, response.clone());
    }
    return response;
  }).catch(() => kept(isData ? DATA : SHELL, key)));
});
