'use strict';
// Shared by the browser tests: Debian's Chromium through puppeteer-core (flags from
// $CHROMIUM_FLAGS, nothing downloaded), and what a person does on the front end's pages.
// Screenshots go to $SHOTS.
const fs = require('node:fs');
const puppeteer = require('puppeteer-core');

const shots = process.env.SHOTS;
const login = { username: 'admin', password: 'admin' };
const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

async function launch() {
  fs.mkdirSync(shots, { recursive: true });
  const flags = fs.readFileSync(process.env.CHROMIUM_FLAGS, 'utf8').split('\n').filter(f => f && f !== '--headless');
  return puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: [...flags, `--user-data-dir=${fs.mkdtempSync('/tmp/chromium-')}`],
  });
}

async function open(browser, url, credentials = login) {
  const page = await browser.newPage();
  await page.authenticate(credentials);
  const response = await page.goto(url);
  return { page, response };
}

// Types values into the named fields (choosing an option in a select) as a person would.
async function fill(page, values) {
  await page.waitForFunction(() => document.forms[0].elements[0].dataset.loaded !== undefined);
  for (const [name, value] of Object.entries(values)) {
    const field = `[name="${name}"]`;
    if ((await page.$eval(field, e => e.tagName)) === 'SELECT') {
      await page.select(field, value);
      continue;
    }
    await page.click(field, { clickCount: 3 });
    await page.keyboard.press('Backspace');
    await page.type(field, value);
  }
}

// Saves the page: the fields sent, each field's outcome as shown, and the page's verdict.
async function save(page) {
  const sent = new Promise(resolve => page.on('request', r => r.method() === 'POST' && resolve(r.postData())));
  await page.click('button');
  await page.waitForFunction(() => /^(Saved|Not saved)/.test(document.getElementById('result').textContent));
  const outcomes = await page.$$eval('.result', spans =>
    Object.fromEntries(spans.map(s => [s.parentNode.querySelector('[name]').name, s.textContent])));
  const body = Object.fromEntries(new URLSearchParams(await sent));
  return { body, outcomes, verdict: await page.$eval('#result', e => e.textContent) };
}

// The status page's cells by id, once its data are shown.
async function statusShown(page) {
  await page.waitForFunction(() => document.getElementById('lanIp').textContent);
  return page.$$eval('td[id]', cells => Object.fromEntries(cells.map(c => [c.id, c.textContent])));
}

const shot = (page, name) => page.screenshot({ path: `${shots}/${name}.png`, fullPage: true });
const saved = keys => Object.fromEntries(keys.map(k => [k, 'saved']));

module.exports = { login, sleep, launch, open, fill, save, statusShown, shot, saved };
