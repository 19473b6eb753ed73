// The page as `make serve` serves it (scripts/serve.py), audited by Lighthouse with Debian's
// Chromium, headless, at Lighthouse's default mobile settings (a mid-range phone on a slow
// network, simulated). Accessibility, best practices and SEO must score 100: they do not depend
// on the machine. Performance (budget 95) does, as Lighthouse scales the main-thread work it
// measures: it must be within budget when the machine was quiet during the audit (other
// processes used under a tenth of its CPU); on a busy machine the score is only recorded, with
// how busy it was. The scores go to OUT_DIR/scores.json for `make test-web`'s report, Lighthouse's
// own report to OUT_DIR/lighthouse.json.
//   node audit.cjs SITE_DIR SERVE_SCRIPT OUT_DIR
'use strict';
const { spawn, execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [siteDir, serveScript, outDir] = process.argv.slice(2);
const kBudgets = { performance: 95, accessibility: 100, 'best-practices': 100, seo: 100 };
const kQuietShare = 0.1;

// The whole machine's CPU time and the time of our finished children, in clock ticks.
function cpuTicks() {
  const cpu = fs.readFileSync('/proc/stat', 'utf8').split('\n')[0].trim().split(/\s+/).slice(1).map(Number);
  const self = fs.readFileSync('/proc/self/stat', 'utf8').replace(/^.*\)\s*/, '').split(' ').map(Number);
  // Fields after the name: cutime and cstime are the 14th and 15th (of the whole line 16, 17).
  return { total: cpu.reduce((a, b) => a + b, 0), idle: cpu[3] + (cpu[4] || 0), children: self[13] + self[14] };
}

function lighthouseCli() {
  for (const dir of (process.env.NODE_PATH || '').split(path.delimiter).filter(Boolean)) {
    const cli = path.join(dir, 'lighthouse', 'cli', 'index.js');
    if (fs.existsSync(cli))
      return cli;
  }
  throw new Error('lighthouse is not installed: make test-web installs it (NODE_PATH)');
}

function startServer() {
  return new Promise((resolve, reject) => {
    const child = spawn('python3', [serveScript, siteDir, '--port', '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
    let text = '';
    child.stdout.on('data', (chunk) => {
      text += chunk;
      const match = /http:\/\/[\d.]+:\d+\//.exec(text);
      if (match)
        resolve({ url: match[0], stop: () => child.kill() });
    });
    child.on('exit', (code) => reject(new Error(`${serveScript} ended with ${code}`)));
  });
}

(async () => {
  fs.mkdirSync(outDir, { recursive: true });
  fs.rmSync(path.join(outDir, 'scores.json'), { force: true });
  const report = path.join(outDir, 'lighthouse.json');
  const server = await startServer();
  const load = os.loadavg()[0];
  const before = cpuTicks();
  try {
    execFileSync(process.execPath, [lighthouseCli(), server.url, '--quiet', '--output=json',
      `--output-path=${report}`, '--only-categories=performance,accessibility,best-practices,seo',
      '--chrome-flags=--headless=new --no-sandbox --disable-gpu --disable-dev-shm-usage'],
    { env: { ...process.env, CHROME_PATH: process.env.CHROMIUM || '/usr/bin/chromium' }, stdio: 'inherit' });
  } finally {
    server.stop();
  }
  const after = cpuTicks();
  const busy = (after.total - after.idle) - (before.total - before.idle);
  const others = Math.max(0, busy - (after.children - before.children)) / Math.max(1, after.total - before.total);

  const result = JSON.parse(fs.readFileSync(report, 'utf8'));
  const scores = {};
  let failed = 0;
  for (const [id, budget] of Object.entries(kBudgets)) {
    const category = result.categories[id];
    const score = Math.round(category.score * 100);
    scores[id] = score;
    const missed = category.auditRefs
      .map((ref) => result.audits[ref.id])
      .filter((audit) => ['binary', 'numeric', 'metricSavings'].includes(audit.scoreDisplayMode) &&
                         audit.score !== null && audit.score < 1)
      .map((audit) => `${audit.id} ${audit.displayValue || ''}`.trim());
    const counts = id !== 'performance' || others < kQuietShare;
    const ok = score >= budget || !counts;
    console.log(`${ok ? 'ok  ' : 'FAIL'} ${category.title} ${score} (budget ${budget})` +
                (score < budget ? `; short of it: ${missed.join(', ')}` : ''));
    failed += !ok;
  }
  scores.othersCpu = Math.round(others * 100);
  scores.load = Number(load.toFixed(2));
  scores.quiet = others < kQuietShare;
  scores.tbt = Math.round(result.audits['total-blocking-time'].numericValue);
  scores.lcp = Math.round(result.audits['largest-contentful-paint'].numericValue);
  fs.writeFileSync(path.join(outDir, 'scores.json'), `${JSON.stringify(scores, null, 2)}\n`);
  console.log(`other processes used ${scores.othersCpu} % of the machine's CPU during the audit ` +
              `(load average ${scores.load} at its start): ${scores.quiet ? 'quiet' : 'busy'}`);
  if (failed)
    process.exit(1);
})().catch((error) => {
  console.error(`audit: ${error.message}`);
  process.exit(1);
});
