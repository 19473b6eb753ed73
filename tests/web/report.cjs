// The web page's budgets, measured and printed (never asserted: the numbers depend on the
// machine): the transfer size of korvan.wasm + korvan.js gzip-compressed (budget 900 KB), the
// first frame after the page's load event in headless Chromium (budget 1 s), and the frame
// rate there; and Lighthouse's scores from the audit suite (audit.cjs) beside their budgets.
//   node report.cjs SITE_DIR [AUDIT_SCORES_JSON]
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const { serveSite, launchChromium } = require('./support.cjs');

const siteDir = process.argv[2];
const kLoads = 5;
const kRateFrames = 300;

function sizes() {
  let total = 0;
  const lines = [];
  for (const name of ['korvan.wasm', 'korvan.js']) {
    const bytes = fs.readFileSync(path.join(siteDir, name));
    const gzipped = zlib.gzipSync(bytes, { level: 9 }).length;
    total += gzipped;
    lines.push(`  ${name.padEnd(12)} ${bytes.length.toLocaleString('en')} B, gzip ${gzipped.toLocaleString('en')} B`);
  }
  const kb = total / 1024;
  lines.push(`  transfer     ${kb.toFixed(0)} KB gzip (budget 900 KB: ${kb <= 900 ? 'within' : 'OVER'})`);
  return lines;
}

async function browserNumbers() {
  const server = await serveSite(siteDir);
  const browser = await launchChromium();
  const wait = { timeout: 120000, polling: 10 };
  try {
    const page = await browser.newPage();
    await page.setViewport({ width: 1280, height: 960 });
    const firsts = [];
    for (let i = 0; i < kLoads; ++i) {
      await page.goto(`${server.url}/`);
      await page.waitForFunction(() => window.korvan.firstPictureAt !== null && window.korvan.loadAt !== null, wait);
      firsts.push(await page.evaluate(() => window.korvan.firstPictureAt - window.korvan.loadAt));
    }
    firsts.sort((a, b) => a - b);
    const start = await page.evaluate(() => ({ n: window.korvan.pictures, t: performance.now() }));
    await page.waitForFunction((n) => window.korvan.pictures >= n, wait, start.n + kRateFrames);
    const end = await page.evaluate(() => ({ n: window.korvan.pictures, t: performance.now() }));
    const rate = (end.n - start.n) * 1000 / (end.t - start.t);
    const median = firsts[Math.floor(firsts.length / 2)];
    return [
      `  first frame  ${median.toFixed(0)} ms after the load event (median of ${kLoads} loads, ` +
        `worst ${firsts[firsts.length - 1].toFixed(0)} ms; budget 1000 ms: ${median <= 1000 ? 'within' : 'OVER'})`,
      `  frame rate   ${rate.toFixed(0)} frames/s in headless Chromium over ${end.n - start.n} frames ` +
        '(the intro asks for 100)',
    ];
  } finally {
    await browser.close();
    server.close();
  }
}

function lighthouse(file) {
  if (!file || !fs.existsSync(file))
    return ['  Lighthouse   no scores (the web_audit_lighthouse suite writes them)'];
  const s = JSON.parse(fs.readFileSync(file, 'utf8'));
  const row = (name, score, budget) =>
    `    ${name.padEnd(15)}${String(score).padStart(3)} (budget ${budget}: ${score >= budget ? 'within' : 'OVER'}`;
  const n = (value) => value.toLocaleString('en');
  return ['  Lighthouse   mobile defaults, against the server of make serve:',
          `${row('performance', s.performance, 95)}; the budget is for a quiet machine, and this ` +
            `one was ${s.quiet ? 'quiet' : 'busy'}: other processes took ${s.othersCpu} % of its CPU, ` +
            `load average ${s.load})`,
          `                   total blocking time ${n(s.tbt)} ms, largest contentful paint ${n(s.lcp)} ms`,
          `${row('accessibility', s.accessibility, 100)})`,
          `${row('best practices', s['best-practices'], 100)})`, `${row('SEO', s.seo, 100)})`];
}

(async () => {
  const lines = ['web page budgets:', ...sizes(), ...(await browserNumbers()), ...lighthouse(process.argv[3])];
  console.log(lines.join('\n'));
})().catch((error) => {
  console.error(`web report: ${error.message}`);
  process.exit(1);
});
