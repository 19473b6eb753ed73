// The program's side of the page: a run started, the message box, the refresh each picture
// waits for, and what the program (korvan.js in the worker) sends. One of the page's scripts at
// the end of index.html (status.js says how they go).
/* global kScreen, kToWorker, kToPage, $, canvas, statusLine, box, fullscreen, paused, worker, painter,
          markStarted, korvan, pictureReads, showStatus, fail, keepScreenOn, showTouchControls, useScaling */
/* exported current, workerReady, fromProgram, run */
let current = null;  // the run under way: { args, output, windowShown, everShown }
let workerReady = false;

// Every run is a fresh instance of the program, in the same worker, which starts it as soon
// as it has the compiled program too.
function run(args) {
  current = { args, output: [], windowShown: false, everShown: false };
  worker.postMessage({ type: kToWorker.run, args, focused: document.hasFocus(), visible: !document.hidden });
}

// A message box: the program waits (emscripten_sleep) until messageBoxOpen() is false.
// Enter and Escape close it, as on Windows; no key reaches the page or the browser meanwhile.
box.addEventListener('keydown', (event) => {
  event.stopPropagation();
  if (event.key === 'Enter' || event.key === 'Escape' || event.key === 'F1')
    event.preventDefault();
  if (event.key === 'Enter' || event.key === 'Escape')
    box.close();
});
box.addEventListener('close', () => {
  keepScreenOn();
  worker.postMessage({ type: kToWorker.boxClosed });
});

// Tells the program that its picture is shown, at the browser's next animation frame (giving
// back its buffer, if the page painted it): the program's flip waits for that, as
// DirectDraw's Flip waits for the display's refresh. A hidden tab has no animation frames:
// there (or once the tab becomes hidden) at once, and the program, no longer active, stops
// flipping.
let refreshWaits = false;  // a picture waits for its refresh
let refreshBuffer = null;  // and its buffer, if the page painted it
function sendRefresh() {
  if (!refreshWaits)
    return;
  refreshWaits = false;
  const buffer = refreshBuffer;
  refreshBuffer = null;
  worker.postMessage({ type: kToWorker.refresh, buffer }, buffer ? [buffer] : []);
}
document.addEventListener('visibilitychange', sendRefresh);
function afterRefresh(buffer) {
  refreshWaits = true;
  refreshBuffer = buffer;
  if (document.hidden)
    setTimeout(sendRefresh, 0);
  else
    requestAnimationFrame(sendRefresh);
}

// What the program (korvan.js in the worker) sends.
const fromProgram = {
  [kToPage.ready]() {
    workerReady = true;
    URL.revokeObjectURL(window.korvanWasm.workerUrl);  // the worker has read its script
  },
  // The focus may have come to the page since the run was asked for, without an event.
  [kToPage.started]() {
    korvan.state = 'running';
    korvan.exitCode = null;
    worker.postMessage({ type: kToWorker.focus, focused: document.hasFocus() });
    worker.postMessage({ type: kToWorker.visible, visible: !document.hidden });
  },
  [kToPage.showWindow]({ title, scaling }) {
    current.windowShown = current.everShown = true;
    useScaling(scaling);
    document.title = title;
    canvas.classList.add('shown');
    statusLine.hidden = true;
    keepScreenOn();
    if (matchMedia('(any-pointer: coarse)').matches)
      showTouchControls(true, true);
  },
  [kToPage.hideWindow]() {
    current.windowShown = false;
    canvas.classList.remove('shown');
  },
  [kToPage.setCursorVisible]({ visible }) { canvas.classList.toggle('nocursor', !visible); },
  // A new picture on the canvas; `buffer`: its RGBA pixels, for the page to paint.
  [kToPage.picture]({ buffer }) {
    if (buffer)
      painter.paint(new ImageData(new Uint8ClampedArray(buffer), kScreen.width, kScreen.height));
    if (korvan.firstPictureAt === null) {
      korvan.firstPictureAt = performance.now();
      markStarted();
    }
    ++korvan.pictures;
    afterRefresh(buffer);
  },
  [kToPage.showMessageBox]({ text, caption }) {
    $('box-caption').textContent = caption;
    $('box-text').textContent = text;
    showTouchControls(false);
    box.showModal();
    $('box-ok').focus();
    keepScreenOn();
  },
  [kToPage.pumped]() { ++korvan.pumps; },
  [kToPage.read]({ buffer }) { pictureReads.shift()(new Uint8ClampedArray(buffer)); },
  [kToPage.print]({ line, error }) {
    current.output.push(line);
    (error ? console.error : console.log)(line);
  },
  [kToPage.failed]({ text }) { fail(text); },
  [kToPage.exit]({ code }) {
    markStarted();
    if (korvan.state !== 'running')
      return;
    korvan.exitCode = code;
    paused.hidden = true;
    canvas.classList.remove('shown');
    showTouchControls(false);
    korvan.state = code === 0 ? 'ended' : 'error';
    keepScreenOn();
    if (code !== 0 || !current.everShown) {
      if (code !== 0)
        fullscreen.hidden = true;
      // Exit 2 is a usage error: one of the options in the address.
      const hint = code === 2 ? 'Check the options in the address.' : '';
      showStatus(code === 0 ? '' : 'error',
                 `${current.output.join('\n')}\n${hint}`.trim() || `korvan ended with code ${code}.`);
      return;
    }
    const again = document.createElement('button');
    again.textContent = 'Play again';
    again.addEventListener('click', () => run(current.args));
    showStatus('', 'The intro has ended.', again);
  },
};
