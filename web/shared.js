// What the page (index.html) and the program's worker (korvan.js, see worker.js) both hold: the
// program's screen, the messages they pass each other, the lines that say the program failed,
// and the painter of the canvas. The build puts this file into both, ahead of their own scripts.
/* exported kScreen, kToWorker, kToPage, kKeyMessage, kFailure, createPainter */

// The program's screen, which the canvas shows as RGBA pixels.
const kScreen = Object.freeze({ width: 640, height: 480 });

// Every message carries its `type`; its other fields are in braces.
const kToWorker = Object.freeze({
  canvas: 'canvas',  // {canvas}: the page's canvas, handed over (OffscreenCanvas)
  size: 'size',  // {width, height}: the canvas's size in pixels (fit() in page/viewer.js), when handed over
  module: 'module',  // {module}: the compiled program, instantiated afresh for every run
  run: 'run',  // {args, focused, visible}: a fresh run with these options
  refresh: 'refresh',  // {buffer}: the picture is shown; the buffer back if the page painted it
  key: 'key',  // {message, vk}: a key went down or up (kKeyMessage)
  focus: 'focus',  // {focused}: the page's window has the focus, or lost it
  visible: 'visible',  // {visible}: the tab is shown, or hidden
  boxClosed: 'boxClosed',  // the viewer closed the message box
  read: 'read',  // the picture on the canvas is wanted (answered by kToPage.read)
});
const kToPage = Object.freeze({
  ready: 'ready',  // the worker's script runs
  started: 'started',  // the run asked for starts
  showWindow: 'showWindow',  // {title, scaling}: scaling 'sharp', 'integer' or 'nearest'
  hideWindow: 'hideWindow',
  setCursorVisible: 'setCursorVisible',  // {visible}
  picture: 'picture',  // {buffer}: a new picture, its pixels if the page is to paint them
  showMessageBox: 'showMessageBox',  // {text, caption}
  pumped: 'pumped',  // the program's message loop went round once
  print: 'print',  // {line, error}: a line of the program's output
  exit: 'exit',  // {code}: the run ended
  failed: 'failed',  // {text}: the run could not start or stopped (kFailure)
  read: 'read',  // {buffer}: the picture on the canvas, as RGBA pixels
});
// A key message's `message`: the window message the program reads, WM_KEYDOWN or WM_KEYUP.
const kKeyMessage = Object.freeze({ down: 0x100, up: 0x101 });

// The lines that say the program could not start or stopped, from the page or the worker.
const kFailure = Object.freeze({
  // The browser would not start the worker, or its script did not run.
  workerRefused: (detail) => `korvan could not start its worker${detail ? ` (${detail})` : ''}. ` +
    'A host that sends a Content-Security-Policy must allow workers from blob: addresses ' +
    "(worker-src 'self' blob:).",
  // The compiled program could not be instantiated.
  notStarted: (error) => `korvan could not start: ${error.message}`,
  // The program trapped or aborted: its state is lost.
  trapped: (what) => `korvan failed: ${what}. Reload the page to try again.`,
  // An error nobody caught: an Error, or whatever a promise was rejected with.
  thrown: (reason) => `korvan failed: ${reason && reason.message || reason}`,
});

// The program's picture on a canvas of the screen's size or a whole multiple of it (fit() in
// page/viewer.js chooses), enlarged by nearest-neighbour; the browser scales the canvas to the
// size shown. `context` is the canvas's 2D context. At the screen's size the canvas holds the
// picture itself, as it always did; a larger one has it enlarged from a canvas of the screen's
// size, which makeCanvas(width, height) makes (the worker's and the page's differ).
function createPainter(context, makeCanvas) {
  let own = null;  // the picture at its own size, while the canvas is larger
  const ownCanvas = () => own || (own = makeCanvas(kScreen.width, kScreen.height).getContext('2d', { alpha: false }));
  const atOwnSize = () => context.canvas.width === kScreen.width && context.canvas.height === kScreen.height;
  const enlarge = () => {
    context.imageSmoothingEnabled = false;
    context.drawImage(own.canvas, 0, 0, context.canvas.width, context.canvas.height);
  };
  return {
    // The canvas at a new size in pixels, the picture drawn again (a new size clears it).
    resize(width, height) {
      if (width === context.canvas.width && height === context.canvas.height)
        return;
      if (atOwnSize())
        ownCanvas().drawImage(context.canvas, 0, 0);
      Object.assign(context.canvas, { width, height });
      if (own && atOwnSize())
        context.drawImage(own.canvas, 0, 0);
      else if (own)
        enlarge();
    },
    // A new picture (an ImageData of the screen's size), drawn.
    paint(pixels) {
      if (atOwnSize()) {
        context.putImageData(pixels, 0, 0);
        return;
      }
      ownCanvas().putImageData(pixels, 0, 0);
      enlarge();
    },
    // The picture as the program gave it, as RGBA pixels.
    read() { return (atOwnSize() ? context : ownCanvas()).getImageData(0, 0, kScreen.width, kScreen.height).data; },
  };
}
