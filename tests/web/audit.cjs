// The page as `make serve` serves it (scripts/serve.py), audited by Lighthouse with Debian's
// Chromium, headless, at Lighthouse's default mobile settings (a mid-range phone on a slow
// network, simulated). Accessibility, best practices and SEO must score 100: they do not depend
// on the machine. Performance (budget 95 on a quiet machine) is a measure of time, which moves
// with whatever else the machine runs: it is recorded, never asserted, together with how much of
// the machine's CPU other processes took during the audit. The scores go to OUT_DIR/scores.json
// for `make test-web`'s report, Lighthouse's own report to OUT_DIR/lighthouse.json.
//   node audit.cjs SITE_DIR SERVE_SCRIPT OUT_DIR
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [siteDir, serveScript, outDir] = process.argv.slice(2);
const kBudgets = { performance: 95, accessibility: 100, 'best-practices': 100, seo: 100 };
const kQuietShare = 0.1;

// The machine's CPU time, all of it and the busy part, in clock ticks.
function machineTicks() {
  const cpu = fs.readFileSync('/proc/stat', 'utf8').split('\n')[0].trim().split(/\s+/).slice(1).map(Number);
  return { total: cpu.reduce((a, b) => a + b, 0), busy: cpu.reduce((a, b) => a + b, 0) - cpu[3] - (cpu[4] || 0) };
}

// The CPU time of `root` and all its descendants (Chromium's processes included, which are not
// reaped into ours), as last seen: call it often while they run.
function treeTicks(root, seen) {
  const parents = new Map();
  for (const pid of fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
    try {
      const fields = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').replace(/^.*\)\s*/, '').split(' ');
      parents.set(Number(pid), { ppid: Number(fields[1]), ticks: Number(fields[11]) + Number(fields[12]) });
    } catch {
      // Gone meanwhile.
    }
  }
  for (const [pid, info] of parents) {
    for (let up = pid; up > 1 && parents.has(up); up = parents.get(up).ppid) {
      if (up === root) {
        seen.set(pid, Math.max(seen.get(pid) || 0, info.ticks));
        break;
      }
    }
  }
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
        resolve({ url: match[0], pid: child.pid, stop: () => child.kill() });
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
  const before = machineTicks();
  const ours = new Map();
  try {
    const child = spawn(process.execPath, [lighthouseCli(), server.url, '--quiet', '--output=json',
      `--output-path=${report}`, '--only-categories=performance,accessibility,best-practices,seo',
      '--chrome-flags=--headless=new --no-sandbox --disable-gpu --disable-dev-shm-usage'],
    { env: { ...process.env, CHROME_PATH: process.env.CHROMIUM || '/usr/bin/chromium' }, stdio: 'inherit' });
    const sampler = setInterval(() => {
      treeTicks(child.pid, ours);
      treeTicks(server.pid, ours);
    }, 250);
    const code = await new Promise((resolve) => child.on('exit', resolve));
    clearInterval(sampler);
    if (code !== 0)
      throw new Error(`lighthouse ended with ${code}`);
  } finally {
    server.stop();
  }
  const after = machineTicks();
  const ourTicks = [...ours.values()].reduce((a, b) => a + b, 0);
  const others = Math.max(0, after.busy - before.busy - ourTicks) / Math.max(1, after.total - before.total);

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
    const ok = score >= budget || id === 'performance';
    console.log(`${ok ? 'ok  ' : 'FAIL'} ${category.title} ${score} (budget ${budget}` +
                `${id === 'performance' ? ' on a quiet machine, recorded only' : ''})` +
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
