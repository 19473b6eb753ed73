// Helpers shared by the web suites: runs of the native program (the reference), a PNG reader
// for its captures, a static server for the site on 127.0.0.1 and headless Chromium.
'use strict';
const { spawnSync } = require('child_process');
const fs = require('fs');
const http = require('http');
const path = require('path');
const zlib = require('zlib');

// Runs a program to its end; its status, output and errors.
function runProgram(command, args) {
  const result = spawnSync(command, args, { encoding: 'utf8', maxBuffer: 64 << 20 });
  if (result.error)
    throw new Error(`${command} could not run: ${result.error.message}`);
  return { status: result.status, stdout: result.stdout, stderr: result.stderr };
}

// The message boxes a headless run printed: "[caption]" on a line, then the text.
function parseBoxes(stdout) {
  const boxes = [];
  for (const line of stdout.replace(/\n$/, '').split('\n')) {
    const caption = /^\[(.*)\]$/.exec(line);
    if (caption)
      boxes.push({ caption: caption[1], lines: [] });
    else if (boxes.length)
      boxes[boxes.length - 1].lines.push(line);
  }
  return boxes.map((box) => ({ caption: box.caption, text: box.lines.join('\n') }));
}

// The pixels of an 8-bit RGB or RGBA PNG (what the capture writes), as RGB.
function readPngRgb(file) {
  const data = fs.readFileSync(file);
  let offset = 8;
  let width = 0, height = 0, channels = 0;
  const idat = [];
  while (offset < data.length) {
    const length = data.readUInt32BE(offset);
    const type = data.toString('latin1', offset + 4, offset + 8);
    const body = data.subarray(offset + 8, offset + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || (body[9] !== 2 && body[9] !== 6) || body[12] !== 0)
        throw new Error(`${file}: not an 8-bit RGB(A) non-interlaced PNG`);
      channels = body[9] === 2 ? 3 : 4;
    } else if (type === 'IDAT') {
      idat.push(body);
    }
    offset += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = width * channels;
  const pixels = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const row = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const a = x >= channels ? pixels[y * stride + x - channels] : 0;
      const b = y > 0 ? pixels[(y - 1) * stride + x] : 0;
      const c = x >= channels && y > 0 ? pixels[(y - 1) * stride + x - channels] : 0;
      let predictor = 0;
      if (filter === 1) predictor = a;
      else if (filter === 2) predictor = b;
      else if (filter === 3) predictor = (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      pixels[y * stride + x] = (row[x] + predictor) & 0xff;
    }
  }
  if (channels === 3)
    return { width, height, rgb: pixels };
  const rgb = Buffer.alloc(width * height * 3);
  for (let i = 0; i < width * height; ++i)
    pixels.copy(rgb, i * 3, i * 4, i * 4 + 3);
  return { width, height, rgb };
}

const kTypes = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                 '.png': 'image/png', '.webmanifest': 'application/manifest+json' };

// The Content-Security-Policy of a host: under /strict/ the one README.md advises, under
// /no-blob/ one that allows no blob: workers.
const kPolicies = { strict: "worker-src 'self' blob:", 'no-blob': "worker-src 'self'" };

// Serves `siteDir` on 127.0.0.1 at a free port. Under /missing/ korvan.wasm is not there (404);
// under /spa/ the host answers every unknown path with the page itself, as single-page hosts do;
// under /strict/ and /no-blob/ every file comes with a Content-Security-Policy (kPolicies).
// rewrite(name, edit) makes the host serve the site's file `name` changed by edit(text).
function serveSite(siteDir) {
  const rewrites = new Map();
  const server = http.createServer((request, response) => {
    let url = new URL(request.url, 'http://localhost').pathname;
    let variant = '';
    const match = /^\/(missing|spa|strict|no-blob)(\/.*)$/.exec(url);
    if (match)
      [, variant, url] = match;
    if (url === '/')
      url = '/index.html';
    let file = path.join(siteDir, path.normalize(url));
    if ((variant === 'missing' || variant === 'spa') && url === '/korvan.wasm') {
      if (variant === 'missing') {
        response.writeHead(404, { 'Content-Type': 'text/plain' });
        response.end('not found');
        return;
      }
      file = path.join(siteDir, 'index.html');
    }
    fs.readFile(file, (error, body) => {
      const edit = rewrites.get(path.basename(file));
      if (!error && edit)
        body = Buffer.from(edit(body.toString('utf8')));
      if (error) {
        response.writeHead(404, { 'Content-Type': 'text/plain' });
        response.end('not found');
        return;
      }
      const policy = kPolicies[variant] ? { 'Content-Security-Policy': kPolicies[variant] } : {};
      response.writeHead(200, { 'Content-Type': kTypes[path.extname(file)] || 'application/octet-stream',
                                'Content-Length': body.length, ...policy });
      response.end(body);
    });
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      // close() also drops the connections kept alive, so the site is gone at once.
      const close = () => new Promise((done) => {
        server.close(() => done());
        server.closeAllConnections();
      });
      resolve({ url: `http://127.0.0.1:${server.address().port}`, close,
                rewrite: (name, edit) => rewrites.set(name, edit) });
    });
  });
}

async function launchChromium() {
  const puppeteer = require('puppeteer-core');
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    // As root Chromium needs --no-sandbox; the page is our own, served from 127.0.0.1.
    // Headless Chromium still builds its omnibox popup, a page of its own UI in a renderer of its
    // own, again and again while the tab navigates: on a two-core machine that took more than
    // half as much CPU as the page under test during its loads. Nothing can show that popup here.
    args: ['--no-sandbox', '--disable-dev-shm-usage', '--mute-audio',
           '--disable-features=WebUIOmniboxPopup,WebUIOmniboxAimPopup'],
  });
}

// How many new pictures the page presented in each of `count` refreshes (animation frames) of
// the browser, counted in the page; the first refresh, whose start the count cannot know, is not
// among them.
function picturesPerRefresh(page, count) {
  return page.evaluate((n) => new Promise((resolve) => {
    const counts = [];
    let last = null;
    const onRefresh = () => {
      const pictures = window.korvan.pictures;
      if (last !== null)
        counts.push(pictures - last);
      last = pictures;
      if (counts.length < n)
        requestAnimationFrame(onRefresh);
      else
        resolve(counts);
    };
    requestAnimationFrame(onRefresh);
  }), count);
}

// The program's picture as korvan.picture() gives it (640x480, what the program drew), as RGB.
async function pictureRgb(page) {
  const base64 = await page.evaluate(async () => {
    const rgba = await window.korvan.picture();
    let binary = '';
    for (let i = 0; i < rgba.length; i += 4)
      binary += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
    return btoa(binary);
  });
  return Buffer.from(base64, 'base64');
}

// For each of `to` pixels along one axis: the first of `from` source pixels it covers and the
// share of it each covers.
function coverage(from, to) {
  const step = from / to;
  return Array.from({ length: to }, (_, i) => {
    const start = i * step, end = (i + 1) * step, first = Math.floor(start), shares = [];
    for (let s = first; s < from && s < end; ++s)
      shares.push((Math.min(end, s + 1) - Math.max(start, s)) / step);
    return { first, shares };
  });
}

// `rgb` (width x height) scaled to toWidth x toHeight by exact area coverage: each pixel the
// average of the source pixels under it, each weighted by the share of it that it covers.
function scaleByArea(rgb, width, height, toWidth, toHeight) {
  const columns = coverage(width, toWidth), rows = coverage(height, toHeight);
  const across = new Float64Array(height * toWidth * 3);
  for (let y = 0; y < height; ++y)
    for (let x = 0; x < toWidth; ++x) {
      const { first, shares } = columns[x];
      for (let c = 0; c < 3; ++c) {
        let sum = 0;
        for (let k = 0; k < shares.length; ++k)
          sum += shares[k] * rgb[(y * width + first + k) * 3 + c];
        across[(y * toWidth + x) * 3 + c] = sum;
      }
    }
  const scaled = new Float64Array(toHeight * toWidth * 3);
  for (let y = 0; y < toHeight; ++y) {
    const { first, shares } = rows[y];
    for (let i = 0; i < toWidth * 3; ++i) {
      let sum = 0;
      for (let k = 0; k < shares.length; ++k)
        sum += shares[k] * across[(first + k) * toWidth * 3 + i];
      scaled[y * toWidth * 3 + i] = sum;
    }
  }
  return scaled;
}

// How faithfully the canvas, as the browser shows it, gives the program's picture: a
// screenshot's canvas area against korvan.picture() scaled to it by exact area coverage (at a
// whole-number scale, nearest-neighbour exactly). Frames are held meanwhile (a blurred window
// presents none) and the page's overlays hidden; the screenshot stays in `file`. Answers the
// PSNR in dB (Infinity when equal) and the canvas's place in device pixels.
async function paintedPsnr(page, file) {
  const overlays = await page.addStyleTag({ content: '#paused, #touch, #fullscreen { display: none !important; }' });
  await page.evaluate(() => window.dispatchEvent(new FocusEvent('blur')));
  let picture = null;
  for (let held = false, tries = 0; !held; ++tries) {
    if (tries === 5)
      throw new Error('the frames went on in a blurred window: no still picture to compare');
    const pumps = await page.evaluate(() => window.korvan.pumps);
    await page.waitForFunction((n) => window.korvan.pumps >= n, { polling: 20 }, pumps + 2);
    const before = await page.evaluate(() => window.korvan.pictures);
    picture = await pictureRgb(page);
    await page.screenshot({ path: file });
    held = before === await page.evaluate(() => window.korvan.pictures);
  }
  const rect = await page.evaluate(() => {
    const r = document.getElementById('screen').getBoundingClientRect();
    return { left: r.left * devicePixelRatio, top: r.top * devicePixelRatio,
             width: r.width * devicePixelRatio, height: r.height * devicePixelRatio };
  });
  await overlays.evaluate((element) => element.remove());
  await page.evaluate(() => window.dispatchEvent(new FocusEvent('focus')));
  const place = Object.fromEntries(Object.entries(rect).map(([key, value]) => [key, Math.round(value)]));
  const screen = readPngRgb(file);
  const expected = scaleByArea(picture, 640, 480, place.width, place.height);
  let error = 0;
  for (let y = 0; y < place.height; ++y)
    for (let x = 0; x < place.width * 3; ++x) {
      const diff = screen.rgb[((y + place.top) * screen.width + place.left) * 3 + x] - expected[y * place.width * 3 + x];
      error += diff * diff;
    }
  error /= place.width * place.height * 3;
  return { db: error < 1e-9 ? Infinity : 10 * Math.log10(255 * 255 / error), ...rect };
}

// A browser suite's frame: a fresh work folder, the site served and a Chromium, both closed
// whatever happens; body(browser, page, server) runs the checks, which push what failed onto
// `failures`. The process fails when any did, or when the body threw.
function runBrowserSuite(siteDir, workDir, failures, body) {
  (async () => {
    fs.rmSync(workDir, { recursive: true, force: true });
    fs.mkdirSync(workDir, { recursive: true });
    const server = await serveSite(siteDir);
    const browser = await launchChromium();
    try {
      const page = await browser.newPage();
      page.on('pageerror', (error) => console.log(`page error: ${error.message}`));
      await body(browser, page, server);
    } finally {
      await browser.close();
      server.close();
    }
    if (failures.length) {
      console.error(`${failures.length} checks failed; screenshots in ${workDir}`);
      process.exit(1);
    }
  })().catch((error) => {
    console.error(error);
    process.exit(1);
  });
}

module.exports = { runProgram, parseBoxes, readPngRgb, serveSite, launchChromium, picturesPerRefresh,
                   pictureRgb, paintedPsnr, runBrowserSuite };
