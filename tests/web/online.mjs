// The page's side of the page against the desktop (tests/web/online.sh starts the rest): the page
// hosts by room code through the lobby, or joins the desktop's room by its code; once the match is
// on it plays, shows F3, leaves with Escape and hands over the replay it kept.
// Usage: node tests/web/online.mjs LOBBY OUTDIR [CODE]
//   hosting (no CODE), writes OUTDIR/code as soon as the page prints its room code; then waits for
//   OUTDIR/joined (the desktop's match is on), and ends with OUTDIR/page.ffr. Exit status 1 on any
//   failure.
import {existsSync, writeFileSync} from 'node:fs';
import {join} from 'node:path';
import {serve, sleep, frame, waitfor, press, launch} from './page.mjs';

const [lobby, out, joining] = process.argv.slice(2);
const role = joining ? 'joiner' : 'host';
let failed = false;
function expect(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} page: ${what}`);
  failed ||= !ok;
  return ok;
}

async function hold(page, key, ms) {
  await page.keyboard.down(key);
  await sleep(ms);
  await page.keyboard.up(key);
}

// The names of the replays the page kept, in its own storage.
function replays(page) {
  return page.evaluate(() => {
    const at = '/play/replays';
    if (!Module.FS.analyzePath(at).exists) return [];
    return Module.FS.readdir(at).filter(n => n.endsWith('.ffr'));
  });
}

const server = await serve();
const {browser, close} = await launch();
try {
  const page = await browser.newPage();
  const errors = [];
  let code = '';
  page.on('console', m => {
    const text = m.text();
    if (m.type() === 'error') errors.push(text);
    const found = text.match(/^room code: ([2-9A-Z]{5})$/);
    if (found) code = found[1];
  });
  page.on('pageerror', e => { if (!/ExitStatus/.test(String(e))) errors.push(String(e)); });
  const asked = Date.now();
  const start = joining ? `join=${joining}` : 'host';
  await page.goto(`http://127.0.0.1:${server.address().port}/?lobby=${lobby}&${start}`, {waitUntil: 'load'});
  if (!joining) {
    if (!expect(await waitfor(() => code !== '', 60000), `prints its room code (${code || 'none'})`)) {
      await frame(page, 'online-page-nocode');
      process.exit(1);
    }
    console.log(`page: room code ${code} ${Date.now() - asked} ms after the page was asked for`);
    await frame(page, 'online-page-code');
    writeFileSync(join(out, 'code'), code);
  }

  if (!expect(await waitfor(() => existsSync(join(out, 'joined')), 120000), `the match is on (the page the ${role})`)) {
    await frame(page, `online-page-${role}-unjoined`);
    process.exit(1);
  }
  await press(page, 'F3');
  await hold(page, 'ArrowRight', 1500);
  await frame(page, `online-page-${role}-f3`);
  await hold(page, 'ArrowLeft', 1000);
  await press(page, 'Escape');
  const kept = await waitfor(async () => (await replays(page)).length > 0, 10000);
  expect(kept, 'keeps a replay after leaving');
  await sleep(500);
  await frame(page, `online-page-${role}-menu`);  // the ONLINE menu's foot names the path
  if (kept) {
    const [name] = await replays(page);
    const bytes = await page.evaluate(n => Array.from(Module.FS.readFile(`/play/replays/${n}`)), name);
    writeFileSync(join(out, 'page.ffr'), Buffer.from(bytes));
  }
  expect(errors.length === 0, `no errors on the page${errors.length ? ': ' + errors.join(' | ') : ''}`);
} finally {
  await close();
  server.close();
}
process.exit(failed ? 1 : 0);
