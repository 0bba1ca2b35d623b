// SPDX-License-Identifier: Apache-2.0
// What the browser tests share: where the page and the CLI are, the CLI's
// outputs to compare with, the corpus, a file with real pictures in it, a
// reader of ZIP files, and the wizard driven as a user drives it.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';

export const kRoot = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
// KW_PAGE and KWRECOVER name others (relative to the current folder).
export const kPage = process.env.KW_PAGE ? path.resolve(process.env.KW_PAGE) : path.join(kRoot, 'build-web/web/kwrecover.html');
export const kCli = process.env.KWRECOVER ? path.resolve(process.env.KWRECOVER) : path.join(kRoot, 'build/cli/kwrecover');
export const kSamples = fs.readdirSync(path.join(kRoot, 'samples')).filter((f) => f.endsWith('.doc')).map((f) => path.join(kRoot, 'samples', f));

export function tempDir() {
  return fs.mkdtempSync(path.join(os.tmpdir(), 'kw-web-test-'));
}

// kwrecover's standard output for MODE FILE ARGS (exit status 0 or 1 only).
export function cli(mode, file, ...args) {
  const r = spawnSync(kCli, [mode, file, ...args], { maxBuffer: 1 << 30 });
  if (r.status !== 0 && r.status !== 1) throw new Error(`kwrecover ${mode} ${file}: exit ${r.status}: ${r.stderr}`);
  return r.stdout;
}

// Every sample and corpus file (the files bench/compare_outputs.sh compares).
export function corpus() {
  const files = [];
  const walk = (dir) => {
    for (const entry of fs.readdirSync(dir, { withFileTypes: true })) {
      const p = path.join(dir, entry.name);
      if (entry.isDirectory()) walk(p);
      else if (entry.isFile()) files.push(p);
    }
  };
  for (const dir of ['samples', 'tests/docx/data', 'fuzz/corpus']) walk(path.join(kRoot, dir));
  return files.sort();
}

// The entries of a ZIP file (stored or deflated), by name.
export function readZip(bytes) {
  const entries = {};
  const end = bytes.lastIndexOf(Buffer.from([0x50, 0x4b, 0x05, 0x06]));
  let at = bytes.readUInt32LE(end + 16);
  for (let n = bytes.readUInt16LE(end + 10); n > 0; --n) {
    const method = bytes.readUInt16LE(at + 10);
    const packed = bytes.readUInt32LE(at + 20);
    const nameLength = bytes.readUInt16LE(at + 28);
    const skip = bytes.readUInt16LE(at + 30) + bytes.readUInt16LE(at + 32);
    const name = bytes.subarray(at + 46, at + 46 + nameLength).toString('utf8');
    const local = bytes.readUInt32LE(at + 42);
    const data = local + 30 + bytes.readUInt16LE(local + 26) + bytes.readUInt16LE(local + 28);
    const raw = bytes.subarray(data, data + packed);
    entries[name] = { method, bytes: method === 8 ? zlib.inflateRawSync(raw) : Buffer.from(raw) };
    at += 46 + nameLength + skip;
  }
  return entries;
}

// A file of filler bytes with real pictures in it (two PNG, two JPEG, drawn
// by the browser), which Image Recovery finds and the browser can show.
export async function picturesFile(context, dir) {
  const tab = await context.newPage();
  const pictures = await tab.evaluate(async () => {
    const draw = async (type, w, h, hue) => {
      const canvas = new OffscreenCanvas(w, h);
      const g = canvas.getContext('2d');
      g.fillStyle = `hsl(${hue} 70% 50%)`;
      g.fillRect(0, 0, w, h);
      g.fillStyle = '#fff';
      g.fillRect(w / 4, h / 4, w / 2, h / 2);
      const blob = await canvas.convertToBlob({ type, quality: 0.9 });
      return Array.from(new Uint8Array(await blob.arrayBuffer()));
    };
    return [await draw('image/jpeg', 160, 120, 10), await draw('image/png', 64, 48, 120),
            await draw('image/jpeg', 90, 140, 220), await draw('image/png', 120, 80, 300)];
  });
  await tab.close();
  const filler = (n, seed) => Buffer.from(Array.from({ length: n }, (_, i) => ((i * 7 + seed) % 251) & 0x7f));
  const parts = [filler(3000, 1)];
  pictures.forEach((p, i) => parts.push(Buffer.from(p), filler(1500 + i * 100, i + 2)));
  const file = path.join(dir, 'pictures.doc');
  fs.writeFileSync(file, Buffer.concat(parts));
  return file;
}

// ---- The wizard, driven as a user drives it ----------------------------------

export const kModeBox = { quick: '#OptQuickMode', salvage: '#OptSalvageMode', images: '#OptImageMode', deep: '#OptDeepMode' };

// On a fresh page (reloaded unless told): chooses FILE with the file chooser, goes to step 2, checks
// MODE's box, starts the job and waits for its end (OK not pressed).
export async function runThroughWizard(tab, file, mode, { reload = true } = {}) {
  if (reload) {
    await tab.reload();
    await tab.waitForSelector('body[data-ready="true"]', { state: 'attached' });
  }
  await tab.setInputFiles('#file', file);
  await tab.click('#CmdNext');
  if (!(await tab.isChecked(kModeBox[mode]))) await tab.click(kModeBox[mode]);
  await tab.click('#CmdNext');
  await tab.waitForSelector('body[data-job-state="ended"]', { state: 'attached', timeout: 120000 });
  await dismissMessages(tab);
}

// Closes any message the job's end showed (errors, notices).
export async function dismissMessages(tab) {
  while (await tab.isVisible('#message')) await tab.click('#message-ok');
}

// What clicking SELECTOR downloads.
export async function downloaded(tab, selector) {
  const [download] = await Promise.all([tab.waitForEvent('download'), tab.click(selector)]);
  return { name: download.suggestedFilename(), bytes: fs.readFileSync(await download.path()) };
}
