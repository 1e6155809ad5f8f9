// Opens the office's summary page in headless Chromium: no console error, a row per client with
// the refused ones first, every link of a row leading to a file that is there, and a screenshot.
//
// Usage: node --experimental-websocket summary_in_browser.mjs INDEX.html SHOT.png FIRST-CLIENT ROWS

import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { DevTools, startBrowser, visit } from '../view/devtools.mjs';

const [pagePath, shotPath, firstClient, rowCount] = process.argv.slice(2);
if (!pagePath || !shotPath || !firstClient || !rowCount) {
  console.error('usage: summary_in_browser.mjs INDEX.html SHOT.png FIRST-CLIENT ROWS');
  process.exit(2);
}

const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kcoffice-chromium-'));
const { browser, url } = await startBrowser(profile);
let failed = false;
const fail = (text) => {
  console.error(`${pagePath}: ${text}`);
  failed = true;
};
try {
  const devtools = new DevTools(url);
  await devtools.open();
  const page = await visit(devtools, 'file://' + path.resolve(pagePath));
  for (const error of page.errors) fail(error);
  const rows = await page.evaluate(`[...document.querySelectorAll('tbody tr')].map((tr) => ({
    cls: tr.className,
    text: tr.innerText,
    links: [...tr.querySelectorAll('a')].map((a) => a.href),
  }))`);
  if (rows.length !== Number(rowCount)) fail(`${rows.length} rows, not ${rowCount}`);
  if (!rows.length || !rows[0].text.includes(firstClient)) fail(`the first row is not ${firstClient}'s`);
  // Refused and failed rows (ng) come before the others, and each is what its class says.
  const firstOther = rows.findIndex((row) => row.cls !== 'ng');
  if (firstOther >= 0 && rows.slice(firstOther).some((row) => row.cls === 'ng')) fail('a row to look at stands below the others');
  for (const row of rows) {
    if (row.cls === 'ng' && !/中止|不一致/.test(row.text)) fail(`a red row says neither 中止 nor 不一致: ${row.text}`);
    if (!row.links.length) fail(`a row without links: ${row.text}`);
    for (const link of row.links) {
      if (!fs.existsSync(fileURLToPath(link))) fail(`a link leads nowhere: ${link}`);
    }
  }
  await page.screenshot(shotPath);
  console.log(`${pagePath}: ${rows.length} rows, screenshot ${shotPath}`);
} catch (error) {
  fail(error.message);
} finally {
  browser.kill();
}
process.exit(failed ? 1 : 0);
