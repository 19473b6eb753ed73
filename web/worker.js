// The worker half of korvan.js, which the build appends to emscripten's output (createKorvan).
// The page (index.html) runs korvan.js in a worker, so that neither the program's start-up nor
// its frames hold up the page's own thread: input, layout and the dialogs stay responsive, and
// the browser compiles and runs the program beside them. This is the program's `Module.page`
// (display_web.cpp), and passes everything on to the page and back:
//   page -> worker  run {module, args, focused, visible}, refresh {buffer}, key {message, vk},
//                   focus {focused}, visible {visible}, boxClosed
//   worker -> page  ready, showWindow {title}, hideWindow, setCursorVisible {visible},
//                   picture {buffer}, showMessageBox {text, caption}, pumped, print {line},
//                   exit {code}, failed {text}
// A picture travels as a transferred buffer, which the page gives back with the refresh that
// painted it: two buffers go round, and nothing is allocated per frame.
'use strict';
(() => {
  const post = (type, fields = {}, transfer = []) => postMessage({ type, ...fields }, transfer);
  const viewer = { focused: true, visible: true };  // the page's window focused, its tab shown
  let page = null;  // the running program's

  function programPage() {
    let refresh = null;  // the waiting flip's
    let boxOpen = false;
    const spare = [];
    return {
      keys: [],  // window message << 16 | virtual-key code
      active() { return viewer.focused && viewer.visible; },
      showWindow(title) { post('showWindow', { title }); },
      hideWindow() { post('hideWindow'); },
      setCursorVisible(shown) { post('setCursorVisible', { visible: Boolean(shown) }); },
      showPicture(rgba) {
        const buffer = spare.pop() || new ArrayBuffer(rgba.length);
        new Uint8Array(buffer).set(rgba);
        post('picture', { buffer }, [buffer]);
      },
      refreshed() { return new Promise((resolve) => { refresh = resolve; }); },
      showMessageBox(text, caption) {
        boxOpen = true;
        post('showMessageBox', { text, caption });
      },
      messageBoxOpen() { return boxOpen; },
      pumped() { post('pumped'); },
      takeKeys() { return this.keys.splice(0); },

      onRefresh(buffer) {
        spare.push(buffer);
        const resume = refresh;
        refresh = null;
        if (resume)
          resume();
      },
      // While a box is up its dialog takes the keys, as a modal box does on Windows.
      onKey(message, vk) {
        if (!boxOpen)
          this.keys.push(message << 16 | vk);
      },
      onBoxClosed() { boxOpen = false; },
    };
  }

  function run({ module, args, focused, visible }) {
    Object.assign(viewer, { focused, visible });
    page = programPage();
    createKorvan({
      arguments: args,
      page,
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(module, imports)
          .then((instance) => receive(instance, module))
          .catch((error) => post('failed', { text: `korvan could not start: ${error.message}` }));
        return {};
      },
      print(line) { post('print', { line }); },
      printErr(line) { post('print', { line, error: true }); },
      onAbort(what) { post('failed', { text: `korvan failed: ${what}. Reload the page to try again.` }); },
      onExit(code) { post('exit', { code }); },
    }).catch((error) => post('failed', { text: `korvan failed: ${error.message || error}` }));
  }

  self.addEventListener('unhandledrejection', (event) => {
    post('failed', { text: `korvan failed: ${event.reason && event.reason.message || event.reason}` });
  });
  self.onmessage = ({ data }) => {
    switch (data.type) {
    case 'run': run(data); break;
    case 'refresh': page.onRefresh(data.buffer); break;
    case 'key': page.onKey(data.message, data.vk); break;
    case 'focus': viewer.focused = data.focused; break;
    case 'visible': viewer.visible = data.visible; break;
    case 'boxClosed': page.onBoxClosed(); break;
    }
  };
  post('ready');
})();
