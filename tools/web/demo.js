// The browser edition's demonstration without a display: the page in
// headless Chromium, speed 100 (or the speeds given after the path) and the
// three lists' first entries, OK; prints the three results and saves a
// screenshot (build/kalvor-web.png, or the path given). --units=uk or
// --units=us chooses those units first, --english the English texts.
//
//   node tools/web/demo.js docs/kalvor-web-us.png --units=us --english 60
import path from "node:path";
import { PAGE_URL, launch, openPage } from "./chromium.js";

(async () => {
  const screenshot = path.resolve(process.argv[2] || "build/kalvor-web.png");
  const options = process.argv.slice(3).filter((arg) => arg.startsWith("--"));
  const speeds = process.argv.slice(3).filter((arg) => !arg.startsWith("--"));
  if (speeds.length === 0) speeds.push("100");
  const browser = await launch();
  try {
    const { page, refused, errors } = await openPage(browser, { width: 800, height: 1000 });
    await page.goto(PAGE_URL);
    for (const option of options) {
      if (option === "--english") await page.click("#language");
      else await page.selectOption("#units", option.replace("--units=", ""));
    }
    // Each list field gets its entry's text, as picking it from the list does.
    for (const id of ["coef", "heat", "area"]) {
      const field = page.locator(`#${id}`);
      await field.fill(await field.evaluate((input) => input.list.options[0].value));
    }
    for (const speed of speeds) {
      await page.fill("#speed", speed);
      await page.click("#ok");
      await page.locator("#chart svg").waitFor();
      for (const id of ["speed", "coef", "heat", "area"]) {
        const label = await page.textContent(`label[for=${id}]`);
        console.log(`${label}: ${await page.inputValue(`#${id}`)}`);
      }
      for (const id of ["power", "fuel", "per100km"]) {
        console.log(`${await page.textContent(`label[for=${id}]`)}: ${await page.textContent(`#${id}`)}`);
      }
    }
    await page.screenshot({ path: screenshot, fullPage: true });
    console.log(`screenshot of the page saved to ${screenshot}`);
    if (refused.length > 0 || errors.length > 0) {
      throw new Error(`requests refused: ${refused.join(" ")}; errors: ${errors.join(" ")}`);
    }
  } finally {
    await browser.close();
  }
})().catch((error) => {
  console.error(`web demo: ${error.message}`);
  process.exit(1);
});
