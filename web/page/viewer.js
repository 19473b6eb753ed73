// What the viewer sees and does around the picture: the line saying it is paused, the screen
// kept on, the picture's size, fullscreen, the keys and, on a touch screen, the About and End
// buttons. One of the page's scripts at the end of index.html (status.js says how they go).
/* global kScreen, kToWorker, kKeyMessage, $, canvas, box, fullscreen, stage, touch, paused, worker,
          painter, korvan, current */
/* exported keepScreenOn, showTouchControls, useScaling */

// The program stops its frames while the window has no focus or the tab is hidden (it is
// no longer the active application); the page says why the picture stands still.
function showPaused() {
  paused.hidden = korvan.state !== 'running' || (document.hasFocus() && !document.hidden);
  keepScreenOn();
}
window.addEventListener('blur', () => { paused.hidden = korvan.state !== 'running'; keepScreenOn(); });
window.addEventListener('focus', showPaused);
document.addEventListener('visibilitychange', showPaused);
// Not in the capture phase: there every element's focus change (a dialog's button) would pass
// by, and only the window's own focus counts.
for (const type of ['focus', 'blur'])
  window.addEventListener(type, () => worker && worker.postMessage({ type: kToWorker.focus, focused: type === 'focus' }));
document.addEventListener('visibilitychange', () => worker && worker.postMessage({ type: kToWorker.visible, visible: !document.hidden }));

// The screen stays on while the intro plays (Screen Wake Lock, where the browser has it); the
// lock goes when the intro pauses, a box waits for the viewer, or the intro ends.
let wakeLock = null, wakeLockAsked = false;
function keepScreenOn() {
  if (!navigator.wakeLock)
    return;
  const wanted = korvan.state === 'running' && !box.open && !document.hidden && document.hasFocus();
  if (wanted && !wakeLock && !wakeLockAsked) {
    wakeLockAsked = true;
    navigator.wakeLock.request('screen').then((sentinel) => {
      wakeLockAsked = false;
      wakeLock = sentinel;
      korvan.wakeLock = 'held';
      // The browser lets go of it by itself when the tab is hidden.
      sentinel.addEventListener('release', () => {
        if (wakeLock === sentinel) {
          wakeLock = null;
          korvan.wakeLock = 'released';
        }
      });
      keepScreenOn();
    }, (error) => {
      wakeLockAsked = false;
      korvan.wakeLock = `refused (${error.name})`;
    });
  } else if (!wanted && wakeLock) {
    const sentinel = wakeLock;
    wakeLock = null;
    korvan.wakeLock = 'released';
    sentinel.release().catch(() => {});
  }
}

// Sizes the canvas to the largest 4:3 rectangle that fits the stage (the window less a
// phone's safe-area insets), in whole device pixels, as the program's --scale asks. Sharp
// scaling, the default, as on the desktop (display_sdl.cpp): at a scale that is not a whole
// number the canvas has the smallest whole multiple of the picture's pixels at or above its
// size, the picture enlarged into them by nearest-neighbour (shared.js's painter), and the
// browser filters them down linearly as it shows the canvas: every picture pixel keeps its
// exact share of the screen and only the edges between two are blended, over at most one
// device pixel. Otherwise the canvas has the picture's own pixels, which the browser scales
// by nearest-pixel: exactly at a whole-number scale, unevenly at others for 'nearest'.
// 'integer' takes the largest whole multiple that fits.
// Its size and place are whole CSS pixels, multiples of the fewest that make whole device
// pixels (1 at a ratio of 1, 2 or 3; 2 at 1.5; 4 at 1.25): a size or place between two device
// pixels would have the browser resample the canvas, and blur it, as it shows it.
// Till the program's window shows, and says how to scale, the canvas keeps the picture's size:
// a larger one made while the program starts costs its first frame about 100 ms (headless
// Chromium, software drawing).
let scaling = null;
function wholeDevicePixels(ratio) {
  for (let css = 1; css <= 16; ++css)
    if (Math.abs(ratio * css - Math.round(ratio * css)) < 1e-6)
      return css;
  return 1;
}
function fit() {
  const ratio = window.devicePixelRatio || 1;
  const unit = wholeDevicePixels(ratio);
  const fits = Math.min(stage.clientWidth, stage.clientHeight * 4 / 3);
  let cssWidth = Math.max(4 * unit, Math.floor(fits / (4 * unit)) * 4 * unit);
  let deviceWidth = Math.round(cssWidth * ratio);
  if (scaling === 'integer' && deviceWidth >= kScreen.width) {
    deviceWidth -= deviceWidth % kScreen.width;
    cssWidth = deviceWidth / ratio;
  }
  const cssHeight = cssWidth * 3 / 4;
  const place = (room, size) => Math.max(0, Math.floor((room - size) / 2 / unit) * unit);
  Object.assign(canvas.style, { width: `${cssWidth}px`, height: `${cssHeight}px`,
                                left: `${place(stage.clientWidth, cssWidth)}px`,
                                top: `${place(stage.clientHeight, cssHeight)}px` });
  const sharp = scaling === 'sharp' && deviceWidth % kScreen.width !== 0;
  const multiple = sharp ? Math.ceil(deviceWidth / kScreen.width) : 1;
  canvas.classList.toggle('sharp', sharp);
  const size = { width: multiple * kScreen.width, height: multiple * kScreen.height };
  if (painter)
    painter.resize(size.width, size.height);
  else if (worker)
    worker.postMessage({ type: kToWorker.size, ...size });
}
window.addEventListener('resize', fit);
fit();
function useScaling(value) {
  scaling = value;
  fit();
}

// Browsers enter fullscreen only from a user's gesture: the button, or Alt+Enter as on the
// desktop. While fullscreen, Chromium lets the page keep Escape (held down it still leaves).
function toggleFullscreen() {
  if (document.fullscreenElement) {
    document.exitFullscreen();
    return;
  }
  document.documentElement.requestFullscreen().then(() => {
    if (navigator.keyboard && navigator.keyboard.lock)
      navigator.keyboard.lock(['Escape']).catch(() => {});
  }).catch(() => {});
}
if (document.fullscreenEnabled) {
  fullscreen.hidden = false;
  fullscreen.addEventListener('click', () => { fullscreen.blur(); toggleFullscreen(); });
  document.addEventListener('fullscreenchange', () => {
    fullscreen.textContent = document.fullscreenElement ? 'Leave fullscreen' : 'Fullscreen';
  });
  window.addEventListener('keydown', (event) => {
    if (event.key === 'Enter' && event.altKey) {
      event.preventDefault();
      toggleFullscreen();
    }
  }, true);
}

// The keys the program reads go to it; their DOM keyCode is already the Win32 virtual-key
// code. Those whose browser meaning (help, scrolling, stopping the load) would fight the
// intro's stay the page's; reload, the browser's fullscreen, developer tools and every
// shortcut with a modifier stay the browser's. While a box is up they go to the worker all the
// same, which drops them (worker.js).
const kProgramKeys = new Set([27, 13, 32, 8, 9, 37, 39, 38, 40, 36, 35, 33, 34, 45, 46, 19, 16, 17, 18]);
const kPageKeys = new Set([112, 27, 13, 32, 8, 37, 39, 38, 40, 36, 35, 33, 34]);
function onKey(event) {
  const vk = event.keyCode;
  const known = (vk >= 65 && vk <= 90) || (vk >= 48 && vk <= 57) || (vk >= 112 && vk <= 123) ||
                kProgramKeys.has(vk);
  // Alt+Enter is the page's fullscreen switch, like the desktop's.
  if (!known || !current || !current.windowShown || (vk === 13 && event.altKey))
    return;
  const message = event.type === 'keydown' ? kKeyMessage.down : kKeyMessage.up;
  worker.postMessage({ type: kToWorker.key, message, vk });
  if (kPageKeys.has(vk) && !event.ctrlKey && !event.altKey && !event.metaKey)
    event.preventDefault();
}
window.addEventListener('keydown', onKey, true);
window.addEventListener('keyup', onKey, true);

// Touch screens have no F1 or Escape: a tap brings up About and End buttons that press them,
// and that slide away after a few seconds; another tap hides them at once. A mouse never shows them.
// On a touch screen they also show when the intro starts, with a line saying how to get them.
const kTouchControlsMs = 4000;
let touchTimer = 0;
function showTouchControls(shown, withHint = false) {
  clearTimeout(touchTimer);
  shown = shown && korvan.state === 'running' && !box.open;
  touch.classList.toggle('shown', shown);
  if (shown) {
    $('touch-hint').hidden = !withHint;
    touchTimer = setTimeout(() => showTouchControls(false), kTouchControlsMs);
  }
}
// The program reads the keys from the window's key events, as it does the keyboard's.
function pressKey(key, keyCode) {
  for (const type of ['keydown', 'keyup']) {
    const event = new KeyboardEvent(type, { key, code: key, keyCode, which: keyCode,
                                            bubbles: true, cancelable: true });
    if (event.keyCode !== keyCode)
      Object.defineProperty(event, 'keyCode', { value: keyCode });
    window.dispatchEvent(event);
  }
}
for (const [id, key, keyCode] of [['touch-about', 'F1', 112], ['touch-end', 'Escape', 27]]) {
  $(id).addEventListener('click', (event) => {
    event.currentTarget.blur();
    showTouchControls(false);
    pressKey(key, keyCode);
  });
}
document.addEventListener('pointerdown', (event) => {
  if (event.pointerType !== 'mouse' && !event.target.closest('button, dialog'))
    showTouchControls(!touch.classList.contains('shown'));
});
