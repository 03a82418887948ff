// A zip archive of stored (uncompressed) entries, made in the page: the
// files are already decoded, and any unzipper reads stored entries.
// Each entry is {name, bytes, modified}: name with '/' between folders,
// bytes a Uint8Array, modified seconds since 1970 (0: unknown, then the
// time of writing, as an installation would give it).
"use strict";

const ZipWriter = (() => {
  const crcTable = new Uint32Array(256);
  for (let n = 0; n < 256; n++) {
    let c = n;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xEDB88320 ^ (c >>> 1) : c >>> 1;
    crcTable[n] = c >>> 0;
  }

  function crc32(bytes) {
    let crc = 0xFFFFFFFF;
    for (let i = 0; i < bytes.length; i++) crc = crcTable[(crc ^ bytes[i]) & 0xFF] ^ (crc >>> 8);
    return (crc ^ 0xFFFFFFFF) >>> 0;
  }

  // MS-DOS keeps local time in 2-second steps, from 1980 on.
  function dosTime(seconds) {
    const when = seconds ? new Date(seconds * 1000) : new Date();
    const year = Math.min(Math.max(when.getFullYear(), 1980), 2107);
    return {
      date: ((year - 1980) << 9) | ((when.getMonth() + 1) << 5) | when.getDate(),
      time: (when.getHours() << 11) | (when.getMinutes() << 5) | (when.getSeconds() >> 1),
    };
  }

  function make(entries) {
    const encoder = new TextEncoder();
    const parts = [];
    const central = [];
    let offset = 0;
    for (const entry of entries) {
      const name = encoder.encode(entry.name);
      const crc = crc32(entry.bytes);
      const { date, time } = dosTime(entry.modified);
      // Bit 11: the name is UTF-8.
      const flags = /^[\x20-\x7e]*$/.test(entry.name) ? 0 : 0x0800;
      const local = new DataView(new ArrayBuffer(30));
      local.setUint32(0, 0x04034b50, true);
      local.setUint16(4, 10, true);  // version needed: 1.0, stored
      local.setUint16(6, flags, true);
      local.setUint16(8, 0, true);  // stored
      local.setUint16(10, time, true);
      local.setUint16(12, date, true);
      local.setUint32(14, crc, true);
      local.setUint32(18, entry.bytes.length, true);
      local.setUint32(22, entry.bytes.length, true);
      local.setUint16(26, name.length, true);
      local.setUint16(28, 0, true);
      parts.push(local, name, entry.bytes);

      const record = new DataView(new ArrayBuffer(46));
      record.setUint32(0, 0x02014b50, true);
      record.setUint16(4, 0x0314, true);  // made by: Unix, 2.0, so that the mode below counts
      record.setUint16(6, 10, true);
      record.setUint16(8, flags, true);
      record.setUint16(10, 0, true);
      record.setUint16(12, time, true);
      record.setUint16(14, date, true);
      record.setUint32(16, crc, true);
      record.setUint32(20, entry.bytes.length, true);
      record.setUint32(24, entry.bytes.length, true);
      record.setUint16(28, name.length, true);
      record.setUint32(38, (0o100644 << 16) >>> 0, true);  // a plain file, rw-r--r--
      record.setUint32(42, offset, true);
      central.push(record, name);
      offset += 30 + name.length + entry.bytes.length;
    }
    // Without ZIP64's records, offsets and sizes stop at 4 GiB.
    if (offset > 0xFFFFFFFF || entries.length > 0xFFFF) throw new Error("too large for a zip archive without ZIP64");
    const centralSize = central.reduce((sum, part) => sum + part.byteLength, 0);
    const end = new DataView(new ArrayBuffer(22));
    end.setUint32(0, 0x06054b50, true);
    end.setUint16(8, entries.length, true);
    end.setUint16(10, entries.length, true);
    end.setUint32(12, centralSize, true);
    end.setUint32(16, offset, true);
    return new Blob([...parts, ...central, end], { type: "application/zip" });
  }

  return { make, crc32 };
})();
