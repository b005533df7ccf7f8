// The phone app's page: sign-in, the shows near a place, friends' shows, stars and the feed's address.
// Every text from the service is set as textContent, never as markup.
'use strict';

const api = (name) => 'api/' + name;
let csrf = '';
let lastQuery = null;

function $(id) { return document.getElementById(id); }

function say(text) { $('status').textContent = text; }

function setCsrf(token) {
  csrf = token;
  for (const input of document.querySelectorAll('input[name=csrf]')) input.value = token;
}

async function getJson(url) {
  let response;
  try {
    response = await fetch(url, { credentials: 'same-origin', cache: 'no-store' });
  } catch (e) { // offline with nothing kept
    return { ok: false, status: 0, body: {}, offline: true };
  }
  let body = {};
  try { body = await response.json(); } catch (e) { body = {}; }
  return { ok: response.ok, status: response.status, body,
           offline: response.headers.get('X-Voxtrail-Offline') === '1' };
}

async function post(name, fields) {
  const form = new URLSearchParams(fields);
  form.set('csrf', csrf);
  const response = await fetch(api(name), {
    method: 'POST', credentials: 'same-origin', body: form,
    headers: { 'Content-Type': 'application/x-www-form-urlencoded' },
  });
  let body = {};
  try { body = await response.json(); } catch (e) { body = {}; }
  return { ok: response.ok, status: response.status, body };
}

function element(tag, className, text) {
  const e = document.createElement(tag);
  if (className) e.className = className;
  if (text !== undefined) e.textContent = text;
  return e;
}

function dayText(show) {
  const [y, m, d] = show.date.split('-').map(Number);
  const day = new Date(Date.UTC(y, m - 1, d));
  const text = day.toLocaleDateString(undefined, { weekday: 'short', month: 'short', day: 'numeric', timeZone: 'UTC' });
  return show.time ? text + ', ' + show.time : text;
}

function showItem(show) {
  const li = element('li', 'show');
  li.dataset.key = show.key;
  li.dataset.date = show.date;
  li.append(element('span', 'artist', show.artist));
  li.append(element('span', 'when', dayText(show)));
  li.append(element('span', 'where', show.venue + ', ' + show.city));
  if (show.others) li.append(element('span', 'others', 'with ' + show.others));
  if (show.friends) li.append(element('span', 'friends', 'Friends going: ' + show.friends.join(', ')));
  if (/^https?:\/\//.test(show.url)) {
    const link = element('a', 'tickets', show.tickets ? 'Tickets' : 'Details');
    link.href = show.url;
    link.rel = 'noopener noreferrer';
    link.setAttribute('aria-label', (show.tickets ? 'Tickets for ' : 'Details of ') + show.artist);
    li.append(link);
  }
  // A friend's show is not one of the sources' events, which are what a star keeps.
  if (show.friends) return li;
  const star = element('button', 'star', show.starred ? '\u2605' : '\u2606');
  star.type = 'button';
  star.setAttribute('aria-pressed', show.starred ? 'true' : 'false');
  star.setAttribute('aria-label', 'Star ' + show.artist + ' on ' + show.date);
  star.addEventListener('click', () => toggleStar(show));
  li.append(star);
  return li;
}

function renderMonths(container, months, empty) {
  container.replaceChildren();
  if (!months.length) {
    container.append(element('p', 'empty', empty));
    return;
  }
  for (const month of months) {
    container.append(element('h3', 'month-title', month.label));
    const list = element('ul', 'month');
    for (const show of month.shows) list.append(showItem(show));
    container.append(list);
  }
}

function render(list) {
  $('shows-title').textContent = 'Shows within ' + list.radius + ' miles of ' + list.place;
  renderMonths($('shows'), list.months, 'None of your artists plays near there.');
  renderMonths($('starred'), list.starred, 'Star a show to add it to your calendar.');
  // Listed only when the phone account is tied to this installation's sharing account.
  $('friends-section').hidden = !list.friends;
  if (list.friends) renderMonths($('friend-shows'), list.friends, 'Your friends share no upcoming shows.');
  $('artist-count').textContent = String(list.artistCount);
  const artists = $('artists');
  artists.replaceChildren();
  for (const name of list.artists) artists.append(element('li', '', name));
}

async function loadShows(query) {
  lastQuery = query;
  const result = await getJson(api('shows') + '?' + new URLSearchParams(query));
  if (result.status === 401) return showSignIn();
  if (!result.ok) return say(result.body.error || 'The service did not answer.');
  localStorage.setItem('voxtrail-query', JSON.stringify(query));
  say(result.offline ? 'Offline: this is the last list you saw.' : '');
  render(result.body);
}

async function loadFeed() {
  const result = await getJson(api('feed'));
  if (!result.ok) return;
  $('feed-webcal').href = result.body.webcal;
  $('feed-https').href = result.body.https;
  $('feed-https').textContent = result.body.https;
}

function showSignIn() {
  $('app').hidden = true;
  $('who').hidden = true;
  $('sign-in').hidden = false;
  getJson(api('session')).then((r) => { if (r.ok && !r.body.signedIn) setCsrf(r.body.csrf); });
}

function showApp(session) {
  setCsrf(session.csrf);
  $('sign-in').hidden = true;
  $('app').hidden = false;
  $('who').hidden = false;
  $('who-name').textContent = session.username;
  loadFeed();
  const kept = localStorage.getItem('voxtrail-query');
  if (kept) {
    const query = JSON.parse(kept);
    if (query.place) $('place').value = query.place;
    if (query.radius) $('radius').value = query.radius;
    loadShows(query);
  }
}

async function toggleStar(show) {
  const result = await post('star', { show: show.key, on: show.starred ? '0' : '1' });
  if (!result.ok) return say(result.body.error || 'The star was not kept.');
  if (lastQuery) loadShows(lastQuery);
}

async function start() {
  if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js', { scope: './' }).catch(() => {});
  $('sign-in').addEventListener('submit', async (event) => {
    event.preventDefault();
    const fields = { username: $('username').value, password: $('password').value };
    const result = await post('signin', fields);
    $('password').value = '';
    if (!result.ok) {
      say(result.body.error || 'Signing in failed.');
      if (result.status === 403) showSignIn();
      return;
    }
    say('');
    showApp(result.body);
  });
  $('where').addEventListener('submit', (event) => {
    event.preventDefault();
    loadShows({ place: $('place').value, radius: $('radius').value });
  });
  $('locate').addEventListener('click', () => {
    if (!navigator.geolocation) return say('This browser cannot tell where you are.');
    navigator.geolocation.getCurrentPosition(
      (p) => loadShows({ lat: p.coords.latitude.toFixed(4), lon: p.coords.longitude.toFixed(4),
                         radius: $('radius').value }),
      () => say('Your location is not available; type a place instead.'));
  });
  $('sign-out').addEventListener('click', async () => {
    await post('signout', {});
    localStorage.removeItem('voxtrail-query');
    $('shows').replaceChildren();
    $('starred').replaceChildren();
    $('friend-shows').replaceChildren();
    showSignIn();
  });
  const session = await getJson(api('session'));
  if (session.ok && session.body.signedIn) showApp(session.body);
  else if (session.ok) { setCsrf(session.body.csrf); showSignIn(); }
  else say('The service cannot be reached.');
}

document.addEventListener('DOMContentLoaded', start);
