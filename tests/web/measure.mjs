// Measures the built page in headless chromium, without the full browser tests: the time from
// asking for the page to its first drawn frame (several loads, the median), and the check program's
// level-8 step time. Usage: node tests/web/measure.mjs [LOADS]   (after scripts/web; FLOPFIST_SITE=DIR
// and FLOPFIST_CHECK=DIR other builds of the page and of the check)
import {createServer} from 'node:http';
import {mkdtempSync, readFileSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {extname, join, normalize, dirname} from 'node:path';
import {fileURLToPath} from 'node:url';
import puppeteer from 'puppeteer-core';
import {decodepng, lit} from './png.mjs';

const root = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
const site = process.env.FLOPFIST_SITE || join(root, 'build', 'web');
const check = process.env.FLOPFIST_CHECK || join(root, 'build', 'web-build', 'check');
const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm'};
const server = createServer((req, res) => {
  let path = decodeURIComponent(new URL(req.url, 'http://x').pathname);
  let base = site;
  if (path.startsWith('/check/')) { base = check; path = path.slice(6); }
  if (path.endsWith('/')) path += 'index.html';
  const file = normalize(join(base, path));
  try {
    if (!file.startsWith(base)) throw new Error('outside');
    const body = readFileSync(file);
    res.writeHead(200, {'Content-Type': types[extname(file)] || 'application/octet-stream',
      'Cache-Control': 'no-store', 'Cross-Origin-Opener-Policy': 'same-origin',
      'Cross-Origin-Embedder-Policy': 'require-corp'});
    res.end(body);
  } catch {
    res.writeHead(404);
    res.end();
  }
});
await new Promise(r => server.listen(0, '127.0.0.1', r));
const url = `http://127.0.0.1:${server.address().port}/`;
const profile = mkdtempSync(join(tmpdir(), 'flopfist-chromium-'));
const browser = await puppeteer.launch({
  executablePath: process.env.FLOPFIST_CHROMIUM || '/usr/bin/chromium', headless: true,
  userDataDir: profile,
  args: ['--headless=new', '--no-sandbox', '--use-gl=swiftshader', '--enable-unsafe-swiftshader',
    '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run'],
  defaultViewport: {width: 1024, height: 768},
});
const sleep = ms => new Promise(r => setTimeout(r, ms));
const median = xs => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
try {
  const loads = Number(process.argv[2] || 3);
  const firsts = [];
  for (let k = 0; k < loads; ++k) {
    const page = await browser.newPage();
    const t0 = Date.now();
    await page.goto(url, {waitUntil: 'load'});
    let t = -1;
    while (Date.now() - t0 < 60000) {
      if (lit(decodepng(await page.screenshot({type: 'png'}))) > 0.02) { t = Date.now() - t0; break; }
      await sleep(20);
    }
    firsts.push(t);
    await page.close();
  }
  console.log(`first frame ms ${firsts.join(' ')} median ${median(firsts)}`);
  const checkpage = await browser.newPage();
  let done;
  const finished = new Promise(r => { done = r; });
  checkpage.on('console', m => {
    const text = m.text();
    if (text.startsWith('level8 ')) { console.log(`browser ${text}`); done(); }
  });
  await checkpage.goto(url + 'check/webcheck.html', {waitUntil: 'load'});
  console.log(`crossOriginIsolated ${await checkpage.evaluate(() => self.crossOriginIsolated)}`);
  await Promise.race([finished, sleep(600000)]);
} finally {
  await browser.close();
  server.close();
  rmSync(profile, {recursive: true, force: true});
}
process.exit(0);
