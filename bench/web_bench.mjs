// SPDX-License-Identifier: Apache-2.0
// The wasm job's cost in the page for each FILE and MODE given: prints
// "MODE FILE JOB_CPU_MS BROWSER_CPU_MS WALL_MS" lines, the best of RUNS runs
// each: the CPU time of the job's worker thread (instantiating the module,
// the job, the File read in slices), the CPU time all the browser's
// processes used meanwhile (with the browser's own file reads and the page
// taking the text), and the job's wall time in the worker. KW_IN_MEMORY=1:
// the file is copied into the module's memory before the job.
//   node bench/web_bench.mjs PAGE RUNS MODE:FILE...
import { launch, openPage, recover } from '../web/tests/browser.mjs';

const [page, runs, ...cases] = process.argv.slice(2);
const { context, close, cpuSeconds, workerSeconds } = await launch();
try {
  const tab = await openPage(context, page);
  for (const c of cases) {
    const [mode, file] = [c.slice(0, c.indexOf(':')), c.slice(c.indexOf(':') + 1)];
    let job = Infinity;
    let cpu = Infinity;
    let wall = Infinity;
    for (let i = 0; i < Number(runs); ++i) {
      const before = cpuSeconds();
      const r = await recover(tab, file, mode, { text: false, keep: true, inMemory: process.env.KW_IN_MEMORY === '1' });
      job = Math.min(job, workerSeconds() * 1000);
      cpu = Math.min(cpu, (cpuSeconds() - before) * 1000);
      await tab.evaluate(() => window.kwLastJob.close());
      if (r.result && r.result.report.status !== 'ok') throw new Error(`${mode} ${file}: ${r.result.report.message}`);
      wall = Math.min(wall, r.milliseconds);
    }
    console.log(`${mode} ${file} ${job.toFixed(1)} ${cpu.toFixed(0)} ${wall.toFixed(1)}`);
  }
} finally {
  await close();
}
