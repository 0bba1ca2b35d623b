// SPDX-License-Identifier: Apache-2.0
// The imports of web_job.cpp: each hands what the job gives to the worker's
// script, through the hooks it put on the module (web/page/worker.js).
mergeInto(LibraryManager.library, {
  kw_text: function (bytes, size) {
    Module['kwText'](HEAPU8.slice(bytes, bytes + size));
  },
  kw_progress: function (min, max, value) {
    Module['kwProgress'](min, max, value);
  },
  kw_cancel_requested: function () {
    return Module['kwCancelRequested']() ? 1 : 0;
  },
  // Replaced by a suspending import where the browser has JavaScript Promise
  // Integration (worker.js); without it a job cannot stop to read messages.
  kw_pause: function () {},
  kw_job_done: function (json) {
    Module['kwJobDone'](UTF8ToString(json));
  },
  kw_picture_done: function (index, bytes, size, facts) {
    Module['kwPictureDone'](index, bytes ? HEAPU8.slice(bytes, bytes + size) : null, UTF8ToString(facts));
  },
  kw_docx_done: function (bytes, size, error) {
    Module['kwDocxDone'](HEAPU8.slice(bytes, bytes + size), UTF8ToString(error));
  },
});
