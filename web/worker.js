// The worker half of korvan.js, which the build appends to emscripten's output (createKorvan);
// shared.js, ahead of that output, has the messages and the texts of a failure.
// The page (index.html) runs korvan.js in a worker, so that neither the program's start-up nor
// its frames hold up the page's own thread: input, layout and the dialogs stay responsive, and
// the browser compiles and runs the program beside them. This is the program's `Module.page`
// (display_web.cpp), and passes everything on to the page and back (kToWorker, kToPage).
// The worker paints the page's canvas itself, handed over as an OffscreenCanvas, at the size the
// page gives it, through the painter of shared.js. In a browser that cannot hand it over, each
// picture travels to the page as a transferred buffer instead, which the page gives back with
// the refresh that painted it: two buffers go round, and nothing is allocated per frame.
/* global kScreen, kToWorker, kToPage, kFailure, createKorvan, createPainter */
(() => {
  'use strict';
  const post = (type, fields = {}, transfer = []) => postMessage({ type, ...fields }, transfer);
  const viewer = { focused: true, visible: true };  // the page's window focused, its tab shown
  let page = null;  // the running program's
  let screen = null;  // the painter of the canvas, when the page has handed the canvas over
  let shown = null;  // the ImageData over the program's picture, made again when its memory is new
  let module = null;  // the compiled program, instantiated afresh for every run
  let waiting = null;  // the arguments of a run asked for and not started yet

  function programPage() {
    let refresh = null;  // the waiting flip's
    let boxOpen = false;
    const spare = [];
    return {
      keys: [],  // window message << 16 | virtual-key code
      active() { return viewer.focused && viewer.visible; },
      showWindow(title, scaling) { post(kToPage.showWindow, { title, scaling }); },
      hideWindow() { post(kToPage.hideWindow); },
      setCursorVisible(visible) { post(kToPage.setCursorVisible, { visible: Boolean(visible) }); },
      // The program's picture memory, still black: what painting needs is made now.
      readyPicture(rgba) {
        if (screen)
          this.paint(rgba);
      },
      paint(rgba) {
        if (!shown || shown.data.buffer !== rgba.buffer || shown.data.byteOffset !== rgba.byteOffset)
          shown = new ImageData(new Uint8ClampedArray(rgba.buffer, rgba.byteOffset, rgba.length),
                                kScreen.width, kScreen.height);
        screen.paint(shown);
      },
      showPicture(rgba) {
        if (screen) {
          this.paint(rgba);
          post(kToPage.picture);
          return;
        }
        const buffer = spare.pop() || new ArrayBuffer(rgba.length);
        new Uint8Array(buffer).set(rgba);
        post(kToPage.picture, { buffer }, [buffer]);
      },
      refreshed() { return new Promise((resolve) => { refresh = resolve; }); },
      showMessageBox(text, caption) {
        boxOpen = true;
        post(kToPage.showMessageBox, { text, caption });
      },
      messageBoxOpen() { return boxOpen; },
      pumped() { post(kToPage.pumped); },
      takeKeys() { return this.keys.splice(0); },

      onRefresh(buffer) {
        if (buffer)
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

  // Starts the run asked for, once the program is compiled too.
  function startRun() {
    if (!module || !waiting)
      return;
    const args = waiting;
    waiting = null;
    page = programPage();
    post(kToPage.started);
    createKorvan({
      arguments: args,
      page,
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(module, imports)
          .then((instance) => receive(instance, module))
          .catch((error) => post(kToPage.failed, { text: kFailure.notStarted(error) }));
        return {};
      },
      print(line) { post(kToPage.print, { line }); },
      printErr(line) { post(kToPage.print, { line, error: true }); },
      onAbort(what) { post(kToPage.failed, { text: kFailure.trapped(what) }); },
      onExit(code) { post(kToPage.exit, { code }); },
    }).catch((error) => post(kToPage.failed, { text: kFailure.thrown(error) }));
  }

  self.addEventListener('unhandledrejection', (event) => {
    post(kToPage.failed, { text: kFailure.thrown(event.reason) });
  });
  self.onmessage = ({ data }) => {
    switch (data.type) {
    case kToWorker.canvas:
      screen = createPainter(data.canvas.getContext('2d', { alpha: false }),
                             (width, height) => new OffscreenCanvas(width, height));
      break;
    case kToWorker.size: screen.resize(data.width, data.height); break;
    case kToWorker.read: {
      const { buffer } = screen.read();
      post(kToPage.read, { buffer }, [buffer]);
      break;
    }
    case kToWorker.module:
      module = data.module;
      startRun();
      break;
    case kToWorker.run:
      Object.assign(viewer, { focused: data.focused, visible: data.visible });
      waiting = data.args;
      startRun();
      break;
    case kToWorker.refresh: page.onRefresh(data.buffer); break;
    case kToWorker.key: page.onKey(data.message, data.vk); break;
    case kToWorker.focus: viewer.focused = data.focused; break;
    case kToWorker.visible: viewer.visible = data.visible; break;
    case kToWorker.boxClosed: page.onBoxClosed(); break;
    }
  };
  post(kToPage.ready);
})();
