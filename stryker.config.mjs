// Mutation testing of the page's modules that Node.js loads (the others
// touch the document, and the page's tests in Chromium hold them): each
// mutant of web/ is run against the Node.js tests of tests/web/core.test.js,
// Node's own test runner (node:test) in the test file's own process, where
// Stryker sees what each test covers (`node --test` would run the file in a
// child process of its own, out of Stryker's sight). tools/test.sh runs it
// after the page's build:
//
//   npx stryker run
//
// Every mutant runs the whole test file, the oracle's cases too: here it
// takes an even sample of 667 of each unit system's 100,000, some 2,000
// cases (all 300,000 run once in the web step).
process.env.KALVOR_ORACLE_SAMPLE ??= "667";

export default {
  testRunner: "tap",
  tap: {
    testFiles: ["tests/web/core.test.js"],
    nodeArgs: ["--test-reporter=tap", "-r", "{{hookFile}}", "{{testFile}}"],
  },
  mutate: ["web/*.js", "!web/page.js", "!web/kalvor.js", "!web/sw.js"],
  // The sandboxes get what the tests read: the modules, the tests, the
  // module's base64 and the oracle's cases from the build, and the texts the
  // page shares with the window with their reader.
  ignorePatterns: [
    "/*",
    "!/package.json",
    "!/web",
    "!/tests",
    "/tests/*",
    "!/tests/web",
    "!/build",
    "/build/*",
    "!/build/oracle-cases.tsv",
    "!/build/wasm",
    "/build/wasm/*",
    "!/build/wasm/kalvor-wasm.js",
    "!/ui",
    "/ui/*",
    "!/ui/texts.h",
    "!/tools",
    "/tools/*",
    "!/tools/web",
    "/tools/web/*",
    "!/tools/web/texts.js",
  ],
  tempDirName: "build/stryker-tmp",
  concurrency: 2,
  thresholds: { high: 95, low: 90, break: 90 },
  reporters: ["clear-text", "json"],
  jsonReporter: { fileName: "build/mutation.json" },
  clearTextReporter: { allowColor: false, logTests: false },
};
