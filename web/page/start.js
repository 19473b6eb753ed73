// The page's start: the options from the address, the worker's messages and errors heard, the
// program loaded and run, and then the service worker. The last of the page's scripts at the
// end of index.html (status.js says how they go).
/* global kFailure, worker, korvan, introStarted, fail, workerReady, fromProgram, run, compileWasm */

// The program's options come from the query: ?frames=300&display-format=555&key=150:F1
// (a name alone, as in ?window, is an option without a value). Capture and headless runs
// would write nowhere and show nothing here: they belong to the native program.
function optionsFromQuery() {
  const args = [];
  for (const [name, value] of new URLSearchParams(location.search)) {
    if (name === 'capture' || name === 'headless')
      throw new Error(`The option "${name}" is for the native program; the page shows ` +
                      'the intro. Remove it from the address.');
    args.push(value === '' ? `--${name}` : `--${name}=${value}`);
  }
  return args;
}

if (worker) {
  worker.addEventListener('message', ({ data }) => fromProgram[data.type](data));
  // Before it is ready its script could not run; after, the program trapped.
  const onError = (event) => {
    event.preventDefault();
    if (workerReady)
      fail(kFailure.trapped(event.message));
    else
      fail(kFailure.workerRefused(event.message));
  };
  worker.onerror = onError;
  if (window.korvanWasm.workerError)
    onError(window.korvanWasm.workerError);
}
window.addEventListener('unhandledrejection', (event) => {
  if (korvan.state === 'running' || korvan.state === 'loading')
    fail(kFailure.thrown(event.reason));
});

function start() {
  try {
    const args = optionsFromQuery();
    compileWasm().then(() => {
      if (!worker)
        fail(kFailure.workerRefused(''));
    }, (error) => fail(error.message));
    if (worker)
      run(args);
  } catch (error) {
    fail(error.message);
  }
}

start();

// Installing to the home screen and offline play: the manifest, and the service worker that
// keeps the page's files. Both wait until the page has loaded and the intro shows its first
// picture (or could not start), so that the browser's work on them (reading the manifest,
// fetching its icons to judge the page installable, starting the service worker) does not
// compete with the intro's start-up. A page opened as a file, or where the browser allows no
// service worker, just plays online.
Promise.all([new Promise((resolve) => window.addEventListener('load', resolve)), introStarted])
  .then(() => {
    document.head.append(Object.assign(document.createElement('link'),
                                       { rel: 'manifest', href: 'manifest.webmanifest' }));
    if ('serviceWorker' in navigator && /^https?:$/.test(location.protocol))
      return navigator.serviceWorker.register('sw.js');
    return null;
  }).catch(() => {});
