// What the browser tests share: a static server for the page on the loopback, and the page's
// frames and keys.
import {createServer} from 'node:http';
import {tmpdir} from 'node:os';
import {mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {extname, join, normalize, dirname} from 'node:path';
import {fileURLToPath} from 'node:url';
import puppeteer from 'puppeteer-core';
import {decodepng} from './png.mjs';

export const root = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
// FLOPFIST_SITE and FLOPFIST_CHECK serve other builds of the page and of the check program.
export const site = process.env.FLOPFIST_SITE || join(root, 'build', 'web');
const check = process.env.FLOPFIST_CHECK || join(root, 'build', 'web-build', 'check');
export const shots = join(root, 'build', 'web-shots');
mkdirSync(shots, {recursive: true});

// ---- A static server for the page and the check program, on the loopback only ----
const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.data': 'application/octet-stream'};
export function serve() {
  const server = createServer((req, res) => {
    let path = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    let base = site;
    if (path.startsWith('/check/')) { base = check; path = path.slice(6); }
    if (path.endsWith('/')) path += 'index.html';
    const file = normalize(join(base, path));
    try {
      if (!file.startsWith(base)) throw new Error('outside');
      const body = readFileSync(file);
      // Cross-origin isolated, as a host can make the page: performance.now() then ticks in
      // microseconds rather than a tenth of a millisecond.
      res.writeHead(200, {'Content-Type': types[extname(file)] || 'application/octet-stream',
        'Cache-Control': 'no-store', 'Cross-Origin-Opener-Policy': 'same-origin',
        'Cross-Origin-Embedder-Policy': 'require-corp'});
      res.end(body);
    } catch {
      res.writeHead(404);
      res.end();
    }
  });
  return new Promise(resolve => server.listen(0, '127.0.0.1', () => resolve(server)));
}

export const sleep = ms => new Promise(r => setTimeout(r, ms));

// The canvas as the compositor shows it (the page is sized so the canvas is 1024x768 pixels).
export async function frame(page, name) {
  const png = await page.screenshot({type: 'png'});
  if (name) writeFileSync(join(shots, `${name}.png`), png);
  return decodepng(png);
}

export async function waitfor(test, ms, step = 100) {
  const end = Date.now() + ms;
  while (Date.now() < end) {
    if (await test()) return true;
    await sleep(step);
  }
  return false;
}

export async function press(page, key, times = 1) {
  for (let k = 0; k < times; ++k) {
    await page.keyboard.press(key, {delay: 60});
    await sleep(120);
  }
}

// Debian's chromium, headless, drawing WebGL in software, with a profile of its own that close()
// removes.
export async function launch() {
  const profile = mkdtempSync(join(tmpdir(), 'flopfist-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.FLOPFIST_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--headless=new', '--no-sandbox', '--use-gl=swiftshader', '--enable-unsafe-swiftshader',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--no-first-run', '--autoplay-policy=user-gesture-required'],
    defaultViewport: {width: 1024, height: 768},
  });
  return {browser, close: async () => {
    await browser.close();
    rmSync(profile, {recursive: true, force: true});
  }};
}
