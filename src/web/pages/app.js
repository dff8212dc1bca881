'use strict';
// The web console's page: log-in, then the conference's state as the
// program pushes it over /api/events, the moderation actions (operators)
// and the chat and moderation log. No outside address is used.

const $ = (id) => document.getElementById(id);
let csrf = '';
let role = '';
let socket = null;
let retry = 1000;
// Until when the server's answer in the chat (from its first line without a
// sender, ": ...", on with the lines it runs over) is also shown under the
// listing that asked for it.
let listingUntil = 0;
let answering = false;

function show(loggedIn) {
  $('login').hidden = loggedIn;
  $('console').hidden = !loggedIn;
  $('logout').hidden = !loggedIn;
  document.body.classList.toggle('viewer', role !== 'operator');
}

async function api(method, path, body) {
  const headers = { 'Content-Type': 'application/json' };
  if (csrf) headers['X-CSRF-Token'] = csrf;
  const response = await fetch(path, {
    method, headers, credentials: 'same-origin',
    body: body === undefined ? undefined : JSON.stringify(body),
  });
  let data = {};
  try { data = await response.json(); } catch (e) { /* no JSON body */ }
  if (response.status === 401 && path !== '/api/login') { csrf = ''; show(false); }
  return { status: response.status, data };
}

function text(el, value) { el.textContent = value === undefined || value === null ? '' : String(value); }

function minutesSeconds(s) {
  const m = Math.floor(s / 60);
  return m + ':' + String(s % 60).padStart(2, '0');
}

function renderStatus(s) {
  text($('conf'), s.conference);
  text($('linked'), s.linked ? 'linked' : 'not linked');
  text($('admin'), s.admin);
  text($('talker'), s.talker || '—');
  text($('lastTalker'), s.lastTalker);
  text($('countdown'), minutesSeconds(s.countdownSeconds) + ' of ' + s.talkLimitMinutes + ' min');
  text($('stationCount'), s.stationCount);
  const list = $('stations');
  list.replaceChildren(...s.stations.map((st) => {
    const li = document.createElement('li');
    li.textContent = (st.talking ? '▶ ' : '') + st.call + (st.name ? ' ' + st.name : '') + (st.muted ? ' (muted)' : '');
    if (st.talking) li.classList.add('talking');
    if (st.muted) li.classList.add('muted');
    li.dataset.call = st.call;
    li.addEventListener('click', () => { $('call').value = st.call; });
    return li;
  }));
  const body = $('slots').querySelector('tbody');
  body.replaceChildren(...s.slots.map((slot) => {
    const tr = document.createElement('tr');
    const cells = [slot.number + ' ' + slot.kind, slot.call || '—',
      slot.running ? minutesSeconds(slot.secondsLeft) : 'idle'];
    for (const c of cells) { const td = document.createElement('td'); td.textContent = c; tr.append(td); }
    const td = document.createElement('td');
    if (role === 'operator' && slot.call) {
      const b = document.createElement('button');
      b.textContent = slot.kind === 'unban' ? 'Un-ban now' : 'Un-mute now';
      b.addEventListener('click', () => act('release', { slot: slot.number }));
      td.append(b);
    }
    tr.append(td);
    return tr;
  }));
  const schedules = s.schedules && s.schedules.length ? s.schedules : ['None set.'];
  $('schedules').replaceChildren(...schedules.map((line) => {
    const li = document.createElement('li'); li.textContent = line; return li;
  }));
}

function addLine(listId, line, newestFirst) {
  const li = document.createElement('li');
  li.textContent = line;
  const list = $(listId);
  if (newestFirst) list.prepend(li); else { list.append(li); list.scrollTop = list.scrollHeight; }
  while (list.children.length > 500) (newestFirst ? list.lastChild : list.firstChild).remove();
  if (listId === 'log') filterLog();
}

function filterLog() {
  const want = $('logFilter').value.trim().toUpperCase();
  for (const li of $('log').children) {
    const station = (li.textContent.split(' | ')[2] || '').trim().toUpperCase();
    li.hidden = want !== '' && station !== want;
  }
}

async function loadLines() {
  const log = await api('GET', '/api/log?lines=200');
  if (log.status === 200) { $('log').replaceChildren(); log.data.lines.reverse().forEach((l) => addLine('log', l, true)); }
  const chat = await api('GET', '/api/chat?lines=200');
  if (chat.status === 200) { $('chat').replaceChildren(); chat.data.lines.reverse().forEach((l) => addLine('chat', l, false)); }
}

function follow() {
  const scheme = location.protocol === 'https:' ? 'wss://' : 'ws://';
  socket = new WebSocket(scheme + location.host + '/api/events');
  socket.onmessage = (m) => {
    const event = JSON.parse(m.data);
    if (event.type === 'status') renderStatus(event.status);
    else if (event.type === 'chat') {
      addLine('chat', event.line, false);
      answering = Date.now() < listingUntil && (answering || event.line.startsWith(': '));
      if (answering) $('answer').textContent += '\n' + event.line.replace(/^: /, '');
    }
    else if (event.type === 'log') addLine('log', event.entry, true);
  };
  socket.onopen = () => { retry = 1000; };
  socket.onclose = () => {
    socket = null;
    if (!$('console').hidden) { setTimeout(start, retry); retry = Math.min(retry * 2, 30000); }
  };
}

async function start() {
  const session = await api('GET', '/api/session');
  if (session.status !== 200) { show(false); return; }
  csrf = session.data.csrf;
  role = session.data.role;
  text($('who'), session.data.user + ' (' + role + ')');
  show(true);
  const status = await api('GET', '/api/status');
  if (status.status === 200) renderStatus(status.data);
  await loadLines();
  if (!socket) follow();
}

async function act(name, args) {
  const r = await api('POST', '/api/actions/' + name, args);
  const out = $('answer');
  if (r.status !== 200) { out.textContent = 'Refused: ' + (r.data.error || r.status); return; }
  out.textContent = r.data.done ? 'Sent: ' + r.data.sent.join('  ·  ') : 'Not done: ' + r.data.why;
  listingUntil = r.data.done && name === 'listing' ? Date.now() + 5000 : 0;
  answering = false;
}

document.addEventListener('DOMContentLoaded', () => {
  $('login').addEventListener('submit', async (e) => {
    e.preventDefault();
    const r = await api('POST', '/api/login', { user: $('user').value, password: $('password').value });
    $('password').value = '';
    if (r.status === 200) { $('loginError').textContent = ''; start(); }
    else $('loginError').textContent = r.data.error || ('Refused (' + r.status + ')');
  });
  $('logout').addEventListener('click', async () => {
    await api('POST', '/api/logout');
    csrf = ''; role = '';
    if (socket) socket.close();
    show(false);
  });
  $('useLast').addEventListener('click', () => { $('call').value = $('lastTalker').textContent; });
  $('logFilter').addEventListener('input', filterLog);
  for (const b of document.querySelectorAll('button[data-action]')) {
    b.addEventListener('click', () => {
      const args = {};
      if (b.dataset.notice) args.notice = b.dataset.notice;
      if (b.dataset.which) args.which = b.dataset.which;
      if (b.hasAttribute('data-call')) {
        args.call = $('call').value.trim();
        const name = b.dataset.action;
        if (name === 'mute' || name === 'unmute') args.notice = $('notice').value;
        const timed = $('timed').checked && (name === 'ban' || (name === 'mute' && args.notice !== 'persistent'));
        if (timed) args.timedMinutes = Number($('minutes').value);
      }
      act(b.dataset.action, args);
    });
  }
  $('chatForm').addEventListener('submit', async (e) => {
    e.preventDefault();
    const r = await api('POST', '/api/chat', { text: $('chatText').value });
    if (r.status === 200 && r.data.done) $('chatText').value = '';
    else $('answer').textContent = 'Chat not sent: ' + (r.data.why || r.data.error || r.status);
  });
  start();
});
