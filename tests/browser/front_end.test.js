'use strict';
// The web front end in Debian's Chromium (puppeteer-core, nothing downloaded), run inside
// the virtual router after its boot: the login, the status page, saving the WAN and LAN
// pages (the store, the files and the tools' commands follow), refused changes, and hostile
// values typed into the fields. Screenshots go to $SHOTS.
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const { execFileSync } = require('node:child_process');
const helpers = require('./helpers');
const { fill, save, shot, saved, sleep } = helpers;

const hostile = `<img src=x onerror="document.title='pwned'">';touch /tmp/pwned;'$(touch /tmp/pwned)`;
let router = 'http://192.168.1.1';
// Each test's bound: a page that never answers fails its test instead of hanging the run.
const limit = { timeout: 240000 };
let browser;

const setting = key => execFileSync('nvram_get', ['2860', key]).toString().replace(/\n$/, '');
const read = path => (fs.existsSync(path) ? fs.readFileSync(path, 'utf8') : '');
const addresses = ifname => execFileSync('ip', ['-4', '-o', 'addr', 'show', ifname]).toString();

async function until(what, check) {
  for (let i = 0; i < 100; i++) {
    if (check()) return;
    await sleep(100);
  }
  assert.fail('waited 10 s in vain for ' + what);
}

const open = (path, credentials) => helpers.open(browser, router + path, credentials);

// The boot starts the web server and brings up br0 in the background: wait for an answer.
async function serving() {
  for (let i = 0; i < 300; i++) {
    try {
      return await fetch(router + '/');
    } catch {
      await sleep(100);
    }
  }
  assert.fail(`no answer from ${router} in 30 s`);
}

test.before(async () => {
  await serving();
  browser = await helpers.launch();
});
test.after(() => browser.close());

test('a wrong password is refused; the login shows the status', limit, async () => {
  // The status shows the DHCP lease from the provider (10.0.2.100-110) once there is one.
  await until('the WAN lease', () => / inet 10\.0\.2\.1[01][0-9]\//.test(addresses('eth2.2')));
  const wrong = await open('/', { username: 'admin', password: 'wrong' });
  assert.equal(wrong.response.status(), 401);
  const { page } = await open('/');
  const shown = await helpers.statusShown(page);
  assert.equal(shown.wanMode, 'DHCP');
  assert.equal(shown.lanIp, '192.168.1.1');
  assert.ok(addresses('eth2.2').includes(` inet ${shown.wanIp}/`), shown.wanIp);
  await shot(page, 'status');
});

test('a static WAN saved on its page reaches the store, the files and the WAN tool', limit, async () => {
  const { page } = await open('/wan.html');
  const values = { wanConnectionMode: 'STATIC', wan_ipaddr: '10.0.2.50', wan_netmask: '255.255.255.0',
    wan_gateway: '10.0.2.2', wan_dns_mode: '1', wan_primary_dns: '10.0.2.3' };
  await fill(page, values);
  const { body, outcomes, verdict } = await save(page);
  assert.deepEqual(body, { page: 'wan', ...values }); // only what was changed: empty fields stay unsent
  assert.deepEqual(outcomes, saved(Object.keys(values)));
  assert.match(verdict, /^Saved/);
  for (const [key, value] of Object.entries(values)) assert.equal(setting(key), value);
  assert.equal(setting('wan_pppoe_user_mm'), '');
  await until('the static WAN', () => read('/etc/resolv.conf') === 'nameserver 10.0.2.3\n' &&
    addresses('eth2.2').includes(' inet 10.0.2.50/24'));
  assert.match(read('/.vrouter/log/sh.log'), / qavo_sub ombix_networkconfig mtk7620 initwan &\n/);
  await shot(page, 'wan');
});

test('a LAN address saved on its page moves the router there', limit, async () => {
  const { page } = await open('/lan.html');
  const values = { lan_ipaddr: '192.168.5.1', dhcpStart: '192.168.5.100', dhcpEnd: '192.168.5.200' };
  await fill(page, values);
  const { outcomes } = await save(page);
  assert.deepEqual(outcomes, saved(Object.keys(values)));
  await shot(page, 'lan');
  await until('br0 on the new address', () =>
    addresses('br0').includes(' inet 192.168.5.1/24') &&
    /start 192\.168\.5\.100\n/.test(read('/etc/udhcpd.conf')));
  assert.match(read('/.vrouter/log/sh.log'), / qavo_sub ombix_networkconfig mtk7620 initlan &\n/);
  router = 'http://192.168.5.1';
  const status = await open('/');
  await status.page.waitForFunction(() => document.getElementById('lanIp').textContent === '192.168.5.1');
  await shot(status.page, 'status-after-saving');
});

test('changes without the login, from another site, or by GET are refused', limit, async () => {
  const before = setting('HostName');
  const cgi = `${router}/cgi-bin/qavo.cgi`;
  const anonymous = await fetch(cgi, { method: 'POST', body: new URLSearchParams({ page: 'lan', HostName: 'x' }) });
  assert.equal(anonymous.status, 401);
  const { page } = await open('/');
  // A page of another origin (a data: URL) posting the router's form.
  await page.goto('data:text/html,' + encodeURIComponent(`<form method="post" action="${cgi}">` +
    '<input name="page" value="lan"><input name="HostName" value="evil"></form>'));
  const [crossSite] = await Promise.all([page.waitForNavigation(), page.$eval('form', f => f.submit())]);
  assert.equal(crossSite.status(), 403);
  const byGet = await page.goto(`${cgi}?page=lan&HostName=evil`);
  assert.equal(byGet.status(), 405);
  assert.equal(setting('HostName'), before);
});

test('hostile values typed into the fields are refused or stored exactly, never run or shown as markup', limit, async () => {
  const lan = await open('/lan.html');
  const inputs = await lan.page.$$eval('input', fields => fields.map(f => f.name));
  const before = Object.fromEntries(inputs.map(k => [k, setting(k)]));
  await fill(lan.page, Object.fromEntries(inputs.map(k => [k, hostile])));
  const refused = await save(lan.page);
  for (const key of inputs) assert.match(refused.outcomes[key], new RegExp(`^Error: setting ${key} `));
  assert.deepEqual(Object.fromEntries(inputs.map(k => [k, setting(k)])), before);
  await shot(lan.page, 'lan-hostile');

  // Every input of every mode: refused ones named, the others not saved with them.
  const modes = ['STATIC', 'DHCP', 'L2TP', 'PPTP', 'PPPOE'];
  const typeInto = async (page, wanted) => {
    const typed = new Set();
    for (const mode of modes) {
      await fill(page, { wanConnectionMode: mode });
      const shown = await page.$$eval('fieldset:not([hidden]) input', fields => fields.map(f => f.name));
      const now = shown.filter(k => wanted(k) && !typed.has(k));
      now.forEach(k => typed.add(k));
      await fill(page, Object.fromEntries(now.map(k => [k, hostile])));
    }
  };
  const first = await open('/wan.html');
  await typeInto(first.page, () => true);
  const outcomes = (await save(first.page)).outcomes;
  const accepted = Object.keys(outcomes).filter(k => outcomes[k] === 'not saved' && k !== 'wanConnectionMode');
  for (const key of Object.keys(outcomes).filter(k => !accepted.includes(k) && k !== 'wanConnectionMode'))
    assert.match(outcomes[key], new RegExp(`^Error: setting ${key} `));
  for (const key of accepted) assert.equal(setting(key), '');
  assert.ok(accepted.includes('wan_pppoe_user_mm') && accepted.includes('wan_pptp_server'));
  // Those again, alone: stored exactly as typed; the PPPoE tool run uses them.
  const wan = await open('/wan.html');
  await typeInto(wan.page, name => accepted.includes(name));
  const stored = await save(wan.page);
  assert.deepEqual(stored.outcomes, saved(['wanConnectionMode', ...accepted]));
  for (const key of accepted) assert.equal(setting(key), hostile);
  await until('the PPPoE dial', () => / pppd /.test(read('/.vrouter/log/sh.log')));
  const reloaded = await open('/wan.html');
  await reloaded.page.waitForFunction(() => document.forms[0].elements[0].dataset.loaded !== undefined);
  assert.equal(await reloaded.page.$eval('[name=wan_pppoe_user_mm]', e => e.value), hostile);
  for (const { page } of [lan, first, wan, reloaded]) {
    assert.equal(await page.$$eval('img', images => images.length), 0);
    assert.notEqual(await page.title(), 'pwned');
  }
  assert.equal(fs.existsSync('/tmp/pwned'), false);
  await shot(wan.page, 'wan-hostile');
});
