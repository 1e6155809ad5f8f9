// Opens a review page in headless Chromium through the DevTools protocol: fails on any console
// error or uncaught exception, checks that the given amounts are in the page's visible text
// (closed ledger accounts are not), that 純資産の部 stands in its groups, that every statement
// shows its unit and, laid out for print, begins a page, and saves screenshots of the top and of
// the ledger.
//
// Usage: node --experimental-websocket page_in_browser.mjs PAGE.html SHOT.png AMOUNT...
// Node's own WebSocket: nothing is downloaded.

import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import { DevTools, sleep, startBrowser, visit } from './devtools.mjs';

const [pagePath, shotPath, ...amounts] = process.argv.slice(2);
if (!pagePath || !shotPath) {
  console.error('usage: page_in_browser.mjs PAGE.html SHOT.png AMOUNT...');
  process.exit(2);
}

const yen = (text) => {
  const n = BigInt(text || '0');
  const magnitude = (n < 0n ? -n : n).toString().replace(/\B(?=(\d{3})+(?!\d))/g, ',');
  return (n < 0n ? '△' : '') + magnitude;
};

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
