// Takes a CPU profile of the check page in headless chromium and prints where its time goes, by
// function (self time), as the desktop's `perf report` would. For the functions' names, configure
// the web preset with -DFLOPFIST_WEB_PROFILING=ON first (the optimiser still inlines most of the
// step into match::step). Usage: node tests/web/profile.mjs [TOP]   (FLOPFIST_CHECK=DIR another build)
import {createServer} from 'node:http';
import {mkdtempSync, readFileSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {extname, join, normalize, dirname} from 'node:path';
import {fileURLToPath} from 'node:url';
import puppeteer from 'puppeteer-core';

const root = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
const check = process.env.FLOPFIST_CHECK || join(root, 'build', 'web-build', 'check');
const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm'};
const server = createServer((req, res) => {
  const path = decodeURIComponent(new URL(req.url, 'http://x').pathname);
  const file = normalize(join(check, path));
  try {
    if (!file.startsWith(check)) throw new Error('outside');
    const body = readFileSync(file);
    res.writeHead(200, {'Content-Type': types[extname(file)] || 'application/octet-stream'});
    res.end(body);
  } catch {
    res.writeHead(404);
    res.end();
  }
});
await new Promise(r => server.listen(0, '127.0.0.1', r));
const profile = mkdtempSync(join(tmpdir(), 'flopfist-chromium-'));
const browser = await puppeteer.launch({
  executablePath: process.env.FLOPFIST_CHROMIUM || '/usr/bin/chromium', headless: true,
  userDataDir: profile, args: ['--headless=new', '--no-sandbox', '--no-first-run'],
});
try {
  const page = await browser.newPage();
  const cdp = await page.createCDPSession();
  await cdp.send('Profiler.enable');
  await cdp.send('Profiler.setSamplingInterval', {interval: 100});
  let done;
  const finished = new Promise(r => { done = r; });
  page.on('console', m => {
    const text = m.text();
    console.log(text);
    if (text.startsWith('webcheck done')) done();
  });
  await cdp.send('Profiler.start');
  await page.goto(`http://127.0.0.1:${server.address().port}/webcheck.html`, {waitUntil: 'load'});
  await finished;
  const {profile: p} = await cdp.send('Profiler.stop');
  const self = new Map();
  const byid = new Map(p.nodes.map(n => [n.id, n]));
  const dts = p.timeDeltas;
  let total = 0;
  p.samples.forEach((id, k) => {
    const n = byid.get(id);
    const name = n.callFrame.functionName || `(${n.callFrame.url.split('/').pop()})`;
    const dt = dts[k] || 0;
    self.set(name, (self.get(name) || 0) + dt);
    total += dt;
  });
  const top = [...self.entries()].sort((a, b) => b[1] - a[1]).slice(0, Number(process.argv[2] || 40));
  for (const [name, t] of top) console.log(`${(100 * t / total).toFixed(1).padStart(5)}%  ${name}`);
} finally {
  await browser.close();
  server.close();
  rmSync(profile, {recursive: true, force: true});
}
process.exit(0);
