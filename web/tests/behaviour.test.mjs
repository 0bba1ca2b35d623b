// SPDX-License-Identifier: Apache-2.0
// The page as a user meets it: Cancel, a 1 GiB file, no network request
// after load (from file:// and from a static host), a run with the keyboard
// only, and no serious or critical accessibility fault (axe-core) at any
// step, at 200 % zoom, in a phone-sized window and in the dark scheme.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { createRequire } from 'node:module';
import { after, before, test } from 'node:test';
import { launch, openPage } from './browser.mjs';
import { dismissMessages, downloaded, kPage, kSamples, picturesFile, runThroughWizard, tempDir, cli } from './support.mjs';

const axeSource = fs.readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');

let browser;
let dir;
before(async () => {
  browser = await launch();
  dir = tempDir();
});
after(async () => {
  await browser.close();
  fs.rmSync(dir, { recursive: true, force: true });
});

// A file of mixed text and binary bytes that keeps Deep Recovery busy.
function busyFile(mib) {
  const file = path.join(dir, `busy-${mib}.doc`);
  const block = Buffer.alloc(1 << 20);
  for (let i = 0; i < block.length; ++i) block[i] = i % 97 < 60 ? 0x61 + (i % 26) : (i * 131) & 0xff;
  const fd = fs.openSync(file, 'w');
  for (let i = 0; i < mib; ++i) fs.writeSync(fd, block);
  fs.closeSync(fd);
  return file;
}

test('Cancel stops the job at once and shows what was recovered so far', async () => {
  const tab = await openPage(browser.context, kPage);
  await tab.setInputFiles('#file', busyFile(64));
  await tab.click('#CmdNext');
  await tab.click('#OptDeepMode');
  await tab.click('#CmdNext');
  await tab.waitForSelector('#status[open]');
  await tab.waitForTimeout(300);
  const asked = Date.now();
  await tab.click('#CmdCancel');
  await tab.waitForSelector('body[data-job-state="ended"]', { state: 'attached', timeout: 10000 });
  const latency = Date.now() - asked;
  await dismissMessages(tab);
  assert.ok(latency < 2000, `the job took ${latency} ms to stop`);
  assert.equal(await tab.isVisible('#status'), false);
  assert.equal(await tab.isVisible('#step3 .cancelled'), true);
  assert.equal(await tab.textContent('#step3 .cancelled'), 'Cancelled: what was recovered so far is shown.');
  await tab.close();
});

test('a 1 GiB file is read in slices: the page stays responsive and memory stays small', async () => {
  const file = path.join(dir, 'large.doc');
  fs.closeSync(fs.openSync(file, 'w'));
  fs.truncateSync(file, 1 << 30);  // sparse: no disk needed
  const tab = await openPage(browser.context, kPage);
  // The longest gap between two animation frames while the job runs.
  await tab.evaluate(() => {
    window.kwGaps = { last: performance.now(), longest: 0 };
    const frame = (now) => {
      window.kwGaps.longest = Math.max(window.kwGaps.longest, now - window.kwGaps.last);
      window.kwGaps.last = now;
      requestAnimationFrame(frame);
    };
    requestAnimationFrame(frame);
  });
  await tab.setInputFiles('#file', file);
  await tab.click('#CmdNext');
  await tab.click('#OptImageMode');
  await tab.click('#CmdNext');
  await tab.waitForSelector('body[data-job-state="ended"]', { state: 'attached', timeout: 240000 });
  const { longest, memory } = await tab.evaluate(() => ({
    longest: window.kwGaps.longest,
    memory: window.kwRecoverMemory(),
  }));
  assert.equal(await tab.textContent('#found-images'), 'Found (0) Images');
  assert.ok(longest < 1000, `the page stalled for ${longest} ms`);
  assert.ok(memory <= 64 << 20, `the job's memory grew to ${memory} bytes`);
  await tab.close();
});

// Every request the page makes after its load event, workers included.
async function requestsAfterLoad(url) {
  const tab = await browser.context.newPage();
  const requests = [];
  let loaded = false;
  const watch = (r) => {
    if (loaded && !/^(blob|data):/.test(r.url())) requests.push(r.url());
  };
  browser.context.on('request', watch);
  await tab.goto(url, { waitUntil: 'load' });
  loaded = true;
  await tab.waitForSelector('body[data-ready="true"]', { state: 'attached' });
  await runThroughWizard(tab, kSamples[0], 'quick', { reload: false });
  await tab.click('#CmdNext');
  await downloaded(tab, '#save-txt');
  await downloaded(tab, '#save-docx');
  browser.context.off('request', watch);
  await tab.close();
  return requests;
}

test('no network request after the page has loaded, from file:// and from a static host', async () => {
  assert.deepEqual(await requestsAfterLoad(`file://${kPage}`), []);
  const server = http.createServer((request, response) => {
    if (request.url === '/' || request.url === '/kwrecover.html') {
      response.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8' });
      response.end(fs.readFileSync(kPage));
    } else {
      response.writeHead(404);
      response.end();
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  try {
    const url = `http://127.0.0.1:${server.address().port}/kwrecover.html`;
    assert.deepEqual(await requestsAfterLoad(url), []);
  } finally {
    server.close();
  }
});

test('the whole flow works from the keyboard alone', async () => {
  const tab = await openPage(browser.context, kPage);
  const sample = kSamples[0];
  const focused = () => tab.evaluate(() => document.activeElement && (document.activeElement.id || document.activeElement.textContent));
  const tabTo = async (id) => {
    for (let i = 0; i < 40; ++i) {
      if ((await tab.evaluate(() => document.activeElement && document.activeElement.id)) === id) return;
      await tab.keyboard.press('Tab');
    }
    assert.fail(`Tab never reached #${id} (focus on ${await focused()})`);
  };
  // The file itself comes from the system's dialog, opened from the keyboard.
  await tabTo('file');
  const [chooser] = await Promise.all([tab.waitForEvent('filechooser'), tab.keyboard.press('Space')]);
  await chooser.setFiles(sample);
  await tabTo('CmdNext');
  await tab.keyboard.press('Enter');
  assert.equal(await tab.isVisible('#step2'), true);
  await tabTo('OptQuickMode');
  await tab.keyboard.press('Space');
  assert.equal(await tab.isChecked('#OptQuickMode'), true);
  await tab.keyboard.press('Enter');  // Enter on a mode moves on
  await tab.waitForSelector('body[data-job-state="ended"]', { state: 'attached' });
  assert.equal(await tab.isVisible('#step3'), true);
  await tab.keyboard.press('Control+f');
  assert.equal(await focused(), 'find-input');
  await tab.keyboard.type('the');
  await tab.keyboard.press('Enter');
  assert.notEqual(await tab.textContent('#find-status'), 'Not found');
  await tabTo('CmdNext');
  await tab.keyboard.press('Enter');
  assert.equal(await tab.isVisible('#step5'), true);
  await tabTo('save-txt');
  const [download] = await Promise.all([tab.waitForEvent('download'), tab.keyboard.press('Enter')]);
  assert.ok(fs.readFileSync(await download.path()).equals(cli('quick', sample)));
  // Back again with the keyboard.
  await tabTo('CmdBack');
  await tab.keyboard.press('Enter');
  assert.equal(await tab.isVisible('#step3'), true);
  await tab.close();
});

async function axe(tab, where) {
  if (!(await tab.evaluate(() => typeof window.axe === 'object'))) await tab.addScriptTag({ content: axeSource });
  const results = await tab.evaluate(() => window.axe.run(document, { resultTypes: ['violations'] }));
  const bad = results.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical');
  assert.deepEqual(bad.map((v) => `${where}: ${v.id} (${v.impact}) ${v.nodes.map((n) => n.target).join(' ')}`), []);
}

for (const [label, options] of [
  ['a desktop window', { viewport: { width: 1280, height: 800 } }],
  ['200 % zoom', { viewport: { width: 640, height: 400 }, deviceScaleFactor: 2 }],
  ['a phone-sized window in the dark scheme', { viewport: { width: 360, height: 740 }, colorScheme: 'dark' }],
]) {
  test(`every step passes axe-core and fits ${label}`, async () => {
    const tab = await browser.context.newPage();
    await tab.setViewportSize(options.viewport);
    if (options.colorScheme) await tab.emulateMedia({ colorScheme: options.colorScheme });
    await tab.goto(`file://${kPage}`);
    await tab.waitForSelector('body[data-ready="true"]', { state: 'attached' });
    const fits = async (where) => {
      const overflow = await tab.evaluate(() => document.documentElement.scrollWidth - document.documentElement.clientWidth);
      assert.ok(overflow <= 0, `${where}: the page is ${overflow} px wider than the window`);
    };
    await axe(tab, 'step 1');
    await fits('step 1');
    const file = await picturesFile(browser.context, dir);
    await tab.setInputFiles('#file', file);
    await tab.click('#CmdNext');
    await axe(tab, 'step 2');
    await fits('step 2');
    await tab.click('#OptDeepMode');
    await tab.click('#CmdNext');
    await tab.waitForSelector('body[data-job-state="ended"]', { state: 'attached' });
    await dismissMessages(tab);
    await axe(tab, 'step 3');
    await fits('step 3');
    await tab.goto(`file://${kPage}`);
    await runThroughWizard(tab, file, 'images');
    await tab.click('#grid li:first-child button');
    await tab.waitForSelector('#preview-image:not([hidden])');
    await axe(tab, 'step 4');
    await fits('step 4');
    await tab.click('#CmdNext');
    await axe(tab, 'step 5');
    await fits('step 5');
    if (options.colorScheme === 'dark') {
      const background = await tab.evaluate(() => getComputedStyle(document.body).backgroundColor);
      assert.equal(background, 'rgb(22, 24, 28)', 'the dark scheme is honoured');
    }
    await tab.close();
  });
}
