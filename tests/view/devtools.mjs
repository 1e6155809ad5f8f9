// Headless Chromium driven over the DevTools protocol with Node's own WebSocket (nothing is
// downloaded): the browser started on a profile of its own, and a page visited in a tab of
// 1200 × 1700 pixels with its console errors collected, its text read and its screenshots taken.

import { spawn } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

export class DevTools {
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

export async function startBrowser(profile) {
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
export async function visit(devtools, url) {
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

