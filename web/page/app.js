// SPDX-License-Identifier: Apache-2.0
// The page: the wizard's five steps in the browser's idiom. Its rules are
// the desktop wizard's (which steps can be selected, Back and Next, which
// modes are offered, what each preview shows); the job runs in a Web Worker
// over the File the user gave, which is read there in slices and never
// leaves the computer.
'use strict';

const $ = (id) => document.getElementById(id);
const kWindowTitle = 'Kravelin Word Recovery v5.1';
// The preview shows this much of a text; the downloads hold all of it.
const kPreviewBytes = 16 << 20;
const JobMode = { quick: 0, salvage: 1, images: 2, deep: 3, load: -1 };

// ---- Numbers and lines, as the desktop wizard words them ----------------

const count = (n) => n.toLocaleString();
const bytesText = (n) => (n === 1 ? '1 byte' : `${count(n)} bytes`);

function textSummaryLine(paragraphs, characters) {
  if (characters === 0) return 'Nothing readable was found';
  const p = paragraphs === 1 ? '1 paragraph' : `${count(paragraphs)} paragraphs`;
  const c = characters === 1 ? '1 character' : `${count(characters)} characters`;
  return `Recovered ${p} (${c})`;
}

function pictureSummaryLine(pictures, unshowable) {
  if (pictures === 0) return 'Nothing readable was found';
  let line = pictures === 1 ? '1 picture' : `${count(pictures)} pictures`;
  if (unshowable > 0) line += `, ${count(unshowable)} cannot be shown`;
  return line;
}

function damageSummaryLine(report) {
  const places = report.damage.length + report.omitted;
  if (places === 0) return '';
  return places === 1 ? '1 damaged place was skipped or cut.' : `${places} damaged places were skipped or cut.`;
}

function damageDetailLines(report) {
  const lines = report.damage.map((d) => `offset ${d.offset}, length ${d.length}, ${d.reader}: ${d.reason}`);
  if (report.omitted === 1) lines.push('1 more damaged place is not listed.');
  if (report.omitted > 1) lines.push(`${report.omitted} more damaged places are not listed.`);
  return lines;
}

// The file name without its last extension: what a download is called.
const baseName = (name) => (name.lastIndexOf('.') > 0 ? name.slice(0, name.lastIndexOf('.')) : name);

// ---- The core, compiled once; one worker per job --------------------------

const workerUrl = URL.createObjectURL(new Blob([$('kw-worker').textContent], { type: 'text/javascript' }));
const moduleBytes = Uint8Array.from(atob($('kw-module').textContent.trim()), (c) => c.charCodeAt(0));
const compiled = WebAssembly.compile(moduleBytes);

// One job: the worker, what it gave so far, and its end.
class Job {
  constructor(file, mode, handlers = {}, inMemory = false) {
    this.inMemory = inMemory;
    this.file = file;
    this.mode = mode;
    this.handlers = handlers;
    this.chunks = [];
    this.size = 0;
    this.result = null;
    this.milliseconds = 0;
    this.suspends = false;
    this.pictureWaiters = new Map();
    this.docxWaiter = null;
    this.ended = new Promise((resolve, reject) => {
      this.resolve = resolve;
      this.reject = reject;
    });
    this.worker = null;
    this.running = false;
  }

  async start() {
    this.running = true;
    this.worker = await this.startWorker();
    this.worker.postMessage({ type: 'run', file: this.file, mode: this.mode, inMemory: this.inMemory });
    return this.ended;
  }

  startWorker() {
    return new Promise((resolve, reject) => {
      const worker = new Worker(workerUrl);
      worker.onmessage = (event) => {
        const m = event.data;
        if (m.type === 'ready') {
          this.suspends = m.suspends;
          resolve(worker);
        } else {
          this.receive(m);
        }
      };
      worker.onerror = (event) => {
        event.preventDefault();
        this.fail(event.message || 'The recovery stopped unexpectedly.');
        reject(new Error(event.message));
      };
      compiled.then((module) => worker.postMessage({ type: 'start', module }), reject);
    });
  }

  receive(m) {
    switch (m.type) {
      case 'text':
        this.chunks.push(m.bytes);
        this.size += m.bytes.length;
        break;
      case 'progress':
        if (this.handlers.progress) this.handlers.progress(m.max > m.min ? (m.value - m.min) / (m.max - m.min) : 0);
        break;
      case 'result':
        this.result = m.result;
        break;
      case 'ended':
        this.milliseconds = m.milliseconds;
        this.memoryBytes = m.memoryBytes;
        this.running = false;
        this.resolve(this);
        break;
      case 'picture': {
        const waiter = this.pictureWaiters.get(m.index);
        this.pictureWaiters.delete(m.index);
        if (waiter) waiter(m);
        break;
      }
      case 'docx':
        if (this.docxWaiter) this.docxWaiter(m);
        this.docxWaiter = null;
        break;
      case 'failed':
        this.fail(m.message);
        break;
    }
  }

  // The worker died or refused: the job ends with an error, keeping the text so far.
  fail(message) {
    if (!this.running) return;
    this.running = false;
    this.result = emptyResult(this.mode, message, false);
    this.resolve(this);
  }

  cancel() {
    if (!this.running) return;
    if (this.suspends) {
      this.worker.postMessage({ type: 'cancel' });
      return;
    }
    // The job cannot stop to read a message here: the worker ends, and what
    // its text had given so far stays.
    this.worker.terminate();
    this.worker = null;
    this.running = false;
    this.result = emptyResult(this.mode, '', true);
    this.resolve(this);
  }

  async ensureWorker() {
    if (this.worker === null) this.worker = await this.startWorker();
    return this.worker;
  }

  async picture(index) {
    const worker = await this.ensureWorker();
    return new Promise((resolve) => {
      this.pictureWaiters.set(index, resolve);
      worker.postMessage({ type: 'picture', index });
    });
  }

  async docx() {
    const worker = await this.ensureWorker();
    return new Promise((resolve) => {
      this.docxWaiter = resolve;
      worker.postMessage({ type: 'docx', chunks: this.chunks });
    });
  }

  close() {
    if (this.worker) this.worker.terminate();
    this.worker = null;
  }
}

function emptyResult(mode, message, cancelled) {
  const engine = ['quick', 'salvage', 'images', 'deep'][mode];
  return {
    report: { status: message ? 'error' : 'ok', message, damage: [], omitted: 0 },
    engine, cancelled, paragraphs: null, characters: null, notices: [], pictures: [],
  };
}

// For the tests and the benchmark: one job without the wizard, as the page runs it.
window.kwRecover = async (file, mode, inMemory = false) => {
  const job = new Job(file, JobMode[mode], {}, inMemory);
  await job.start();
  return job;
};

// For the tests: the WebAssembly memory the last job of the wizard grew to.
window.kwRecoverMemory = () => (wizard.job ? wizard.job.memoryBytes : 0);

// ---- The wizard ------------------------------------------------------------

const sections = [null, $('step1'), $('step2'), $('step3'), $('step4'), $('step5')];
const headers = [...document.querySelectorAll('#steps button')];
const back = $('CmdBack');
const next = $('CmdNext');
const boxes = { quick: $('OptQuickMode'), image: $('OptImageMode'), salvage: $('OptSalvageMode'), deep: $('OptDeepMode') };
const wizard = {
  step: 1,
  available: [false, true, true, true, false, true],
  file: null,
  job: null,       // the job shown (or running)
  okStep: 0,       // where the user was when OK closed the status window, 0 when not
  pictures: [],
  unshowable: 0,
  selected: -1,
};

const value = (mode) => (boxes[mode].checked ? 1 : 0);
const fileChosen = () => wizard.file !== null;
const anyMode = () => Object.keys(boxes).some((m) => value(m) === 1);
const containsDocx = (name) => name.includes('.docx');

function chosenMode() {
  if (value('salvage') === 1) return JobMode.salvage;
  if (value('image') === 1) return JobMode.images;
  if (value('deep') === 1) return JobMode.deep;
  return JobMode.quick;
}

function renderSteps() {
  for (let s = 1; s <= 5; ++s) {
    sections[s].hidden = s !== wizard.step;
    const header = headers[s - 1];
    header.disabled = !wizard.available[s];
    if (s === wizard.step) header.setAttribute('aria-current', 'step');
    else header.removeAttribute('aria-current');
  }
}

function setStepAvailable(step, available) {
  wizard.available[step] = available;
  renderSteps();
}

function setNext(caption, enabled) {
  if (caption !== undefined) next.textContent = caption;
  if (enabled !== undefined) next.disabled = !enabled;
}

async function selectStep(step) {
  if (step < 1 || step > 5 || !wizard.available[step] || step === wizard.step) return;
  wizard.step = step;
  renderSteps();
  await stepEntered(step);
}

// The rules that run whenever the current step changes.
async function stepEntered(step) {
  switch (step) {
    case 1:
      back.disabled = true;
      if (fileChosen()) setNext(undefined, true);
      break;
    case 2:
      if (fileChosen()) {
        back.disabled = false;
        setNext(undefined, anyMode());
      } else {
        await noFileMessage();
        await selectStep(1);
        back.disabled = true;
      }
      break;
    case 3:
    case 4:
      setNext('Next >', true);
      break;
    case 5:
      setNext('Save >', false);
      break;
  }
}

function noFileMessage() {
  return showMessage('Select Word Document', 'Please select a Word document and select Next to proceed.');
}

async function onNext() {
  switch (wizard.step) {
    case 1:
      back.disabled = true;
      if (fileChosen()) {
        await selectStep(2);
        back.disabled = false;
        setNext(undefined, anyMode());
        setImageModeOffered(!containsDocx(wizard.file.name));
      } else {
        await noFileMessage();
        await selectStep(1);
        back.disabled = true;
      }
      break;
    case 2:
      startJob();
      break;
    case 3:
    case 4:
      await selectStep(5);
      setNext('Save >', false);
      break;
  }
}

async function onBack() {
  switch (wizard.step) {
    case 2:
      back.disabled = true;
      await selectStep(1);
      break;
    case 3:
    case 4:
      await selectStep(2);
      setNext('Next >', true);
      break;
    case 5:
      await selectStep(value('salvage') === 1 || value('quick') === 1 || value('deep') === 1 ? 3 : 4);
      setNext('Next >', true);
      break;
  }
}

// Image Recovery is offered for Word 97-2003 files only; its value stays.
function setImageModeOffered(offered) {
  boxes.image.disabled = !offered;
  $('image-note').hidden = offered;
}

function onModeClicked(mode) {
  for (const other of ['quick', 'image', 'salvage', 'deep']) {
    if (other !== mode) boxes[other].checked = false;
  }
  if (!boxes[mode].checked) {
    setNext(undefined, false);
    return;
  }
  setNext(undefined, true);
  setStepAvailable(4, mode === 'image');
  setStepAvailable(3, mode !== 'image');
}

// ---- Step 1: the document ----------------------------------------------------

function chooseFile(file) {
  wizard.file = file;
  $('chosen').textContent = `${file.name} (${bytesText(file.size)})`;
  const problem = $('file-problem');
  problem.hidden = file.size !== 0;
  problem.textContent = file.size === 0 ? 'This file is empty: there is nothing in it to recover.' : '';
}

// A file dropped anywhere starts over with it, as the desktop wizard does.
async function useDocument(file) {
  if (wizard.job && wizard.job.running) return;
  chooseFile(file);
  await selectStep(1);
  for (const box of Object.values(boxes)) box.checked = false;
  clearText();
  setNext('Next >', true);
  $('browse').focus();
}

// ---- The job and its status window --------------------------------------------

async function startJob() {
  if (wizard.job && wizard.job.running) return;
  if (wizard.job) wizard.job.close();
  back.disabled = false;
  clearPictures();
  clearDamage();
  $('text-summary').textContent = '';
  wizard.okStep = 0;
  const status = $('status');
  showProgress(0);
  const job = new Job(wizard.file, chosenMode(), { progress: showProgress });
  wizard.job = job;
  document.body.dataset.jobState = 'running';
  status.showModal();
  $('CmdOK').focus();
  try {
    await job.start();
  } catch (error) {
    job.fail(String(error));
  }
  await jobEnded(job);
}

function showProgress(fraction) {
  const percent = Math.max(0, Math.min(100, Math.round(fraction * 100)));
  $('ProgReadDOC').value = percent;
  $('progress-text').textContent = `${percent}%`;
}

// OK: the preview step at once, while the job runs on.
function completeJob() {
  closeStatusWindow();
  showPreview(true);
  if (wizard.job && wizard.job.running) wizard.okStep = wizard.step;
}

function closeStatusWindow() {
  if ($('status').open) $('status').close();
}

function showPreview(select) {
  if (value('salvage') === 1 || value('quick') === 1 || value('deep') === 1) {
    if (select) selectStep(3);
    return;
  }
  if (value('image') === 1) {
    $('found-images').textContent = `Found (${wizard.pictures.length}) Images`;
    if (select) selectStep(4);
  }
}

async function jobEnded(job) {
  if (job !== wizard.job) return;
  const movedOn = wizard.okStep !== 0 && wizard.step !== wizard.okStep;
  wizard.okStep = 0;
  const result = job.result;
  if (result.engine === 'images') {
    setStepAvailable(4, true);
    setStepAvailable(3, false);
  }
  if (result.engine === 'deep') {
    setStepAvailable(4, result.pictures.length > 0);
    $('found-images').textContent = `Found (${result.pictures.length}) Images`;
  }
  setPictures(job);
  closeStatusWindow();
  showPreview(!movedOn);
  if (!movedOn) await selectStep(3);
  fillText(job);
  if (result.engine !== 'images') {
    $('text-summary').textContent =
      result.characters === null ? '' : textSummaryLine(result.paragraphs, result.characters);
  }
  showDamage(result.engine === 'images' ? 'pictures' : 'text', result.report, result.cancelled);
  document.body.dataset.jobState = 'ended';
  if (result.report.status !== 'ok') await showMessage(kWindowTitle, result.report.message);
  for (const notice of result.notices) await showMessage(kWindowTitle, notice);
}

// ---- Step 3: the text ----------------------------------------------------------

const preview = { text: '', match: null };

function clearText() {
  preview.text = '';
  $('text').textContent = '';
  $('text-cut').hidden = true;
  clearMatch();
}

// The start of the text, as the preview shows it: lines broken at CR LF, CR
// or LF, control characters as visible symbols.
function fillText(job) {
  const decoder = new TextDecoder('utf-8');
  let text = '';
  let taken = 0;
  for (const chunk of job.chunks) {
    if (taken >= kPreviewBytes) break;
    const piece = chunk.subarray(0, kPreviewBytes - taken);
    text += decoder.decode(piece, { stream: true });
    taken += piece.length;
  }
  text += decoder.decode();
  text = text
    .replace(/\r\n?/g, '\n')
    .replace(/[\x00-\x08\x0B\x0C\x0E-\x1F\x7F]/g, (c) => String.fromCharCode(c === '\x7F' ? 0x2421 : 0x2400 + c.charCodeAt(0)));
  preview.text = text;
  $('text').textContent = text;
  const cut = $('text-cut');
  cut.hidden = job.size <= kPreviewBytes;
  cut.textContent = `The preview shows the first ${count(kPreviewBytes >> 20)} MiB of ${count(job.size)} bytes; the downloads hold all of the text.`;
  clearMatch();
}

function clearMatch() {
  preview.match = null;
  $('find-status').textContent = '';
  if (window.CSS && CSS.highlights) CSS.highlights.delete('kw-find');
}

function escapeRegExp(text) {
  return text.replace(/[.*+?^${}()|[\]\\]/g, '\\$&');
}

function find(forward) {
  const needle = $('find-input').value;
  const status = $('find-status');
  if (needle === '') {
    clearMatch();
    return;
  }
  const pattern = new RegExp(escapeRegExp(needle), $('find-case').checked ? 'g' : 'gi');
  const text = preview.text;
  const from = preview.match ? (forward ? preview.match.end : preview.match.start) : 0;
  const firstAfter = (at) => {
    pattern.lastIndex = at;
    const m = pattern.exec(text);
    return m ? { start: m.index, end: m.index + m[0].length } : null;
  };
  const lastBefore = (at) => {
    let found = null;
    pattern.lastIndex = 0;
    for (let m = pattern.exec(text); m && m.index < at; m = pattern.exec(text)) {
      found = { start: m.index, end: m.index + m[0].length };
      if (m[0].length === 0) pattern.lastIndex++;
    }
    return found;
  };
  let match = forward ? firstAfter(from) : lastBefore(from);
  let wrapped = false;
  if (!match) {
    match = forward ? firstAfter(0) : lastBefore(text.length + 1);
    wrapped = match !== null;
  }
  if (!match) {
    clearMatch();
    status.textContent = 'Not found';
    return;
  }
  preview.match = match;
  status.textContent = wrapped
    ? forward ? 'Reached the end, continued from the start' : 'Reached the start, continued from the end'
    : '';
  showMatch(match);
}

function showMatch(match) {
  const pre = $('text');
  const node = pre.firstChild;
  if (!node) return;
  const range = document.createRange();
  range.setStart(node, match.start);
  range.setEnd(node, match.end);
  if (window.CSS && CSS.highlights && typeof Highlight === 'function') {
    CSS.highlights.set('kw-find', new Highlight(range));
  } else {
    const selection = window.getSelection();
    selection.removeAllRanges();
    selection.addRange(range);
  }
  const box = range.getBoundingClientRect();
  const frame = pre.getBoundingClientRect();
  if (box.top < frame.top || box.bottom > frame.bottom) {
    pre.scrollTop += box.top - frame.top - pre.clientHeight / 3;
  }
}

// ---- Step 4: the pictures -------------------------------------------------------

let thumbnails = null;

function clearPictures() {
  for (const p of wizard.pictures) if (p.url) URL.revokeObjectURL(p.url);
  wizard.pictures = [];
  wizard.unshowable = 0;
  wizard.selected = -1;
  $('grid').textContent = '';
  $('picture-summary').textContent = '';
  $('preview-image').hidden = true;
  $('preview-empty').textContent = '';
  $('pictures-saved').textContent = '';
  $('save-picture').disabled = true;
  $('save-all').disabled = true;
  if (thumbnails) thumbnails.disconnect();
}

function setPictures(job) {
  clearPictures();
  const grid = $('grid');
  thumbnails = new IntersectionObserver((entries) => {
    for (const entry of entries) {
      if (entry.isIntersecting) {
        thumbnails.unobserve(entry.target);
        loadPicture(Number(entry.target.dataset.index));
      }
    }
  });
  job.result.pictures.forEach((record, index) => {
    const picture = { record, job, index, loaded: null, url: null, bytes: null, facts: null, showable: null };
    wizard.pictures.push(picture);
    const item = document.createElement('li');
    const button = document.createElement('button');
    button.type = 'button';
    button.dataset.index = index;
    button.setAttribute('aria-pressed', 'false');
    button.innerHTML =
      '<span class="thumb"><img alt=""></span><span class="entry-title"></span>' +
      '<span class="entry-name"></span><span class="entry-facts"></span><span class="entry-range"></span>';
    button.querySelector('.entry-title').textContent = `Image #${index + 1}`;
    button.querySelector('.entry-name').textContent = `${record.name}.${record.ext}`;
    button.querySelector('.entry-facts').textContent = bytesText(record.size);
    button.querySelector('.entry-range').textContent = record.own ? '' : `bytes ${record.first} to ${record.last}`;
    button.addEventListener('click', () => selectPicture(index));
    item.append(button);
    grid.append(item);
    thumbnails.observe(button);
  });
  $('save-all').disabled = wizard.pictures.length === 0;
  updatePictureSummary();
}

function updatePictureSummary() {
  $('picture-summary').textContent = pictureSummaryLine(wizard.pictures.length, wizard.unshowable);
}

// Copies the picture out of the source (in the worker) and looks at it.
function loadPicture(index) {
  const picture = wizard.pictures[index];
  if (!picture.loaded) {
    picture.loaded = picture.job.picture(index).then((m) => {
      picture.facts = m.facts;
      if (m.bytes) {
        picture.bytes = m.bytes;
        picture.url = URL.createObjectURL(new Blob([m.bytes]));
      }
      return showFacts(picture);
    });
  }
  return picture.loaded;
}

function showFacts(picture) {
  const button = $('grid').querySelector(`button[data-index="${picture.index}"]`);
  const facts = button.querySelector('.entry-facts');
  const size = picture.bytes ? picture.bytes.length : 0;
  const cannot = () => {
    picture.showable = false;
    wizard.unshowable++;
    facts.textContent = `Cannot be shown, ${bytesText(size)}`;
    updatePictureSummary();
  };
  if (!picture.url) {
    facts.textContent = picture.facts.error || `Cannot be shown, ${bytesText(0)}`;
    picture.showable = false;
    wizard.unshowable++;
    updatePictureSummary();
    return Promise.resolve();
  }
  const img = button.querySelector('img');
  return new Promise((resolve) => {
    img.onload = () => {
      picture.showable = true;
      const type = picture.facts.type || picture.record.ext.toUpperCase();
      facts.textContent = `${type}, ${img.naturalWidth} x ${img.naturalHeight}, ${bytesText(size)}`;
      img.alt = `Image #${picture.index + 1}`;
      resolve();
    };
    img.onerror = () => {
      cannot();
      resolve();
    };
    img.src = picture.url;
  });
}

async function selectPicture(index) {
  wizard.selected = index;
  for (const b of $('grid').querySelectorAll('button')) {
    b.setAttribute('aria-pressed', String(Number(b.dataset.index) === index));
  }
  const picture = wizard.pictures[index];
  await loadPicture(index);
  if (wizard.selected !== index) return;
  const image = $('preview-image');
  const empty = $('preview-empty');
  $('dimensions').hidden = false;
  const facts = picture.facts || {};
  if (facts.type) {
    $('LblHeight').textContent = String(facts.height);
    $('LblWidth').textContent = String(facts.width);
    $('LblDepth').textContent = String(facts.depth);
  }
  if (picture.showable) {
    image.src = picture.url;
    image.alt = `Image #${index + 1}, ${picture.record.name}.${picture.record.ext}`;
    image.hidden = false;
    empty.textContent = '';
  } else {
    image.hidden = true;
    empty.textContent = facts.error || 'This picture cannot be shown: its data is damaged or incomplete.';
  }
  $('save-picture').disabled = !picture.bytes;
}

function download(blob, name) {
  const url = URL.createObjectURL(blob);
  const a = document.createElement('a');
  a.href = url;
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}

function savePicture() {
  const picture = wizard.pictures[wizard.selected];
  if (!picture || !picture.bytes) return;
  const name = `${picture.record.name}.${picture.record.ext}`;
  download(new Blob([picture.bytes]), name);
  $('pictures-saved').textContent = `Downloaded as ${name}.`;
}

// All pictures in one ZIP file, stored (pictures do not shrink), named as
// the desktop wizard names them in a folder: NAME.EXT, then NAME-2.EXT ...
async function saveAllPictures() {
  const files = [];
  const taken = new Set();
  const problems = [];
  for (const picture of wizard.pictures) {
    await loadPicture(picture.index);
    const { name, ext } = picture.record;
    if (!picture.bytes) {
      problems.push(`${name}.${ext}: ${picture.facts.error || 'nothing to copy'}`);
      continue;
    }
    let file = `${name}.${ext}`;
    for (let n = 2; taken.has(file); ++n) file = `${name}-${n}.${ext}`;
    taken.add(file);
    files.push({ name: file, bytes: picture.bytes, crc: picture.facts.crc });
  }
  const zipName = `${baseName(wizard.job.file.name)}-pictures.zip`;
  if (files.length > 0) download(storedZip(files), zipName);
  let line = `Downloaded ${files.length} of ${wizard.pictures.length} pictures as ${zipName}.`;
  if (problems.length > 0) line += ` Not saved: ${problems.join('; ')}`;
  $('pictures-saved').textContent = line;
}

function storedZip(files) {
  const parts = [];
  const central = [];
  let offset = 0;
  const encoder = new TextEncoder();
  const header = (signature, file, name, extra) => {
    const fields = new DataView(new ArrayBuffer(extra ? 46 : 30));
    let at = 0;
    const u16 = (v) => { fields.setUint16(at, v, true); at += 2; };
    const u32 = (v) => { fields.setUint32(at, v >>> 0, true); at += 4; };
    u32(signature);
    if (extra) u16(20);  // made by
    u16(10);             // version needed: stored
    u16(0x0800);         // names are UTF-8
    u16(0);              // stored
    u16(0);
    u16((2024 - 1980) << 9 | 1 << 5 | 1);
    u32(file.crc);
    u32(file.bytes.length);
    u32(file.bytes.length);
    u16(name.length);
    u16(0);
    if (extra) {
      u16(0); u16(0); u16(0); u32(0);
      u32(extra.offset);
    }
    return fields.buffer;
  };
  for (const file of files) {
    const name = encoder.encode(file.name);
    central.push(header(0x02014b50, file, name, { offset }), name);
    const local = header(0x04034b50, file, name, null);
    parts.push(local, name, file.bytes);
    offset += local.byteLength + name.length + file.bytes.length;
  }
  const directorySize = central.reduce((sum, part) => sum + (part.byteLength ?? part.length), 0);
  const end = new DataView(new ArrayBuffer(22));
  end.setUint32(0, 0x06054b50, true);
  end.setUint16(8, files.length, true);
  end.setUint16(10, files.length, true);
  end.setUint32(12, directorySize, true);
  end.setUint32(16, offset, true);
  return new Blob([...parts, ...central, end.buffer], { type: 'application/zip' });
}

// ---- Step 5: saving the text ---------------------------------------------------

function saveText() {
  const job = wizard.job;
  if (!job) return;
  const name = `${baseName(job.file.name)}.txt`;
  download(new Blob(job.chunks, { type: 'text/plain;charset=utf-8' }), name);
  $('text-saved').textContent = `Downloaded as ${name}.`;
}

async function saveDocx() {
  const job = wizard.job;
  if (!job) return;
  const name = `${baseName(job.file.name)}.docx`;
  $('text-saved').textContent = 'Making the Word document...';
  const m = await job.docx();
  if (m.error) {
    $('text-saved').textContent = '';
    await showMessage('Save Recovered Text', m.error);
    return;
  }
  download(new Blob([m.bytes], { type: 'application/vnd.openxmlformats-officedocument.wordprocessingml.document' }), name);
  $('text-saved').textContent = `Downloaded as ${name}.`;
}

// ---- Damage, messages ------------------------------------------------------------

function damageBlock(which) {
  const block = document.querySelector(`.damage[data-for="${which}"]`);
  if (!block.firstElementChild) {
    block.append($('damage-template').content.cloneNode(true));
    block.querySelector('.details-button').addEventListener('click', () => showDetails(block.report));
  }
  return block;
}

function clearDamage() {
  for (const which of ['text', 'pictures']) showDamage(which, null, false);
}

function showDamage(which, report, cancelled) {
  const block = damageBlock(which);
  block.report = report;
  block.querySelector('.cancelled').hidden = !cancelled;
  const line = report ? damageSummaryLine(report) : '';
  block.querySelector('.damage-line').hidden = line === '';
  block.querySelector('.damage-line span').textContent = line;
}

function showDetails(report) {
  const dialog = $('details');
  $('details-list').textContent = damageDetailLines(report).join('\n');
  dialog.showModal();
  $('details-close').focus();
}

const messages = [];
function showMessage(title, text) {
  return new Promise((resolve) => {
    messages.push({ title, text, resolve });
    if (messages.length === 1) showNextMessage();
  });
}

function showNextMessage() {
  const m = messages[0];
  if (!m) return;
  $('message-title').textContent = m.title;
  $('message-text').textContent = m.text;
  $('message').showModal();
  $('message-ok').focus();
}

$('message').addEventListener('close', () => {
  const m = messages.shift();
  if (m) m.resolve();
  showNextMessage();
});

// ---- Wiring ------------------------------------------------------------------------

headers.forEach((header, i) => header.addEventListener('click', () => selectStep(i + 1)));
next.addEventListener('click', onNext);
back.addEventListener('click', onBack);
for (const [mode, box] of Object.entries(boxes)) {
  box.addEventListener('click', () => onModeClicked(mode));
  // Enter on a mode moves on, as the desktop wizard's default button does.
  box.addEventListener('keydown', (event) => {
    if (event.key === 'Enter' && !next.disabled) {
      event.preventDefault();
      next.click();
    }
  });
}
$('file').addEventListener('change', (event) => {
  if (event.target.files.length > 0) chooseFile(event.target.files[0]);
});
$('CmdOK').addEventListener('click', completeJob);
$('CmdCancel').addEventListener('click', () => {
  if (wizard.job) wizard.job.cancel();
});
// The status window has no close button: Escape does not close it.
$('status').addEventListener('cancel', (event) => event.preventDefault());
$('message-ok').addEventListener('click', () => $('message').close());
$('details-close').addEventListener('click', () => $('details').close());
$('find').addEventListener('submit', (event) => {
  event.preventDefault();
  find(true);
});
$('find-previous').addEventListener('click', () => find(false));
$('find-input').addEventListener('input', () => {
  preview.match = null;
  find(true);
});
$('find-input').addEventListener('keydown', (event) => {
  if (event.key === 'Escape') {
    clearMatch();
    $('text').focus();
  } else if (event.key === 'Enter' && event.shiftKey) {
    event.preventDefault();
    find(false);
  }
});
$('find-case').addEventListener('change', () => {
  preview.match = null;
  find(true);
});
document.addEventListener('keydown', (event) => {
  if ((event.ctrlKey || event.metaKey) && event.key.toLowerCase() === 'f' && wizard.step === 3) {
    event.preventDefault();
    $('find-input').focus();
    $('find-input').select();
  }
});
$('save-picture').addEventListener('click', savePicture);
$('save-all').addEventListener('click', saveAllPictures);
$('save-txt').addEventListener('click', saveText);
$('save-docx').addEventListener('click', saveDocx);

const drop = $('drop');
window.addEventListener('dragover', (event) => {
  event.preventDefault();
  drop.classList.add('over');
});
window.addEventListener('dragleave', (event) => {
  if (event.relatedTarget === null) drop.classList.remove('over');
});
window.addEventListener('drop', (event) => {
  event.preventDefault();
  drop.classList.remove('over');
  const files = event.dataTransfer && event.dataTransfer.files;
  if (files && files.length > 0) useDocument(files[0]);
});

renderSteps();
document.body.dataset.ready = 'true';
