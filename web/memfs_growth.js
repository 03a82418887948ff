// Appended to pagemix-reader.js (--post-js), inside the module.  A file
// that MEMFS grows past 1 MiB gets only an eighth more room at a time, a
// new array and a copy of everything each time: a decoded payload of
// 64 MiB spent more time there than in the decoder.  Doubling keeps that
// to a handful of copies, at most twice the file's size in memory while
// it is written.
MEMFS.expandFileStorage = function (node, wanted) {
  const had = node.contents ? node.contents.length : 0;
  if (had >= wanted) return;
  const grown = new Uint8Array(Math.max(wanted, had * 2, 256));
  if (node.usedBytes > 0) grown.set(node.contents.subarray(0, node.usedBytes), 0);
  node.contents = grown;
};
