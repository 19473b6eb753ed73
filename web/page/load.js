// The program for the worker, korvan.wasm or korvan-nosimd.wasm, or what is wrong with it, said
// plainly. One of the page's scripts at the end of index.html (status.js says how they go).
/* global kToWorker, statusLine, worker */
/* exported compileWasm */

// The wasm requested in the head (boot.js): compiled there as it arrived, or read here, with
// progress, and compiled here. Either way the worker gets it once, and instantiates it afresh
// for every run.
async function compileWasm() {
  if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function' ||
      !window.korvanWasm)
    throw new Error('This browser cannot run WebAssembly, which korvan needs. ' +
                    'A current Firefox, Chrome, Edge or Safari can.');
  const { file, fetched } = window.korvanWasm;
  const { response, compiled, error } = await fetched;
  if (error)
    throw new Error(`${file} could not be loaded (${error.message}). Serve this ` +
                    'folder over http(s) (make serve); a page opened as a file cannot load it.');
  if (!response.ok)
    throw new Error(`${file} could not be loaded: the server answered ${response.status} ` +
                    `${response.statusText}. Copy ${file} next to index.html.`);
  const damaged = (error) => new Error(`${file} is incomplete or damaged (${error.message}). ` +
                                       `Copy ${file} from the build again as it is, then reload the page.`);
  if (compiled)
    return compiled.catch((error) => { throw damaged(error); });
  // A compressed answer's length is not the length of the bytes read: no percentage then.
  const total = response.headers.get('Content-Encoding') ? 0 :
                Number(response.headers.get('Content-Length')) || 0;
  const reader = response.body.getReader();
  const chunks = [];
  let received = 0;
  for (;;) {
    let part;
    try {
      part = await reader.read();
    } catch (error) {
      throw new Error(`${file} stopped loading after ${received} bytes (${error.message}). ` +
                      'Reload the page; if it stops again, the connection or the server cuts it off.');
    }
    const { done, value } = part;
    if (done)
      break;
    chunks.push(value);
    received += value.length;
    const known = total >= received;
    statusLine.querySelector('span').textContent = `Loading ${file}… ` +
      (known ? `${Math.floor(received * 100 / total)} %` : `${Math.round(received / 1024)} KB`);
    const progress = statusLine.querySelector('progress');
    if (known)
      progress.value = received / total;
    else
      progress.removeAttribute('value');
  }
  const bytes = new Uint8Array(received);
  let offset = 0;
  for (const chunk of chunks) {
    bytes.set(chunk, offset);
    offset += chunk.length;
  }
  // A host without the file often answers with an HTML page instead: say so plainly.
  if (received < 4 || bytes[0] !== 0 || bytes[1] !== 0x61 || bytes[2] !== 0x73 || bytes[3] !== 0x6d) {
    const type = response.headers.get('Content-Type') || 'no type';
    throw new Error(`${file} is not a WebAssembly file (the server sent ${type}, ` +
                    `${received} bytes). Copy ${file} from the build as it is.`);
  }
  try {
    const module = await WebAssembly.compile(bytes);
    worker.postMessage({ type: kToWorker.module, module });
    return module;
  } catch (error) {
    throw damaged(error);
  }
}
