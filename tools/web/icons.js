// The page's app icons from the window's icon: the largest image of a
// Windows .ico file (a 24- or 32-bit bitmap with its AND mask, as
// ui/res/make-resources.py writes ui/res/ikona.ico) scaled up pixel for
// pixel to a size, as PNG with a palette. Nothing but the image goes into
// the file (no time, no text chunks), so the same icon gives the same bytes
// every time.
import fs from "node:fs";
import zlib from "node:zlib";

// The pixels of the .ico's largest image as [r, g, b, a], top row first.
export function readIcon(file) {
  const ico = fs.readFileSync(file);
  if (ico.readUInt16LE(0) !== 0 || ico.readUInt16LE(2) !== 1) throw new Error(`${file}: not an icon`);
  let best = null;
  for (let i = 0; i < ico.readUInt16LE(4); i++) {
    const entry = 6 + 16 * i;
    const size = ico[entry] || 256;
    if (!best || size > best.size) best = { size, offset: ico.readUInt32LE(entry + 12) };
  }
  const at = best.offset;
  const width = ico.readInt32LE(at + 4);
  const height = ico.readInt32LE(at + 8) / 2; // the colours, then the mask
  const bits = ico.readUInt16LE(at + 14);
  if (bits !== 24 && bits !== 32) throw new Error(`${file}: ${bits}-bit images are not read`);
  const colours = at + ico.readUInt32LE(at);
  const colourRow = Math.ceil((width * bits) / 32) * 4;
  const mask = colours + colourRow * height;
  const maskRow = Math.ceil(width / 32) * 4;
  const pixels = [];
  for (let y = 0; y < height; y++) {
    const row = height - 1 - y; // stored bottom-up
    for (let x = 0; x < width; x++) {
      const p = colours + row * colourRow + (x * bits) / 8;
      const hidden = (ico[mask + row * maskRow + (x >> 3)] >> (7 - (x & 7))) & 1;
      const alpha = hidden ? 0 : bits === 32 ? ico[p + 3] : 255;
      pixels.push([ico[p + 2], ico[p + 1], ico[p], alpha]);
    }
  }
  return { width, height, pixels };
}

const CRC_TABLE = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c >>> 0;
});
function crc32(bytes) {
  let c = 0xffffffff;
  for (const b of bytes) c = CRC_TABLE[(c ^ b) & 0xff] ^ (c >>> 8);
  return (c ^ 0xffffffff) >>> 0;
}
function chunk(type, data) {
  const body = Buffer.concat([Buffer.from(type, "latin1"), data]);
  const length = Buffer.alloc(4);
  length.writeUInt32BE(data.length);
  const crc = Buffer.alloc(4);
  crc.writeUInt32BE(crc32(body));
  return Buffer.concat([length, body, crc]);
}

// A PNG of the icon scaled to size x size, nearest pixel, 8-bit palette.
export function png(icon, size) {
  const palette = [];
  const index = new Map();
  for (const p of icon.pixels) {
    const key = p.join();
    if (!index.has(key)) index.set(key, palette.push(p) - 1);
  }
  if (palette.length > 256) throw new Error("more than 256 colours");
  const raw = Buffer.alloc((size + 1) * size);
  for (let y = 0; y < size; y++) {
    const sy = Math.floor((y * icon.height) / size);
    for (let x = 0; x < size; x++) {
      const sx = Math.floor((x * icon.width) / size);
      raw[y * (size + 1) + 1 + x] = index.get(icon.pixels[sy * icon.width + sx].join());
    }
  }
  const header = Buffer.alloc(13);
  header.writeUInt32BE(size, 0);
  header.writeUInt32BE(size, 4);
  header.set([8, 3, 0, 0, 0], 8); // 8 bits, palette, deflate, no filter, no interlace
  const chunks = [
    chunk("IHDR", header),
    chunk("PLTE", Buffer.from(palette.flatMap((p) => p.slice(0, 3)))),
  ];
  if (palette.some((p) => p[3] < 255)) chunks.push(chunk("tRNS", Buffer.from(palette.map((p) => p[3]))));
  chunks.push(chunk("IDAT", zlib.deflateSync(raw, { level: 9 })), chunk("IEND", Buffer.alloc(0)));
  return Buffer.concat([Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]), ...chunks]);
}
