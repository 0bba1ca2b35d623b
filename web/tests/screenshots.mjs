// SPDX-License-Identifier: Apache-2.0
// The README's pictures of the page, step by step, in chromium:
//   node web/tests/screenshots.mjs OUT_DIR [SAMPLE]
// (a file with pictures for step 4 is made as the tests make it).
import fs from 'node:fs';
import path from 'node:path';
import { launch, openPage } from './browser.mjs';
import { dismissMessages, kPage, kSamples, picturesFile, runThroughWizard, tempDir } from './support.mjs';

const out = path.resolve(process.argv[2] || 'docs/screenshots');
const sample = process.argv[3] || kSamples.find((f) => f.endsWith('letter-cut-short.doc'));
const browser = await launch();
const dir = tempDir();
try {
  const tab = await openPage(browser.context, kPage);
  await tab.setViewportSize({ width: 1100, height: 760 });
  const shot = (name) => tab.screenshot({ path: path.join(out, `web-${name}.png`) });
  await tab.setInputFiles('#file', sample);
  await shot('step1-document');
  await tab.click('#CmdNext');
  await tab.click('#OptQuickMode');
  await shot('step2-mode');
  // The status window, held open by a long job.
  const busy = path.join(dir, 'busy.doc');
  fs.writeFileSync(busy, Buffer.alloc(48 << 20, 0x61));
  await tab.setInputFiles('#file', busy);
  await tab.click('#OptQuickMode');
  await tab.click('#OptDeepMode');
  await tab.click('#CmdNext');
  await tab.waitForTimeout(400);
  await shot('status-window');
  await tab.click('#CmdCancel');
  await tab.waitForSelector('body[data-job-state="ended"]', { state: 'attached' });
  await runThroughWizard(tab, sample, 'quick');
  await tab.fill('#find-input', 'the');
  await tab.press('#find-input', 'Enter');
  await shot('step3-text');
  await runThroughWizard(tab, await picturesFile(browser.context, dir), 'images');
  await tab.click('#grid li:first-child button');
  await tab.waitForSelector('#preview-image:not([hidden])');
  await shot('step4-pictures');
  await tab.click('#CmdNext');
  await shot('step5-save');
  await tab.emulateMedia({ colorScheme: 'dark' });
  await tab.setViewportSize({ width: 390, height: 844 });
  await runThroughWizard(tab, sample, 'deep');
  await dismissMessages(tab);
  await shot('phone-dark');
} finally {
  await browser.close();
  fs.rmSync(dir, { recursive: true, force: true });
}
