'use strict';
// On the emulated board, from the host through the emulator's forwarded port
// ($QAVO_ROUTER_URL; tests/browser/emulated_pppoe.sh): a person logs in, switches the WAN
// from DHCP to PPPoE with the provider's account, saves, and sees the link come up on the
// status page. The board's report then shows ppp0 (checked by the script).
const test = require('node:test');
const assert = require('node:assert');
const { launch, open, fill, save, statusShown, shot, saved, sleep } = require('./helpers');

const router = process.env.QAVO_ROUTER_URL;

test('the WAN switched from DHCP to PPPoE on its page dials the provider', { timeout: 240000 }, async () => {
  const browser = await launch();
  try {
    // One tab throughout: a page in the background is not painted, and the waits poll on paints.
    const { page } = await open(browser, `${router}/`);
    assert.equal((await statusShown(page)).wanMode, 'DHCP');
    await page.goto(`${router}/wan.html`);
    const values = { wanConnectionMode: 'PPPOE', wan_pppoe_user_mm: 'me@isp', wan_pppoe_pass: 'secret' };
    await fill(page, values);
    const { outcomes, verdict } = await save(page);
    assert.deepEqual(outcomes, saved(Object.keys(values)));
    assert.match(verdict, /^Saved/);
    await shot(page, 'wan-pppoe');
    // The provider gives the link 10.64.0.100; the status page shows it once pppd has it.
    let shown;
    for (let i = 0; i < 60; i++) {
      await page.goto(`${router}/`);
      shown = await statusShown(page);
      if (shown.wanIp === '10.64.0.100') break;
      await sleep(1000);
    }
    await shot(page, 'status-pppoe');
    assert.equal(shown.wanMode, 'PPPOE');
    assert.equal(shown.wanIp, '10.64.0.100');
  } finally {
    await browser.close();
  }
});
