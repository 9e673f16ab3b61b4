// The browser edition's demonstration without a display: the page in
// headless Chromium, speed 100 and the three list entries, OK; prints the
// two results and saves a screenshot (build/kalvor-web.png, or the path
// given).
"use strict";
const path = require("node:path");
const { PAGE_URL, launch, openPage } = require("./chromium.js");

(async () => {
  const screenshot = path.resolve(process.argv[2] || "build/kalvor-web.png");
  const browser = await launch();
  try {
    const { page, refused, errors } = await openPage(browser, { width: 800, height: 1000 });
    await page.goto(PAGE_URL);
    await page.getByLabel("Rychlost v kilometrech").fill("100");
    // Each list field gets its entry's text, as picking it from the list does.
    for (const id of ["coef", "heat", "area"]) {
      const field = page.locator(`#${id}`);
      await field.fill(await field.evaluate((input) => input.list.options[0].value));
    }
    await page.getByRole("button", { name: "OK", exact: true }).click();
    await page.locator("#chart svg").waitFor();
    const [power, fuel] = await Promise.all(["#power", "#fuel"].map((id) => page.textContent(id)));
    for (const id of ["speed", "coef", "heat", "area"]) {
      const label = await page.textContent(`label[for=${id}]`);
      console.log(`${label}: ${await page.inputValue(`#${id}`)}`);
    }
    console.log(`${await page.textContent("label[for=power]")}: ${power}`);
    console.log(`${await page.textContent("label[for=fuel]")}: ${fuel}`);
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
