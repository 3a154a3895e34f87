// Takes a CPU profile of the check page in headless chromium and prints where its time goes, by
// function (self time), as the desktop's `perf report` would. For the functions' names, configure
// the web preset with -DFLOPFIST_WEB_PROFILING=ON first (the optimiser still inlines most of the
// step into match::step). Usage: node tests/web/profile.mjs [TOP]   (FLOPFIST_CHECK=DIR another build)
import {serve, launch} from './page.mjs';

const server = await serve();
const {browser, close} = await launch();
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
  await page.goto(`http://127.0.0.1:${server.address().port}/check/webcheck.html`, {waitUntil: 'load'});
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
  await close();
  server.close();
}
process.exit(0);
