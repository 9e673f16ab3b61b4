// The browser edition's demonstration without a display: the page in
// headless Chromium, speed 100 (or the speeds given after the path) and the
// three list entries, OK; prints the three results and saves a screenshot (build/kalvor-web.png, or the path
// given).
import path from "node:path";
import { PAGE_URL, launch, openPage } from "./chromium.js";

(async () => {
  const screenshot = path.resolve(process.argv[2] || "build/kalvor-web.png");
  const speeds = process.argv.length > 3 ? process.argv.slice(3) : ["100"];
  const browser = await launch();
  try {
    const { page, refused, errors } = await openPage(browser, { width: 800, height: 1000 });
    await page.goto(PAGE_URL);
    // Each list field gets its entry's text, as picking it from the list does.
    for (const id of ["coef", "heat", "area"]) {
      const field = page.locator(`#${id}`);
      await field.fill(await field.evaluate((input) => input.list.options[0].value));
    }
    for (const speed of speeds) {
      await page.getByLabel("Rychlost v kilometrech").fill(speed);
      await page.getByRole("button", { name: "OK", exact: true }).click();
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
