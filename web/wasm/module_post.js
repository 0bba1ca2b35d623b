// SPDX-License-Identifier: Apache-2.0
// Inside the module: the chosen file, mounted read-only where the job reads
// it. WORKERFS reads a File in slices (FileReaderSync), each one a round
// trip to the browser, so reads go through a cache of 1 MiB blocks (16 of
// them at most, the least recently used dropped first): the readers' many
// short reads of a compound file or a package cost one slice per block, and
// a long forward read one per megabyte. Reads of 4 MiB or more go straight
// to the file.
(function () {
  const kBlock = 1 << 20;
  const kBlocks = 16;
  const reader = new FileReaderSync();
  const blocks = new Map();  // file -> Map(index -> bytes), in order of use

  function block(file, index) {
    let cached = blocks.get(file);
    if (!cached) {
      cached = new Map();
      blocks.set(file, cached);
    }
    let bytes = cached.get(index);
    if (bytes) {
      cached.delete(index);  // now the most recently used
    } else {
      const start = index * kBlock;
      bytes = new Uint8Array(reader.readAsArrayBuffer(file.slice(start, Math.min(file.size, start + kBlock))));
      if (cached.size >= kBlocks) cached.delete(cached.keys().next().value);
    }
    cached.set(index, bytes);
    return bytes;
  }

  WORKERFS.stream_ops.read = function (stream, buffer, offset, length, position) {
    const file = stream.node.contents;
    if (position >= stream.node.size) return 0;
    const end = Math.min(position + length, stream.node.size);
    if (end - position >= 4 * kBlock) {
      const bytes = new Uint8Array(reader.readAsArrayBuffer(file.slice(position, end)));
      buffer.set(bytes, offset);
      return bytes.length;
    }
    let done = 0;
    while (position + done < end) {
      const at = position + done;
      const index = Math.floor(at / kBlock);
      const bytes = block(file, index);
      const from = at - index * kBlock;
      const n = Math.min(bytes.length - from, end - at);
      if (n <= 0) break;  // the file is shorter than it said
      buffer.set(bytes.subarray(from, from + n), offset + done);
      done += n;
    }
    return done;
  };

  Module['kwMount'] = function (file) {
    FS.mkdir('/in');
    FS.mount(WORKERFS, { files: [file] }, '/in');
    return '/in/' + file.name;
  };
})();
