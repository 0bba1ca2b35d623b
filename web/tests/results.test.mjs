// SPDX-License-Identifier: Apache-2.0
// Same results: the page gives the CLI's text, byte for byte, and its
// pictures, in every mode: through the real page (the file chooser, a drop,
// the downloads) on the samples and on a file with pictures, and through
// the page's worker on every sample and corpus file.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import { launch, openPage, recover } from './browser.mjs';
import {
  cli, corpus, downloaded, kPage, kSamples, picturesFile, readZip, runThroughWizard, tempDir,
} from './support.mjs';

let browser;
let tab;
let dir;
before(async () => {
  browser = await launch();
  tab = await openPage(browser.context, kPage);
  dir = tempDir();
});
after(async () => {
  await browser.close();
  fs.rmSync(dir, { recursive: true, force: true });
});

describe('through the page', () => {
  for (const mode of ['quick', 'salvage', 'deep']) {
    test(`${mode}: the .txt and the .docx downloaded are the CLI's`, async () => {
      for (const sample of kSamples) {
        await runThroughWizard(tab, sample, mode);
        assert.equal(await tab.isVisible('#step3'), true);
        await tab.click('#CmdNext');  // step 5
        const txt = await downloaded(tab, '#save-txt');
        assert.equal(txt.name, path.basename(sample).replace(/\.doc$/, '.txt'));
        assert.ok(txt.bytes.equals(cli(mode, sample)), `${mode} ${sample}: text differs`);
        const docx = await downloaded(tab, '#save-docx');
        const out = path.join(dir, 'cli.docx');
        cli(mode, sample, '-o', out);
        const ours = readZip(docx.bytes);
        const theirs = readZip(fs.readFileSync(out));
        assert.deepEqual(Object.keys(ours).sort(), Object.keys(theirs).sort());
        for (const name of Object.keys(ours)) {
          assert.equal(ours[name].method, 0, 'the browser stores its entries');
          assert.ok(ours[name].bytes.equals(theirs[name].bytes), `${mode} ${sample}: ${name} differs`);
        }
      }
    });
  }

  test('images: the pictures downloaded are the ones the CLI extracts', async () => {
    const file = await picturesFile(browser.context, dir);
    await runThroughWizard(tab, file, 'images');
    assert.equal(await tab.isVisible('#step4'), true);
    const extracted = path.join(dir, 'extracted');
    cli('images', file, '--extract', extracted);
    const names = fs.readdirSync(extracted).sort();
    assert.ok(names.length >= 3, names.join());
    assert.equal(await tab.textContent('#found-images'), `Found (${names.length}) Images`);
    const zip = await downloaded(tab, '#save-all');
    assert.equal(zip.name, 'pictures-pictures.zip');
    const entries = readZip(zip.bytes);
    assert.deepEqual(Object.keys(entries).sort(), names);
    for (const name of names) assert.ok(entries[name].bytes.equals(fs.readFileSync(path.join(extracted, name))), name);
    // One picture: shown with its size, downloaded alone.
    await tab.click('#grid li:first-child button');
    await tab.waitForSelector('#preview-image:not([hidden])');
    assert.match(await tab.textContent('#grid li:first-child .entry-facts'), /^JPEG, 160 x 120, [\d,]+ bytes$/);
    assert.equal(await tab.textContent('#LblWidth'), '160');
    const one = await downloaded(tab, '#save-picture');
    assert.ok(one.bytes.equals(fs.readFileSync(path.join(extracted, one.name))));
    assert.equal(await tab.textContent('#picture-summary'), `${names.length} pictures`);
  });

  test('a file dropped on the page is the one recovered', async () => {
    await tab.reload();
    await tab.waitForSelector('body[data-ready="true"]', { state: 'attached' });
    const sample = kSamples[0];
    const transfer = await tab.evaluateHandle(({ name, bytes }) => {
      const t = new DataTransfer();
      t.items.add(new File([new Uint8Array(bytes)], name));
      return t;
    }, { name: path.basename(sample), bytes: Array.from(fs.readFileSync(sample)) });
    await tab.dispatchEvent('#drop', 'drop', { dataTransfer: transfer });
    assert.match(await tab.textContent('#chosen'), new RegExp(path.basename(sample)));
    await tab.click('#CmdNext');
    await tab.click('#OptQuickMode');
    await tab.click('#CmdNext');
    await tab.waitForSelector('body[data-job-state="ended"]', { state: 'attached' });
    assert.equal(await tab.textContent('#text-summary'), 'Recovered 3 paragraphs (235 characters)');
    await tab.click('#CmdNext');
    const txt = await downloaded(tab, '#save-txt');
    assert.ok(txt.bytes.equals(cli('quick', sample)));
  });
});

test('every sample and corpus file, every mode: the text and the pictures are the CLI\'s', async () => {
  const files = corpus();
  assert.ok(files.length > 200, `only ${files.length} corpus files`);
  const docx = path.join(dir, 'copy.docx');
  let runs = 0;
  for (const file of files) {
    const cases = [['quick', file], ['salvage', file], ['deep', file], ['images', file]];
    fs.copyFileSync(file, docx);  // a ".docx" name takes the .docx engine
    cases.push(['quick', docx]);
    for (const [mode, input] of cases) {
      const web = await recover(tab, input, mode, { pictures: mode === 'images' || mode === 'deep' });
      if (mode !== 'images') {
        assert.ok(web.text.equals(cli(mode, input)), `${mode} ${input}: the text differs`);
      }
      if (web.pictures.length > 0) {
        const out = fs.mkdtempSync(path.join(dir, 'pictures-'));
        cli(mode, input, mode === 'images' ? '--extract' : '--pictures', out);
        web.result.pictures.forEach((p, i) => {
          const theirs = path.join(out, `${p.name}.${p.ext}`);
          if (web.pictures[i].bytes === null) {
            assert.ok(!fs.existsSync(theirs), `${mode} ${input}: ${theirs} was extracted by the CLI only`);
          } else {
            assert.ok(web.pictures[i].bytes.equals(fs.readFileSync(theirs)), `${mode} ${input}: ${theirs} differs`);
          }
        });
      }
      ++runs;
    }
  }
  console.log(`${runs} jobs compared with the CLI`);
});
