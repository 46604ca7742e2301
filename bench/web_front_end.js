'use strict';
// Timings of the web front end in Debian's Chromium, run inside the virtual router by
// bench/web_front_end.sh: the status page from navigation to first paint and to its data
// shown, and a save on the LAN page from the click to the reply shown. Medians of ROUNDS.
const fs = require('node:fs');
const puppeteer = require('puppeteer-core');

const [address, flagsFile, rounds] = process.argv.slice(2);
const median = values => values.sort((a, b) => a - b)[Math.floor(values.length / 2)];

(async () => {
  const flags = fs.readFileSync(flagsFile, 'utf8').split('\n').filter(f => f && f !== '--headless');
  const browser = await puppeteer.launch({ executablePath: '/usr/bin/chromium', headless: true,
    args: [...flags, `--user-data-dir=${fs.mkdtempSync('/tmp/chromium-')}`] });
  const page = await browser.newPage();
  await page.authenticate({ username: 'admin', password: 'admin' });
  const paint = [], data = [], save = [];
  for (let i = 0; i < Number(rounds); i++) {
    await page.goto(`http://${address}/?round=${i}`);
    await page.waitForFunction(() => document.getElementById('lanIp').textContent);
    const times = await page.evaluate(() => ({
      paint: performance.getEntriesByName('first-paint')[0]?.startTime,
      data: performance.now(),
    }));
    paint.push(times.paint);
    data.push(times.data);
    await page.goto(`http://${address}/lan.html`);
    await page.waitForFunction(() => document.forms[0].elements[0].dataset.loaded !== undefined);
    save.push(await page.evaluate(async round => {
      document.forms[0].elements.HostName.value = `bench${round}`;
      const start = performance.now();
      document.querySelector('button').click();
      while (!/^(Saved|Not saved)/.test(document.getElementById('result').textContent))
        await new Promise(resolve => setTimeout(resolve, 2));
      return performance.now() - start;
    }, i));
  }
  console.log(`status page, navigation to first paint: median ${median(paint).toFixed(1)} ms (${rounds} rounds)`);
  console.log(`status page, navigation to its data shown: median ${median(data).toFixed(1)} ms`);
  console.log(`LAN page save, click to the reply shown: median ${median(save).toFixed(1)} ms`);
  await browser.close();
})();
