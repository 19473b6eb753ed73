// What the page (index.html) and the program's worker (korvan.js, see worker.js) both hold: the
// program's screen, the messages they pass each other, and the lines that say the program
// failed. The build puts this file into both, ahead of their own scripts.
/* exported kScreen, kToWorker, kToPage, kKeyMessage, kFailure */

// The program's screen, which the canvas shows as RGBA pixels.
const kScreen = Object.freeze({ width: 640, height: 480 });

// Every message carries its `type`; its other fields are in braces.
const kToWorker = Object.freeze({
  canvas: 'canvas',  // {canvas}: the page's canvas, handed over (OffscreenCanvas)
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
  showWindow: 'showWindow',  // {title}
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
