// ESLint (from the suites' npm packages) over the page's scripts and these suites, with
// eslint.config.cjs: any problem, error or warning, fails.
//   node lint.cjs SOURCE_DIR
'use strict';
const path = require('path');
const { ESLint } = require('eslint');

(async () => {
  const eslint = new ESLint({ cwd: path.resolve(process.argv[2]),
                              overrideConfigFile: path.join(__dirname, 'eslint.config.cjs') });
  const results = await eslint.lintFiles(['web', 'tests/web']);
  const problems = results.reduce((sum, result) => sum + result.errorCount + result.warningCount, 0);
  const formatter = await eslint.loadFormatter('stylish');
  console.log(`${await formatter.format(results)}${results.length} files checked, ${problems} problems`);
  process.exit(problems ? 1 : 0);
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
