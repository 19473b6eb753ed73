// The web page's budgets, measured and printed beside each budget (never asserted: the numbers
// depend on the machine): the transfer size of index.html (with the worker's korvan.js inside)
// + korvan.wasm gzip-compressed, the first frame after the page's load event in headless Chromium, the
// pictures per refresh at the browser's rate, the speed of the wasm program under node
// against the native program, both running the same headless frames in this run; and
// Lighthouse's scores from the audit suite (audit.cjs).
//   node report.cjs SITE_DIR KORVAN_NODE_JS NATIVE_KORVAN [AUDIT_SCORES_JSON]
'use strict';
const { spawnSync } = require('child_process');
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const { serveSite, launchChromium, picturesPerRefresh } = require('./support.cjs');

const [siteDir, korvanNode, nativeProgram] = process.argv.slice(2);
const kLoads = 5;
const kRefreshes = 180;
const kSpeedFrames = 3000;
const kBudget = { transferKB: 100, firstFrameMs: 75, speedRatio: 1.5 };

const verdict = (ok) => (ok ? 'within' : 'OVER');
const bytes = (n) => n.toLocaleString('en');

function sizes() {
  const gzip = (name) => {
    const data = fs.readFileSync(path.join(siteDir, name));
    return { raw: data.length, gzip: zlib.gzipSync(data, { level: 9 }).length };
  };
  const lines = [];
  let total = 0;
  for (const name of ['index.html', 'korvan.wasm']) {
    const size = gzip(name);
    total += size.gzip;
    lines.push(`  ${name.padEnd(18)} ${bytes(size.raw)} B, gzip ${bytes(size.gzip)} B`);
  }
  const plain = gzip('korvan-nosimd.wasm');
  lines.push(`  ${'korvan-nosimd.wasm'.padEnd(18)} ${bytes(plain.raw)} B, gzip ${bytes(plain.gzip)} B ` +
             '(instead of korvan.wasm where the browser has no WebAssembly SIMD)');
  const kb = total / 1024;
  lines.push(`  transfer     ${kb.toFixed(0)} KB gzip, index.html (korvan.js inside) + korvan.wasm ` +
             `(budget ${kBudget.transferKB} KB: ${verdict(kb <= kBudget.transferKB)})`);
  return lines;
}

// The best of three wall times of a run, in seconds.
function bestTime(command, args) {
  let best = Infinity;
  for (let i = 0; i < 3; ++i) {
    const start = process.hrtime.bigint();
    const result = spawnSync(command, args, { stdio: 'ignore' });
    if (result.status !== 0)
      throw new Error(`${command} ${args.join(' ')} ended with ${result.status}`);
    best = Math.min(best, Number(process.hrtime.bigint() - start) / 1e9);
  }
  return best;
}

function speed() {
  const args = ['--headless', '--frames', String(kSpeedFrames)];
  const native = bestTime(nativeProgram, args);
  const wasm = bestTime(process.execPath, [korvanNode, ...args]);
  const ratio = wasm / native;
  return [`  node speed   ${ratio.toFixed(2)}x native: ${kSpeedFrames} headless frames in ` +
          `${wasm.toFixed(2)} s under node, ${native.toFixed(2)} s native (best of 3 each; ` +
          `budget ${kBudget.speedRatio}x: ${verdict(ratio <= kBudget.speedRatio)})`];
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
    const median = firsts[Math.floor(firsts.length / 2)];
    const start = await page.evaluate(() => performance.now());
    const counts = await picturesPerRefresh(page, kRefreshes);
    const hz = kRefreshes * 1000 / (await page.evaluate(() => performance.now()) - start);
    const one = counts.filter((n) => n === 1).length;
    const more = counts.filter((n) => n > 1).length;
    const mean = counts.reduce((a, b) => a + b, 0) / counts.length;
    return [
      `  first frame  ${median.toFixed(0)} ms after the load event (median of ${kLoads} loads, ` +
        `worst ${firsts[firsts.length - 1].toFixed(0)} ms; budget ${kBudget.firstFrameMs} ms: ` +
        `${verdict(median <= kBudget.firstFrameMs)})`,
      `  pacing       ${mean.toFixed(2)} pictures per refresh at the browser's ${hz.toFixed(0)} Hz ` +
        `over ${kRefreshes} refreshes: ${one} with one, ${more} with two or more ` +
        `(budget one per refresh: ${verdict(more === 0 && one >= kRefreshes * 0.9)})`,
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
  const lines = ['web page budgets:', ...sizes(), ...(await browserNumbers()), ...speed(),
                 ...lighthouse(process.argv[5])];
  console.log(lines.join('\n'));
})().catch((error) => {
  console.error(`web report: ${error.message}`);
  process.exit(1);
});
