// SPDX-License-Identifier: Apache-2.0
// The page's Web Worker: one per job. It instantiates the core (compiled by
// the page), mounts the chosen File read-only (read in slices, never whole),
// runs the job and posts what it gives as it comes: text batches, progress,
// the result; then, on request, each picture and the .docx of the text.
//
// Where the browser has JavaScript Promise Integration, the job suspends
// every 50 ms (kw_pause) so that this worker reads its messages: a Cancel
// then stops the job at its next yield, keeping what it found, as on the
// desktop. Without it the page stops a job by ending the worker.
'use strict';

const suspends = typeof WebAssembly.Suspending === 'function' && typeof WebAssembly.promising === 'function';
let kw = null;
let cancelRequested = false;

function pause() {
  return new Promise((resolve) => setTimeout(resolve, 0));
}

async function start(module) {
  kw = await createKwModule({
    noInitialRun: true,
    instantiateWasm(imports, receive) {
      if (suspends) imports.env.kw_pause = new WebAssembly.Suspending(pause);
      WebAssembly.instantiate(module, imports).then((instance) => receive(instance, module));
      return {};
    },
    kwText: (bytes) => postMessage({ type: 'text', bytes }, [bytes.buffer]),
    kwProgress: (min, max, value) => postMessage({ type: 'progress', min, max, value }),
    kwCancelRequested: () => cancelRequested,
    kwJobDone: (json) => postMessage({ type: 'result', result: JSON.parse(json) }),
    kwPictureDone: (index, bytes, facts) =>
      postMessage({ type: 'picture', index, bytes, facts: JSON.parse(facts) }, bytes ? [bytes.buffer] : []),
    kwDocxDone: (bytes, error) => postMessage({ type: 'docx', bytes, error }, [bytes.buffer]),
  });
  postMessage({ type: 'ready', suspends });
}

function cString(text) {
  const size = kw.lengthBytesUTF8(text) + 1;
  const pointer = kw._malloc(size);
  kw.stringToUTF8(text, pointer, size);
  return pointer;
}

// `inMemory`: the file is copied into the module's memory first (the
// benchmark's way to time the job without the browser's file reads).
async function run(file, mode, inMemory) {
  let name = kw.kwMount(file);
  if (inMemory) {
    kw.FS.mkdir('/memory');
    name = `/memory/${file.name}`;
    kw.FS.writeFile(name, new Uint8Array(await file.arrayBuffer()));
  }
  const path = cString(name);
  const runJob = suspends ? WebAssembly.promising(kw.asm.kw_run) : kw.asm.kw_run;
  const began = performance.now();
  if (mode >= 0) await runJob(path, mode);
  else postMessage({ type: 'result', result: null });  // the benchmark's baseline: the file loaded, no job
  kw._free(path);
  postMessage({ type: 'ended', milliseconds: performance.now() - began, memoryBytes: kw.HEAPU8.length });
}

function docx(chunks) {
  const size = chunks.reduce((sum, chunk) => sum + chunk.length, 0);
  const pointer = kw._malloc(Math.max(size, 1));
  let at = pointer;
  for (const chunk of chunks) {
    kw.HEAPU8.set(chunk, at);
    at += chunk.length;
  }
  kw.asm.kw_docx(pointer, size);
  kw._free(pointer);
}

self.onmessage = (event) => {
  const m = event.data;
  const report = (error) => postMessage({ type: 'failed', message: String(error && error.message ? error.message : error) });
  try {
    switch (m.type) {
      case 'start': start(m.module).catch(report); break;
      case 'run': run(m.file, m.mode, m.inMemory).catch(report); break;
      case 'cancel': cancelRequested = true; break;
      case 'picture': kw.asm.kw_picture(m.index); break;
      case 'docx': docx(m.chunks); break;
    }
  } catch (error) {
    report(error);
  }
};
