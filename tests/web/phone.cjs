// The page on an emulated phone in headless Chromium (390x844 CSS pixels at 3x, touch, a phone's
// user agent), turned to portrait and landscape:
//  - a tap brings up the touch controls; About shows the framework's about box and OK closes
//    it; End shows the credits (the box captioned with the intro's title), and after OK the
//    page says the intro has ended. Every control and the OK button are 44x44 CSS pixels or
//    more, the picture is 4:3 and whole in both orientations, and the screen is kept on while
//    the intro plays and let go after it;
//  - the canvas as painted, portrait and landscape, shows the picture within 42 dB of the
//    picture scaled by exact area coverage (sharp scaling at 3 device pixels a CSS pixel);
//  - Chromium's installability check finds no error;
//  - a new release (another sw.js) replaces the cache of the old one; with it, the page plays
//    again with the server gone and the browser offline.
// Screenshots of both orientations, with the controls up and with a box up, stay in WORK_DIR.
// Every wait is for a state of the page; none waits for a time.
//   node phone.cjs SITE_DIR WORK_DIR
'use strict';
const path = require('path');
const { paintedPsnr, runBrowserSuite } = require('./support.cjs');

const [siteDir, workDir] = process.argv.slice(2);
const kWait = { timeout: 120000, polling: 20 };
const kPhoneAgent = 'Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 ' +
                    '(KHTML, like Gecko) Chrome/130.0.0.0 Mobile Safari/537.36';
const kPortrait = { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true };
const kLandscape = { ...kPortrait, width: 844, height: 390, isLandscape: true };

const failures = [];
function check(name, ok, detail) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${name}${ok || !detail ? '' : `: ${detail}`}`);
  if (!ok)
    failures.push(name);
}

const shot = (page, name) => page.screenshot({ path: path.join(workDir, `${name}.png`) });
const morePictures = async (page, count) => {
  const start = await page.evaluate(() => window.korvan.pictures);
  await page.waitForFunction((n) => window.korvan.pictures >= n, kWait, start + count);
};
// Shown or hidden, and done moving (they slide in and out).
const controlsShown = (page, shown) => page.waitForFunction(
  (want) => (getComputedStyle(document.getElementById('touch')).visibility === 'visible') === want &&
            document.getElementById('touch').getAnimations().length === 0,
  kWait, shown);

// Sizes of what a finger can reach now, and whether the picture is 4:3 and whole.
const layout = (page) => page.evaluate(() => {
  const small = [...document.querySelectorAll('button')]
    .filter((button) => button.getClientRects().length && getComputedStyle(button).visibility === 'visible')
    .map((button) => button.getBoundingClientRect())
    .filter((r) => r.width < 44 || r.height < 44);
  const r = document.getElementById('screen').getBoundingClientRect();
  return { small: small.length, fits: r.left >= 0 && r.top >= 0 && r.right <= innerWidth &&
           r.bottom <= innerHeight && Math.abs(r.width * 3 - r.height * 4) < 0.1 &&
           Math.max(r.width / innerWidth, r.height / innerHeight) > 0.99 };
});

const boxCaption = (page) => page.evaluate(() => ({
  caption: document.getElementById('box-caption').textContent, title: document.title }));
async function tapForBox(page, id) {
  await page.tap(id);
  await page.waitForFunction(() => document.getElementById('box').open, kWait);
  return boxCaption(page);
}

async function touchControls(page, url) {
  await page.emulate({ viewport: kPortrait, userAgent: kPhoneAgent });
  await page.goto(`${url}/`);
  await page.waitForFunction(() => window.korvan.pictures > 0, kWait);
  await shot(page, 'portrait-start');
  await controlsShown(page, false);
  await page.touchscreen.tap(195, 700);
  await controlsShown(page, true);
  const portrait = await layout(page);
  await shot(page, 'portrait-controls');
  const held = await page.waitForFunction(() => window.korvan.wakeLock !== 'none', kWait)
    .then(() => page.evaluate(() => window.korvan.wakeLock));

  const about = await tapForBox(page, '#touch-about');
  await controlsShown(page, false);  // a box takes them away
  const portraitBox = await layout(page);
  await shot(page, 'portrait-about');
  await page.tap('#box-ok');
  await page.waitForFunction(() => !document.getElementById('box').open, kWait);
  await morePictures(page, 10);
  check('a tap shows the controls; About shows the about box; OK closes it and frames go on',
        about.caption !== '' && about.caption !== about.title, JSON.stringify(about));
  const sharpPortrait = await paintedPsnr(page, path.join(workDir, 'portrait-sharp.png'));
  await morePictures(page, 5);

  await page.setViewport(kLandscape);
  await morePictures(page, 5);
  const sharpLandscape = await paintedPsnr(page, path.join(workDir, 'landscape-sharp.png'));
  await morePictures(page, 5);
  check('the canvas as painted shows the picture within 42 dB of exact area coverage, ' +
        'portrait and landscape', sharpPortrait.db >= 42 && sharpLandscape.db >= 42,
        JSON.stringify({ sharpPortrait, sharpLandscape }));
  console.log(`     portrait ${sharpPortrait.db.toFixed(2)} dB, landscape ${sharpLandscape.db.toFixed(2)} dB`);
  await controlsShown(page, false);
  await page.touchscreen.tap(20, 20);
  await controlsShown(page, true);
  const landscape = await layout(page);
  await shot(page, 'landscape-controls');
  const credits = await tapForBox(page, '#touch-end');
  await controlsShown(page, false);
  const landscapeBox = await layout(page);
  await shot(page, 'landscape-credits');
  await page.tap('#box-ok');
  await page.waitForFunction(() => window.korvan.state !== 'running', kWait);
  const ended = await page.evaluate(() => ({ state: window.korvan.state, wakeLock: window.korvan.wakeLock,
                                             text: document.getElementById('status').innerText }));
  check('End shows the credits box; after OK the page says the intro has ended',
        credits.caption === credits.title && ended.state === 'ended' &&
        ended.text.includes('The intro has ended.'), JSON.stringify({ credits, ended }));
  check('controls and boxes are 44x44 CSS pixels or more; the picture is 4:3 and whole, ' +
        'portrait and landscape',
        [portrait, portraitBox, landscape, landscapeBox].every((l) => l.small === 0 && l.fits),
        JSON.stringify({ portrait, portraitBox, landscape, landscapeBox }));
  check('the screen is kept on while the intro plays, let go when it ends',
        held === 'held' && ended.wakeLock === 'released', JSON.stringify({ held, ended: ended.wakeLock }));
}

async function installable(page) {
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null, kWait);
  const cdp = await page.createCDPSession();
  const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
  check('Chromium finds the page installable', installabilityErrors.length === 0,
        JSON.stringify(installabilityErrors));
}

const cacheNames = (page) => page.evaluate(() => caches.keys());

async function offline(page, url, server) {
  await page.goto(`${url}/`);
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null, kWait);
  const [old] = await cacheNames(page);
  server.rewrite('sw.js', (text) => text.replace(/(const kCache = `\$\{kPrefix\})([^`]*)`/, '$1$2-next`'));
  await page.evaluate(() => navigator.serviceWorker.getRegistration().then((r) => r.update()));
  await page.waitForFunction((name) => caches.keys().then((names) => names.length === 1 && names[0] !== name),
                             kWait, old);
  const [next] = await cacheNames(page);
  check('a new release replaces the old cache', next === `${old}-next`, JSON.stringify({ old, next }));
  await server.close();
  await page.setOfflineMode(true);
  await page.reload();
  await page.waitForFunction(() => window.korvan.pictures >= 30 || window.korvan.state === 'error', kWait);
  const state = await page.evaluate(() => ({ ...window.korvan, status: document.getElementById('status').innerText }));
  check('after one visit the page plays offline with the server gone', state.state === 'running' &&
        state.pictures >= 30, JSON.stringify(state));
}

runBrowserSuite(siteDir, workDir, failures, async (browser, page, server) => {
  await touchControls(page, server.url);
  await installable(page);
  await offline(page, server.url, server);
});
