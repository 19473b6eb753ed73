// The wasm build of the program, run under node without a browser, must render exactly what
// the native program renders: the same headless run (an about box at frame 40, Escape after
// frame 300) captured by both, every PNG byte-identical and the same boxes printed.
//   node node_capture.cjs KORVAN_NODE_JS NATIVE_KORVAN FORMAT WORK_DIR
'use strict';
const fs = require('fs');
const path = require('path');
const { runProgram } = require('./support.cjs');

const [korvanJs, nativeProgram, format, workDir] = process.argv.slice(2);
const kFrames = 300;

function capture(label, command, args) {
  const dir = path.join(workDir, label);
  const result = runProgram(command, [...args, '--headless', '--display-format', format,
                                      '--frames', String(kFrames), '--key', '40:F1',
                                      '--capture', dir]);
  if (result.status !== 0)
    throw new Error(`${label} run ended with ${result.status}: ${result.stderr}`);
  return { dir, stdout: result.stdout, files: fs.readdirSync(dir).sort() };
}

fs.rmSync(workDir, { recursive: true, force: true });
const wasm = capture('wasm', process.execPath, [korvanJs]);
const native = capture('native', nativeProgram, []);

const failures = [];
if (native.files.length !== kFrames)
  failures.push(`the native run captured ${native.files.length} frames, not ${kFrames}`);
if (wasm.files.join() !== native.files.join())
  failures.push(`the wasm run captured ${wasm.files.length} files, the native run ${native.files.length}`);
if (wasm.stdout !== native.stdout)
  failures.push(`the boxes differ:\n--- wasm\n${wasm.stdout}\n--- native\n${native.stdout}`);
const differing = native.files.filter((name) => {
  const other = path.join(wasm.dir, name);
  return !fs.existsSync(other) ||
         !fs.readFileSync(other).equals(fs.readFileSync(path.join(native.dir, name)));
});
if (differing.length)
  failures.push(`${differing.length} frames differ, first ${differing[0]}`);

if (failures.length) {
  console.error(`display format ${format}:\n${failures.join('\n')}`);
  process.exit(1);
}
console.log(`display format ${format}: ${kFrames} frames and the boxes identical to the native run`);
fs.rmSync(workDir, { recursive: true, force: true });
