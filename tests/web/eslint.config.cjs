// ESLint over the page's scripts (web/) and these suites: its recommended rules, and each file
// with the globals of where it runs. Paths are from the top of the source tree (lint.cjs).
'use strict';
const js = require('@eslint/js');
const globals = require('globals');

// The page's scripts are classic scripts, which the build puts into the page's functions and
// the worker's; those are strict. Names one script takes from another are in its /* global */
// line, the names it gives in its /* exported */ line.
const script = (environment) => ({
  languageOptions: { sourceType: 'script', parserOptions: { ecmaFeatures: { impliedStrict: true } },
                     globals: environment },
});

module.exports = [
  js.configs.recommended,
  // In the page and in the worker alike: nothing of either.
  { files: ['web/shared.js'], ...script({}) },
  { files: ['web/page/*.js'], ...script(globals.browser) },
  { files: ['web/worker.js'], ...script(globals.worker) },
  { files: ['web/sw.js'], ...script(globals.serviceworker) },
  // The suites run in node, and hand the page functions to run there (page.evaluate).
  { files: ['tests/web/*.cjs'],
    languageOptions: { sourceType: 'commonjs', globals: { ...globals.node, ...globals.browser } } },
];
