// Measures the built page in headless chromium, without the full browser tests: the time from
// asking for the page to its first drawn frame (several loads, the median), and the check program's
// level-8 step time. Usage: node tests/web/measure.mjs [LOADS]   (after scripts/web; FLOPFIST_SITE=DIR
// and FLOPFIST_CHECK=DIR other builds of the page and of the check)
import {decodepng, lit} from './png.mjs';
import {serve, sleep, launch} from './page.mjs';

const server = await serve();
const url = `http://127.0.0.1:${server.address().port}/`;
const {browser, close} = await launch();
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
  await close();
  server.close();
}
process.exit(0);
