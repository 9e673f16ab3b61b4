// Time from navigation to the presets' results after a click, in headless
// Chromium: the page opened from disk in a fresh context each run, speed 100
// and the three list entries put into the fields, a mouse click on OK, until
// the results are written. Times are the page's own (performance.now(),
// from the start of the navigation). Prints the medians of 11 runs, and for
// comparison, measured in turn with it in the same run: the same for a
// trivial page with the same fields, whose OK writes the two texts and
// nothing else (and their ratio), the time a one-line page takes to load
// in the same way, and the time when the page fills the fields and clicks
// OK itself on load.
//
//   node bench/web/page-time.js [runs]
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { PAGE_URL, launch } from "../../tools/web/browsers.js";

const runs = Number(process.argv[2] || 11);
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const show = (xs) =>
  `median ${median(xs).toFixed(1)} ms (fastest ${Math.min(...xs).toFixed(1)}, slowest ${Math.max(...xs).toFixed(1)})`;

// A page in a fresh context; its .page is puppeteer's.
const freshPage = (browser) => browser.open({ width: 800, height: 900 });

// The same fields, lists and OK with nothing behind them: OK writes the
// presets' two results as they are.
const TRIVIAL_PAGE = `<!DOCTYPE html>
<html lang="cs"><meta charset="utf-8"><title>-</title>
<form id="calc">
<input id="speed"><input id="coef" list="c"><input id="heat" list="h"><input id="area" list="a">
<datalist id="c"><option value="Osobní automobil 0.3"></datalist>
<datalist id="h"><option value="Benzin 45.22"></datalist>
<datalist id="a"><option value="Osobní automobil 2.25"></datalist>
<output id="power">0.00</output><output id="fuel">0.00</output><button id="ok">OK</button>
</form>
<script>
document.getElementById("calc").addEventListener("submit", (event) => {
  event.preventDefault();
  document.getElementById("power").value = "9.403935";
  document.getElementById("fuel").value = "3.465994";
});
</script>
</html>
`;

// With `selfDriven` the page fills the fields and clicks OK itself as soon
// as it has loaded, so that no round trip to the driver counts.
async function kalvorRun(browser, selfDriven, url = PAGE_URL) {
  const fresh = await freshPage(browser);
  const { page } = fresh;
  await page.evaluateOnNewDocument((clickOnLoad) => {
    window.marks = {};
    const fill = () => {
      document.getElementById("speed").value = "100";
      for (const id of ["coef", "heat", "area"]) {
        const field = document.getElementById(id);
        field.value = field.list.options[0].value;
      }
    };
    window.fillPresets = fill;
    addEventListener("click", () => (marks.click = performance.now()), true);
    addEventListener("DOMContentLoaded", () => {
      const power = document.getElementById("power");
      const seen = () => (marks.result = performance.now());
      new MutationObserver(seen).observe(power, { childList: true, characterData: true, subtree: true });
    });
    if (clickOnLoad) addEventListener("load", () => (fill(), document.getElementById("ok").click()));
  }, selfDriven);
  await page.goto(url);
  if (!selfDriven) {
    // The fields filled and OK's place found in one call to the page.
    const ok = await page.evaluate(() => {
      fillPresets();
      const box = document.getElementById("ok").getBoundingClientRect();
      return { x: box.x + box.width / 2, y: box.y + box.height / 2 };
    });
    await page.mouse.click(ok.x, ok.y);
  }
  await page.waitForFunction(() => document.getElementById("power").textContent === "9.403935");
  const times = await page.evaluate(() => ({
    ...marks,
    ready: performance.getEntriesByType("navigation")[0].loadEventEnd,
  }));
  await fresh.close();
  return times;
}

async function blankRun(browser, url) {
  const page = await freshPage(browser);
  await page.goto(url);
  const ready = await page.evaluate(() => performance.getEntriesByType("navigation")[0].loadEventEnd);
  await page.close();
  return ready;
}

(async () => {
  const browser = await launch("chromium", { headless: true });
  const blank = path.join(fs.mkdtempSync(path.join(os.tmpdir(), "kalvor-bench-")), "blank.html");
  fs.writeFileSync(blank, '<!DOCTYPE html><html lang="cs"><meta charset="utf-8"><title>-</title><p>-</p></html>\n');
  const trivialPage = path.join(path.dirname(blank), "trivial.html");
  fs.writeFileSync(trivialPage, TRIVIAL_PAGE);
  const kalvor = [], trivial = [], self = [], blanks = [];
  try {
    for (let run = 0; run < runs; run++) {
      kalvor.push(await kalvorRun(browser, false));
      trivial.push(await kalvorRun(browser, false, "file://" + trivialPage));
      self.push(await kalvorRun(browser, true));
      blanks.push(await blankRun(browser, "file://" + blank));
    }
  } finally {
    await browser.close();
    fs.rmSync(path.dirname(blank), { recursive: true });
  }
  console.log(`headless Chromium, a fresh context each run, ${runs} runs`);
  console.log(`  navigation to the presets' results after a click: ${show(kalvor.map((t) => t.result))}`);
  console.log(`    the page loaded:                    ${show(kalvor.map((t) => t.ready))}`);
  console.log(`    the click to the results (the chart follows): ${show(kalvor.map((t) => t.result - t.click))}`);
  const ratio = median(kalvor.map((t) => t.result)) / median(trivial.map((t) => t.result));
  console.log(`  the same on a trivial page with the same fields: ${show(trivial.map((t) => t.result))}`);
  console.log(`    the page loaded:                    ${show(trivial.map((t) => t.ready))}`);
  console.log(`    the click to the results:           ${show(trivial.map((t) => t.result - t.click))}`);
  console.log(`    ratio of the medians: ${ratio.toFixed(2)}x`);
  console.log(`  the same with the page filling the fields and clicking OK on load: ${show(self.map((t) => t.result))}`);
  console.log(`  a one-line page loaded, for comparison: ${show(blanks)}`);
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
