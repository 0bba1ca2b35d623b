// SPDX-License-Identifier: Apache-2.0
// Debian's chromium, driven by playwright-core (never a browser download),
// headless, with a fresh profile: what the browser tests and the benchmark
// open the page in.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

export const kChromium = process.env.KW_CHROMIUM || '/usr/bin/chromium';

export async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kw-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: kChromium,
    headless: true,
    acceptDownloads: true,
    args: [
      '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
    ],
  });
  const close = async () => {
    await context.close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return { context, close, cpuSeconds: () => browserCpuSeconds(profile), workerSeconds: () => workerCpuSeconds(profile) };
}

// The CPU time (user + system, in seconds) this browser's processes have
// used so far, ended threads included (each process's own count, which
// /proc gives in 10 ms ticks): the processes are those whose command line
// names its profile. What a job costs the browser is the difference.
export function browserCpuSeconds(profile) {
  let ticks = 0;
  for (const pid of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(pid)) continue;
    try {
      if (!fs.readFileSync(`/proc/${pid}/cmdline`, 'latin1').includes(profile)) continue;
      const stat = fs.readFileSync(`/proc/${pid}/stat`, 'latin1');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      ticks += Number(fields[11]) + Number(fields[12]);  // utime, stime
    } catch {
      // the process ended
    }
  }
  return ticks / 100;
}

// The CPU time (seconds) of the page's worker threads alive now: the job's
// own, read before its worker ends (recover() with `keep`).
export function workerCpuSeconds(profile) {
  let ns = 0;
  for (const pid of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(pid)) continue;
    try {
      if (!fs.readFileSync(`/proc/${pid}/cmdline`, 'latin1').includes(profile)) continue;
      for (const task of fs.readdirSync(`/proc/${pid}/task`)) {
        const comm = fs.readFileSync(`/proc/${pid}/task/${task}/comm`, 'latin1');
        if (!comm.startsWith('DedicatedWorker')) continue;
        ns += Number(fs.readFileSync(`/proc/${pid}/task/${task}/schedstat`, 'latin1').split(' ')[0]);
      }
    } catch {
      // the process or thread ended
    }
  }
  return ns / 1e9;
}

// The page, from file:// unless a URL is given.
export function pageUrl(page) {
  return page.startsWith('http') ? page : `file://${path.resolve(page)}`;
}

// Opens the page and waits until its script has run.
export async function openPage(context, page) {
  const tab = await context.newPage();
  await tab.goto(pageUrl(page));
  await tab.waitForSelector('body[data-ready="true"]', { state: 'attached' });
  return tab;
}

// Runs one job through the page's worker (window.kwRecover) on a file given
// by its path, as the file chooser gives it (read lazily, never copied in;
// with `inMemory`, copied into the module's memory first). Returns the
// text's bytes, the result and the job's time in the worker.
export async function recover(tab, file, mode, { text = true, inMemory = false, keep = false, pictures = false } = {}) {
  await tab.setInputFiles('#file', file);
  const r = await tab.evaluate(
    async ({ mode, text, inMemory, keep, pictures }) => {
      const job = await window.kwRecover(document.getElementById('file').files[0], mode, inMemory);
      const base64 = (bytes) => {
        const parts = [];
        for (let at = 0; at < bytes.length; at += 0x8000) parts.push(String.fromCharCode(...bytes.subarray(at, at + 0x8000)));
        return btoa(parts.join(''));
      };
      const copies = [];
      if (pictures) {
        for (let i = 0; i < job.result.pictures.length; ++i) {
          const m = await job.picture(i);
          copies.push({ bytes: m.bytes ? base64(m.bytes) : null, facts: m.facts });
        }
      }
      let encoded = null;
      if (text) {
        const all = new Uint8Array(job.size);
        let at = 0;
        for (const c of job.chunks) {
          all.set(c, at);
          at += c.length;
        }
        encoded = base64(all);
      }
      const out = { result: job.result, milliseconds: job.milliseconds, size: job.size, text: encoded,
                    memoryBytes: job.memoryBytes, pictures: copies };
      if (keep) window.kwLastJob = job;
      else job.close();
      return out;
    },
    { mode, text, inMemory, keep, pictures },
  );
  return {
    ...r,
    text: r.text === null ? null : Buffer.from(r.text, 'base64'),
    pictures: r.pictures.map((p) => ({ ...p, bytes: p.bytes === null ? null : Buffer.from(p.bytes, 'base64') })),
  };
}
