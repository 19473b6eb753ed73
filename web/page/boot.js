// The page's first script, in its <head> (after shared.js): the program is requested at once,
// korvan.wasm, which shades with WebAssembly SIMD, or for a browser that cannot validate a SIMD
// function (i8x16.popcnt) korvan-nosimd.wasm, the same program with plain loops. Meanwhile the
// worker that will run it (korvan.js, inside the page) starts. Sent as WebAssembly, the program
// is compiled as it arrives and handed to the worker as soon as it is; anything else (a host
// that does not know .wasm, an error page) is left to the page's script at the end (load.js),
// which reads it and compiles it, or says what is wrong with it.
/* global kToWorker */
window.korvanWasm = (() => {
  try {
    const file = WebAssembly.validate(new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0,
      1, 123, 3, 2, 1, 0, 10, 10, 1, 8, 0, 65, 0, 253, 15, 253, 98, 11])) ? 'korvan.wasm' : 'korvan-nosimd.wasm';
    const wasm = { file, worker: null, workerUrl: null, workerError: null };
    try {
      wasm.workerUrl = URL.createObjectURL(
        new Blob([document.getElementById('korvan-worker').textContent], { type: 'text/javascript' }));
      wasm.worker = new Worker(wasm.workerUrl);
      // A worker the host's Content-Security-Policy forbids fails at once, before the script
      // at the end listens: kept for it.
      wasm.worker.onerror = (event) => {
        event.preventDefault();
        wasm.workerError = event;
      };
    } catch {
      // Said by the script at the end, once it is clear that the program itself could be had.
    }
    const { worker } = wasm;
    wasm.fetched = fetch(file).then((response) => {
      const typed = /^application\/wasm\b/.test(response.headers.get('Content-Type') || '');
      if (!response.ok || !typed || typeof WebAssembly.compileStreaming !== 'function')
        return { response };
      const compiled = WebAssembly.compileStreaming(response);
      compiled.then((module) => worker && worker.postMessage({ type: kToWorker.module, module }), () => {});
      return { response, compiled };
    }, (error) => ({ error }));
    return wasm;
  } catch {
    return null;  // no WebAssembly: the page says so
  }
})();
