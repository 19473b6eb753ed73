// What the viewer sees and does around the picture: the line saying it is paused, the screen
// kept on, the picture's size, fullscreen, the keys and, on a touch screen, the About and End
// buttons. One of the page's scripts at the end of index.html (status.js says how they go).
/* global kToWorker, kKeyMessage, $, canvas, box, fullscreen, stage, touch, paused, worker, korvan,
          current */
/* exported keepScreenOn, showTouchControls */

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

// Scales the canvas to the largest 4:3 rectangle that fits the stage (the window less a
// phone's safe-area insets), in whole device pixels, so the nearest-pixel scaling stays crisp
// on HiDPI screens too.
function fit() {
  const ratio = window.devicePixelRatio || 1;
  const width = Math.min(stage.clientWidth * ratio, stage.clientHeight * ratio * 4 / 3);
  const deviceWidth = Math.max(4, Math.floor(width / 4) * 4);
  canvas.style.width = `${deviceWidth / ratio}px`;
  canvas.style.height = `${deviceWidth * 3 / 4 / ratio}px`;
}
window.addEventListener('resize', fit);
fit();

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
