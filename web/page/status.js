// The page's elements, what it shows of itself (window.korvan) and its status line, where every
// failure ends (fail). The first of the page's scripts at the end of index.html, which the build
// puts there one after the other inside one function: their names are shared, not global.
/* global kScreen, kToWorker, createPainter, keepScreenOn, showTouchControls */
/* exported $, canvas, statusLine, box, fullscreen, stage, touch, paused, worker, painter, markStarted,
            introStarted, korvan, pictureReads, showStatus, fail */
const $ = (id) => document.getElementById(id);
const canvas = $('screen'), statusLine = $('status'), box = $('box'), fullscreen = $('fullscreen');
const stage = $('stage'), touch = $('touch'), paused = $('paused');
const worker = window.korvanWasm && window.korvanWasm.worker;
// The program paints the canvas itself, from its worker, where the browser can hand the canvas
// over (OffscreenCanvas): the page's thread then has nothing to do for a frame but count it.
// Elsewhere the worker sends each picture and the page paints it. Either way shared.js's
// painter draws it, at the canvas's size, which fit() in viewer.js chooses.
// It starts at the picture's size, which fit() keeps at whole-number scales.
canvas.width = kScreen.width;
canvas.height = kScreen.height;
let painter = null;
if (worker && canvas.transferControlToOffscreen) {
  const offscreen = canvas.transferControlToOffscreen();
  worker.postMessage({ type: kToWorker.canvas, canvas: offscreen }, [offscreen]);
} else if (worker) {
  painter = createPainter(canvas.getContext('2d', { alpha: false }),
                          (width, height) => Object.assign(document.createElement('canvas'), { width, height }));
}
let markStarted;
const introStarted = new Promise((resolve) => { markStarted = resolve; });  // a picture, an end or a failure

// What the page shows of itself, read by the browser suites (tests/web/) and by curious users.
const korvan = window.korvan = {
  state: 'loading', exitCode: null, pictures: 0, pumps: 0, loadAt: null, firstPictureAt: null,
  wakeLock: navigator.wakeLock ? 'none' : 'unsupported',
  // The picture on the canvas as the program made it, 640x480 RGBA pixels (a promise).
  picture() {
    if (painter)
      return Promise.resolve(painter.read());
    return new Promise((resolve) => {
      pictureReads.push(resolve);
      worker.postMessage({ type: kToWorker.read });
    });
  },
};
const pictureReads = [];
window.addEventListener('load', () => { korvan.loadAt = performance.now(); });

function showStatus(kind, text, button) {
  statusLine.hidden = false;
  statusLine.className = kind;
  statusLine.textContent = text;
  if (button) {
    statusLine.append(document.createElement('br'), button);
    button.focus();
  }
}

function fail(text) {
  markStarted();
  if (korvan.state === 'error')
    return;
  korvan.state = 'error';
  paused.hidden = true;
  fullscreen.hidden = true;
  if (box.open)
    box.close();
  canvas.classList.remove('shown');
  showTouchControls(false);
  keepScreenOn();
  showStatus('error', text);
}
