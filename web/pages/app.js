// Shared by the pages: reads a page's values through the CGI, fills the page with them as
// text (never as markup), and saves only the fields the person changed.
'use strict';
// Without the page's own user:password@ part, which fetch refuses to send.
const cgi = '/cgi-bin/qavo.cgi';

async function ask(init, query) {
  try {
    const reply = await fetch(location.origin + cgi + (query || ''), Object.assign({ cache: 'no-store' }, init));
    return await reply.json();
  } catch (e) {
    return { success: false, error: 'no answer from the router (' + e.message + ')' };
  }
}

function say(id, text, kind) {
  const element = document.getElementById(id);
  element.textContent = text;
  element.className = kind || '';
}

// The form's inputs and selects, each named after its setting.
function fields(form) {
  return Array.from(form.elements).filter(e => e.name);
}

function result(field) {
  let span = field.parentNode.querySelector('.result');
  if (!span) {
    span = document.createElement('span');
    field.parentNode.appendChild(span);
  }
  return span;
}

// Shows the fieldsets of the chosen connection mode only.
function showMode(form) {
  const mode = form.elements.wanConnectionMode;
  if (!mode) return;
  for (const set of form.querySelectorAll('fieldset[data-modes]'))
    set.hidden = !set.dataset.modes.split(' ').includes(mode.value);
}

async function loadForm(page) {
  const form = document.forms[0];
  const values = await ask({}, '?page=' + page);
  if (values.error) say('result', 'Cannot read the settings: ' + values.error, 'refused');
  for (const field of fields(form)) {
    const value = typeof values[field.name] === 'string' ? values[field.name] : '';
    field.value = value;
    field.dataset.loaded = value;
  }
  showMode(form);
  form.addEventListener('change', () => showMode(form));
  form.addEventListener('submit', event => { event.preventDefault(); save(page, form); });
}

async function save(page, form) {
  const body = new URLSearchParams({ page });
  const changed = fields(form).filter(f => f.value !== f.dataset.loaded);
  for (const field of fields(form)) result(field).textContent = '';
  if (!changed.length) return say('result', 'Nothing was changed.');
  for (const field of changed) body.append(field.name, field.value);
  say('result', 'Saving...');
  const reply = await ask({ method: 'POST', body });
  for (const field of changed) {
    const outcome = reply.fields && reply.fields[field.name];
    const span = result(field);
    span.textContent = outcome || '';
    span.className = 'result ' + (outcome === 'saved' ? 'saved' : 'refused');
    if (outcome === 'saved') field.dataset.loaded = field.value;
  }
  if (reply.success) say('result', 'Saved; the router applies the settings now.', 'saved');
  else say('result', 'Not saved: ' + (reply.error || 'no answer'), 'refused');
}

function uptimeText(value) {
  const [d, h, m, s] = (value || '').split(';');
  return d === undefined ? '' : `${d} d ${h} h ${m} min ${s} s`;
}

async function loadStatus() {
  const status = await ask({}, '?page=status');
  if (status.error) return say('result', 'Cannot read the status: ' + status.error, 'refused');
  say('wanMode', status.wanConnectionMode);
  say('wanIp', status.wanIp || '(none)');
  say('wanLink', status.wanLink + (status.wanStatus ? ' (' + status.wanStatus + ')' : ''));
  say('lanIp', status.lanIp || '(none)');
  say('uptime', uptimeText(status.uptime));
  say('usb', status.usb || '(no USB storage)');
}
