// Opens a review page in headless Chromium through the DevTools protocol: fails on any console
// error or uncaught exception, checks that the given amounts are in the page's visible text
// (closed ledger accounts are not), that 純資産の部 stands in its groups, that every statement
// shows its unit and, laid out for print, begins a page, and saves screenshots of the top and of
// the ledger.
//
// Usage: node --experimental-websocket page_in_browser.mjs PAGE.html SHOT.png AMOUNT...
// Node's own WebSocket: nothing is downloaded.

import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const [pagePath, shotPath, ...amounts] = process.argv.slice(2);
if (!pagePath || !shotPath) {
  console.error('usage: page_in_browser.mjs PAGE.html SHOT.png AMOUNT...');
  process.exit(2);
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const yen = (text) => {
  const n = BigInt(text || '0');
  const magnitude = (n < 0n ? -n : n).toString().replace(/\B(?=(\d{3})+(?!\d))/g, ',');
  return (n < 0n ? '△' : '') + magnitude;
};

class DevTools {
  constructor(url) {
    this.socket = new WebSocket(url);
    this.next = 0;
    this.pending = new Map();
    this.listeners = [];
  }
  open() {
    return new Promise((resolve, reject) => {
      this.socket.onopen = resolve;
      this.socket.onerror = () => reject(new Error('cannot reach the browser'));
      this.socket.onmessage = (event) => this.receive(JSON.parse(event.data));
    });
  }
  receive(message) {
    const waiting = message.id && this.pending.get(message.id);
    if (waiting) {
      this.pending.delete(message.id);
      if (message.error) waiting.reject(new Error(message.error.message));
      else waiting.resolve(message.result);
      return;
    }
    for (const listener of this.listeners) listener(message);
  }
  send(method, params = {}, sessionId = undefined) {
    const id = ++this.next;
    this.socket.send(JSON.stringify({ id, method, params, sessionId }));
    return new Promise((resolve, reject) => this.pending.set(id, { resolve, reject }));
  }
}

async function startBrowser(profile) {
  const browser = spawn('chromium', ['--headless=new', '--no-sandbox', '--disable-gpu',
    '--hide-scrollbars', '--no-first-run', '--remote-debugging-port=0',
    `--user-data-dir=${profile}`, 'about:blank'], { stdio: ['ignore', 'ignore', 'ignore'] });
  const portFile = path.join(profile, 'DevToolsActivePort');
  for (let waited = 0; waited < 60000; waited += 100) {
    if (fs.existsSync(portFile)) {
      const [port, endpoint] = fs.readFileSync(portFile, 'utf8').split('\n');
      if (port && endpoint) return { browser, url: `ws://127.0.0.1:${port}${endpoint}` };
    }
    await sleep(100);
  }
  browser.kill();
  throw new Error('chromium did not start within a minute');
}

// Opens `url` in a new tab of 1200 × 1700 pixels; the console errors are collected as they come.
async function visit(devtools, url) {
  const { targetId } = await devtools.send('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await devtools.send('Target.attachToTarget', { targetId, flatten: true });
  const errors = [];
  let loaded;
  const load = new Promise((resolve) => { loaded = resolve; });
  devtools.listeners.push((message) => {
    if (message.sessionId !== sessionId) return;
    const p = message.params;
    if (message.method === 'Runtime.consoleAPICalled' && (p.type === 'error' || p.type === 'assert')) {
      errors.push('console: ' + p.args.map((a) => a.value ?? a.description).join(' '));
    } else if (message.method === 'Runtime.exceptionThrown') {
      errors.push('exception: ' + (p.exceptionDetails.exception?.description ?? p.exceptionDetails.text));
    } else if (message.method === 'Log.entryAdded' && p.entry.level === 'error') {
      errors.push('log: ' + p.entry.text);
    } else if (message.method === 'Page.loadEventFired') {
      loaded();
    }
  });
  for (const domain of ['Runtime', 'Log', 'Page']) await devtools.send(`${domain}.enable`, {}, sessionId);
  await devtools.send('Emulation.setDeviceMetricsOverride',
    { width: 1200, height: 1700, deviceScaleFactor: 1, mobile: false }, sessionId);
  const started = Date.now();
  await devtools.send('Page.navigate', { url }, sessionId);
  await load;
  const loadMs = Date.now() - started;
  // Messages written while the page settles.
  await sleep(300);
  const evaluate = async (expression) =>
    (await devtools.send('Runtime.evaluate', { expression, returnByValue: true }, sessionId)).result.value;
  const screenshot = async (file) => {
    const { data } = await devtools.send('Page.captureScreenshot', { format: 'png' }, sessionId);
    fs.writeFileSync(file, Buffer.from(data, 'base64'));
  };
  // 'print' lays the page out as it prints; '' as the screen shows it.
  const media = (kind) => devtools.send('Emulation.setEmulatedMedia', { media: kind }, sessionId);
  return { errors, loadMs, evaluate, screenshot, media };
}

const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kcview-chromium-'));
const { browser, url } = await startBrowser(profile);
let failed = false;
try {
  const devtools = new DevTools(url);
  await devtools.open();

  // The watch itself is watched: a page that logs an error must be caught.
  const probe = await visit(devtools,
    'data:text/html,<title>probe</title><script>console.error("probe")</script>');
  if (!probe.errors.some((e) => e.includes('probe'))) {
    throw new Error('a console error of a probe page went unseen: the test cannot see errors');
  }

  const page = await visit(devtools, 'file://' + path.resolve(pagePath));
  console.log(`${pagePath}: loaded in ${page.loadMs} ms`);
  for (const error of page.errors) {
    console.error(`${pagePath}: ${error}`);
    failed = true;
  }
  const text = await page.evaluate('document.body.innerText');
  for (const amount of amounts) {
    if (!text.includes(yen(amount))) {
      console.error(`${pagePath}: the balance sheet's total ${yen(amount)} is not in the page's text`);
      failed = true;
    }
  }
  // 純資産の部 in the groups of a balance sheet, and every statement under its unit.
  const layout = await page.evaluate(`(() => {
    const statements = [...document.querySelectorAll('section.statement')];
    return {
      rows: [...document.querySelectorAll('#bs tr')].map((row) => row.cells[0]?.innerText.trim()),
      statements: statements.length,
      units: statements.filter((s) => s.querySelector('.unit')?.innerText === '（単位：円）').length,
    };
  })()`);
  for (const heading of ['純資産の部', '株主資本', '株主資本合計']) {
    if (!layout.rows.includes(heading)) {
      console.error(`${pagePath}: the balance sheet has no row ${heading}`);
      failed = true;
    }
  }
  if (layout.statements < 2 || layout.units !== layout.statements) {
    console.error(`${pagePath}: ${layout.units} of ${layout.statements} statements show （単位：円）`);
    failed = true;
  }

  const open = await page.evaluate('document.querySelectorAll("details[open]").length');
  const accounts = await page.evaluate('document.querySelectorAll("details").length');
  if (open !== 0) {
    console.error(`${pagePath}: ${open} ledger accounts are open; the ledger must start collapsed`);
    failed = true;
  }
  console.log(`${pagePath}: ${accounts} ledger accounts, all collapsed`);
  await page.screenshot(shotPath);
  // Printed, each statement, the notes and the ledger begin a page of their own.
  await page.media('print');
  const breaks = await page.evaluate(`[...document.querySelectorAll(
    'section.statement, #notes, #gl')].map((s) => s.id + ' ' + getComputedStyle(s).breakBefore)`);
  for (const item of breaks) {
    if (!item.endsWith(' page')) {
      console.error(`${pagePath}: printed, ${item.split(' ')[0]} does not begin a page (${item})`);
      failed = true;
    }
  }
  await page.media('');
  if (accounts > 0) {
    // The ledger as a reader meets it: the first account opened, the rest closed.
    await page.evaluate('document.querySelector("#gl details").open = true; ' +
      'document.getElementById("gl").scrollIntoView(); 0');
    await sleep(200);
    await page.screenshot(shotPath.replace(/\.png$/, '-ledger.png'));
  }
  await devtools.send('Browser.close').catch(() => {});
} catch (error) {
  console.error(`${pagePath}: ${error.message}`);
  failed = true;
} finally {
  await sleep(200);
  // Chromium and its helper processes write into the profile until they have ended, which
  // takes seconds on a busy machine.
  const ended = browser.exitCode !== null || browser.signalCode !== null
    ? Promise.resolve()
    : new Promise((resolve) => browser.once('exit', resolve));
  browser.kill();
  await Promise.race([ended, sleep(10000)]);
  fs.rmSync(profile, { recursive: true, force: true, maxRetries: 50, retryDelay: 200 });
}
process.exit(failed ? 1 : 0);
