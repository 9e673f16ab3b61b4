// The page's demonstration without a display, in headless Chromium: speed
// 100 (or the speeds given) and the lists' first entries, OK; it prints the
// results and saves a screenshot (build/kalvor-web.png, or the path given),
// after --units=uk or us and --english where given:
//   node tools/web/demo.js docs/kalvor-web-us.png --units=us --english 60
import path from "node:path";
import { PAGE_URL, launch } from "./browsers.js";

(async () => {
  const screenshot = path.resolve(process.argv[2] || "build/kalvor-web.png");
  const options = process.argv.slice(3).filter((arg) => arg.startsWith("--"));
  const speeds = process.argv.slice(3).filter((arg) => !arg.startsWith("--"));
  if (speeds.length === 0) speeds.push("100");
  const browser = await launch("chromium", { headless: true });
  try {
    const page = await browser.open({ width: 800, height: 1000 });
    await page.goto(PAGE_URL);
    for (const option of options) {
      if (option === "--english") await page.click("#language");
      else await page.fill("#units", option.replace("--units=", ""));
    }
    // Each list field gets its entry's text, as picking it from the list does.
    for (const id of ["#coef", "#heat", "#area"]) {
      await page.fill(id, await page.evaluate((s) => document.querySelector(s).list.options[0].value, id));
    }
    for (const speed of speeds) {
      await page.fill("#speed", speed);
      await page.click("#ok");
      await page.waitFor(() => document.querySelector("#chart svg") !== null);
      const lines = await page.evaluate(() =>
        ["speed", "coef", "heat", "area", "power", "fuel", "per100km"].map(
          (id) => `${document.querySelector(`label[for=${id}]`).textContent}: ${document.getElementById(id).value}`,
        ),
      );
      console.log(lines.join("\n"));
    }
    await page.screenshot(screenshot);
    console.log(`screenshot of the page saved to ${screenshot}`);
    // Nothing but the page's own file asked for, and no error.
    const elsewhere = await page.evaluate(() =>
      performance.getEntriesByType("resource").map((r) => r.name).filter((name) => !name.startsWith("file:")),
    );
    const errors = await page.errors();
    if (elsewhere.length > 0 || errors.length > 0) {
      throw new Error(`requests elsewhere: ${elsewhere.join(" ")}; errors: ${errors.join(" ")}`);
    }
  } finally {
    await browser.close();
  }
})().catch((error) => {
  console.error(`web demo: ${error.message}`);
  process.exit(1);
});
