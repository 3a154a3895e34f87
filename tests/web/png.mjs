// Screenshots as pixels: a PNG decoder for chromium's 8-bit RGB(A) screenshots, and pixel counts.
import {inflateSync} from 'node:zlib';

// {width, height, rgba}: colour types 2 (RGB) and 6 (RGBA), bit depth 8, not interlaced.
export function decodepng(buf) {
  let pos = 8, width = 0, height = 0, type = 0;
  const idat = [];
  while (pos < buf.length) {
    const len = buf.readUInt32BE(pos);
    const kind = buf.toString('latin1', pos + 4, pos + 8);
    const data = buf.subarray(pos + 8, pos + 8 + len);
    if (kind === 'IHDR') {
      width = data.readUInt32BE(0);
      height = data.readUInt32BE(4);
      type = data[9];
      if (data[8] !== 8 || (type !== 2 && type !== 6) || data[12] !== 0) throw new Error('unexpected PNG form');
    } else if (kind === 'IDAT') {
      idat.push(data);
    } else if (kind === 'IEND') {
      break;
    }
    pos += 12 + len;
  }
  const bpp = type === 6 ? 4 : 3;
  const raw = inflateSync(Buffer.concat(idat));
  const stride = width * bpp;
  const out = new Uint8Array(width * height * 4);
  let prev = new Uint8Array(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    const cur = new Uint8Array(stride);
    for (let i = 0; i < stride; ++i) {
      const a = i >= bpp ? cur[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
      let p = line[i];
      if (filter === 1) p += a;
      else if (filter === 2) p += b;
      else if (filter === 3) p += (a + b) >> 1;
      else if (filter === 4) {
        const e = a + b - c, da = Math.abs(e - a), db = Math.abs(e - b), dc = Math.abs(e - c);
        p += da <= db && da <= dc ? a : db <= dc ? b : c;
      }
      cur[i] = p & 255;
    }
    for (let x = 0; x < width; ++x) {
      out.set([cur[x * bpp], cur[x * bpp + 1], cur[x * bpp + 2], bpp === 4 ? cur[x * bpp + 3] : 255],
        (y * width + x) * 4);
    }
    prev = cur;
  }
  return {width, height, rgba: out};
}

export function crop(img, x0, y0, w, h) {
  const out = new Uint8Array(w * h * 4);
  for (let y = 0; y < h; ++y) {
    const from = ((y0 + y) * img.width + x0) * 4;
    out.set(img.rgba.subarray(from, from + w * 4), y * w * 4);
  }
  return {width: w, height: h, rgba: out};
}

// Pixels of exactly this colour.
export function countcolour(img, [r, g, b]) {
  let n = 0;
  for (let i = 0; i < img.rgba.length; i += 4) {
    if (img.rgba[i] === r && img.rgba[i + 1] === g && img.rgba[i + 2] === b) ++n;
  }
  return n;
}

// The share of pixels brighter than near-black.
export function lit(img) {
  let n = 0;
  for (let i = 0; i < img.rgba.length; i += 4) {
    if (img.rgba[i] + img.rgba[i + 1] + img.rgba[i + 2] > 48) ++n;
  }
  return n / (img.rgba.length / 4);
}

// The share of pixels that differ clearly between two images of one size.
export function differing(a, b) {
  if (a.width !== b.width || a.height !== b.height) return 1;
  let n = 0;
  for (let i = 0; i < a.rgba.length; i += 4) {
    const d = Math.abs(a.rgba[i] - b.rgba[i]) + Math.abs(a.rgba[i + 1] - b.rgba[i + 1]) +
      Math.abs(a.rgba[i + 2] - b.rgba[i + 2]);
    if (d > 30) ++n;
  }
  return n / (a.rgba.length / 4);
}
