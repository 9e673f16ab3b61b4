// The page in Debian's Chromium, opened from disk with every other request
// refused, and served from 127.0.0.1 as an installable page. With a display
// (the test command gives it a virtual one) the list entries are picked
// from the browser's own drop-down with real key presses, which only reach
// it through the X server.
import axe from "axe-core";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import test from "node:test";
import { PAGE_URL, launch, launchProfile, openPage, recordViolations } from "../../tools/web/chromium.js";
import { serve, stop } from "../../tools/web/serve.js";

const PRESETS = { coef: "Osobní automobil 0.3", heat: "Benzin 45.22", area: "Osobní automobil 2.25" };

let browser;
test.before(async () => {
  browser = await launch({ headless: !process.env.DISPLAY });
});
test.after(() => browser?.close());

// A script from elsewhere, which the page's policy must block.
const ELSEWHERE = "http://elsewhere.invalid/kalvor.js";

// Puts a script from elsewhere into the page; resolves, once it has failed
// or run, to the policy's breaches reported until then, and forgets them.
const addScriptFromElsewhere = (p) =>
  p.evaluate(
    (src) =>
      new Promise((resolve) => {
        const script = document.createElement("script");
        script.src = src;
        script.onerror = script.onload = (event) => resolve([event.type, window.kalvorViolations.splice(0)]);
        document.body.append(script);
      }),
    ELSEWHERE,
  );
const BLOCKED = ["error", [`script-src-elem ${ELSEWHERE}`]];
// How the console reports an inline script refused by the policy.
const INLINE_REFUSED = "Executing inline script violates";

// A fresh page; at the end of the test, nothing refused, no error (the
// blocked script's report aside) and no breach of the page's policy.
async function page(t, size, url = PAGE_URL) {
  const opened = await openPage(browser, size);
  t.after(async () => {
    const violations = await opened.page.evaluate(() => window.kalvorViolations);
    await opened.context.close();
    assert.deepEqual(opened.refused, [], "requests other than files");
    assert.deepEqual(opened.errors.filter((e) => !e.includes(ELSEWHERE) && !e.startsWith(INLINE_REFUSED)), [], "console errors");
    assert.deepEqual(violations, [], "breaches of the Content-Security-Policy");
  });
  await opened.page.goto(url);
  return opened.page;
}

// axe-core's WCAG 2.0 to 2.2 A and AA rules and best practices: no
// violation in the page's state named (axe is put in by the driver, which
// the page's policy does not hold back).
async function assertAccessible(p, state) {
  const rules = ["wcag2a", "wcag2aa", "wcag21a", "wcag21aa", "wcag22aa", "best-practice"];
  const run = `axe.run({ runOnly: ${JSON.stringify(rules)} }).then((r) => r.violations)`;
  const violations = await p.evaluate(`${axe.source};${run}`);
  assert.deepEqual(violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.html).join(" ")}`), [], state);
}

// The page's policy allows no evaluation of strings, which playwright's
// waitForFunction needs: locators wait instead.
const exactly = (text) => new RegExp(`^${text.replace(/[.*+?^${}()|[\]\\]/g, "\\$&")}$`);
const waitText = (locator, expected) => locator.filter({ hasText: exactly(expected) }).waitFor();

const xdo = (...args) => execFileSync("xdotool", args, { encoding: "utf8" });
const windows = () => {
  try {
    return xdo("search", "--onlyvisible", "--name", "").split("\n").filter(Boolean);
  } catch {
    return []; // none found
  }
};

// Polls a condition every `every` ms for up to 10 s.
async function waitUntil(condition, what, every = 20) {
  for (const end = Date.now() + 10000; !(await condition()); ) {
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
    await new Promise((resolve) => setTimeout(resolve, every));
  }
}

// Opens the field's list with the Down key, waits for the drop-down's
// window, highlights the entry and takes it with Enter. The drop-down
// ignores an Enter that comes too soon after it opened, so Enter is given
// again while the list is still open and the field still empty.
async function pick(p, field) {
  await p.bringToFront();
  await field.focus();
  const before = new Set(windows());
  const open = () => windows().some((w) => !before.has(w));
  xdo("key", "Down");
  await waitUntil(open, "the drop-down list");
  xdo("key", "Down");
  await waitUntil(
    async () => {
      if ((await field.inputValue()) !== "") return true;
      if (open()) xdo("key", "Return");
      return false;
    },
    "the entry in the field",
    100,
  );
}

test("computes as the window: typing, the list entries, OK and Enter, the error keeping the results", async (t) => {
  const p = await page(t);
  const field = (label) => p.getByLabel(label, { exact: true });
  const speed = field("Rychlost v kilometrech");
  const lists = {
    coef: field("Součinitel odporu vzduchu"),
    heat: field("Spalné teplo paliva v MJ / kg"),
    area: field("Čelní plocha v m čtverečních"),
  };
  const power = field("Potřebná energie k vyrovnání odporu vzduchu v kW / h");
  const fuel = field("Palivo potřebné na vyrovnání odporu vzduchu v litrech/h");
  const per100km = field("Palivo na 100 km (jen odpor vzduchu) v litrech");
  const ok = p.getByRole("button", { name: "OK", exact: true });
  const error = p.getByRole("dialog", { name: "chyba" });
  const results = () => Promise.all([power, fuel, per100km].map((r) => r.textContent()));

  assert.deepEqual(await results(), ["0.00", "0.00", "0.00"]);
  await assertAccessible(p, "the page as it opens");
  await ok.click();
  await error.waitFor();
  await assertAccessible(p, "the error box");
  assert.equal(await error.locator("p").innerText(), "Text neobsahuje číslici\nVyplňte všechna políčka\nv zadání");
  await p.keyboard.press("Enter"); // the box's OK has the focus
  await error.waitFor({ state: "hidden" });
  assert.deepEqual(await results(), ["0.00", "0.00", "0.00"]);

  await speed.pressSequentially("100");
  for (const [id, list] of Object.entries(lists)) {
    assert.equal(await list.evaluate((el) => el.list.options[0].value), PRESETS[id]);
    if (process.env.DISPLAY) await pick(p, list);
    else await list.fill(PRESETS[id]);
    assert.equal(await list.inputValue(), PRESETS[id]);
  }
  await ok.click();
  await waitText(power, "9.403935");
  // At 100 km/h the litres per 100 km are the litres per hour.
  assert.deepEqual(await results(), ["9.403935", "3.465994", "3.465994"]);

  // The chart, its three lines and the entered speed's marks.
  const chart = p.getByRole("img", { name: "Výkon a spotřeba podle rychlosti" });
  await chart.waitFor();
  assert.deepEqual([await chart.locator("path").count(), await chart.locator("circle").count()], [3, 3]);
  await assertAccessible(p, "after OK");

  // Enter in a field computes; a field without a digit brings the error
  // and leaves the results as they were.
  await speed.fill("rychlost");
  await speed.press("Enter");
  await error.waitFor();
  await error.getByRole("button", { name: "OK" }).click();
  await error.waitFor({ state: "hidden" });
  assert.deepEqual(await results(), ["9.403935", "3.465994", "3.465994"]);
  assert.equal(await p.evaluate(() => document.activeElement.id), "speed");

  await lists.coef.fill("1");
  await lists.area.fill("2");
  await speed.fill("45");
  await speed.press("Enter");
  await waitText(fuel, "0.935818");
  assert.deepEqual((await results()).slice(0, 2), ["2.539062", "0.935818"]);
});

test("keyboard alone: the window's tab cycle, About and instructions, the switch to English and back", async (t) => {
  const p = await page(t);
  const focused = () => p.evaluate(() => document.activeElement.id);
  const window = ["speed", "coef", "heat", "area", "ok"];

  // From OK through the four fields back to OK, in the window's order;
  // the page's own buttons may come in between, the window's do not.
  await p.getByRole("button", { name: "OK", exact: true }).focus();
  const order = [];
  while (order.length < window.length) {
    await p.keyboard.press("Tab");
    const id = await focused();
    if (window.includes(id)) order.push(id);
  }
  assert.deepEqual(order, window);

  const boxes = [
    ["O programu...", "O programu Kalvor",
      "Version \nKalvor1.0.1\nProgram je stále ve fázi testování, proto autor nenese žádnou odpovědnost za případné chyby způsobené programem."],
    ["Návod", "Návod",
      "\nProgram je stále ve fázi testování, proto autor nenese\n žádnou odpovědnost za případné chyby způsobené programem.\n" +
      "Do editačních polí zadáme hodnoty s desetinou tečkou.\nRychlost v kilometrech za hodinu.\n" +
      "Součinitel odporu vzduchu,dle druhu vozidla.\nSpalné teplo se musí zadat v megaJoulech.\n" +
      "Čelní plocha se zadá v metrech čtverečních.\nPak zmáčkneme tlačítko OK a provedeme  výpočet."],
  ];
  for (const [item, caption, lines] of boxes) {
    await p.getByRole("button", { name: item, exact: true }).focus();
    await p.keyboard.press("Enter");
    const box = p.getByRole("dialog", { name: caption, exact: true });
    await box.waitFor();
    await assertAccessible(p, caption);
    // As shown: the line breaks and spaces survive the page's layout.
    assert.equal(await box.locator("p").evaluate((el) => el.innerText), lines);
    await p.keyboard.press("Enter");
    await box.waitFor({ state: "hidden" });
  }

  // Every text changes to English (the caption "Kalvor 1.0.0" aside), and
  // back to the same Czech.
  const texts = () => p.$$eval("[data-t]", (els) => els.map((el) => el.content || el.textContent));
  const czech = await texts();
  await p.getByLabel("Rychlost v kilometrech", { exact: true }).fill("100");
  for (const id of ["coef", "heat", "area"]) await p.locator(`#${id}`).fill("1");
  await p.keyboard.press("Enter");
  await p.getByRole("img", { name: "Výkon a spotřeba podle rychlosti" }).waitFor();
  await p.getByRole("button", { name: "English" }).focus();
  await p.keyboard.press("Enter");
  await p.getByRole("img", { name: "Power and fuel against speed" }).waitFor();
  assert.equal(await p.getAttribute("html", "lang"), "en");
  await assertAccessible(p, "in English");
  const english = await texts();
  english.forEach((s, i) => {
    assert.ok(s && !s.includes("undefined"), `text ${i}: ${s}`);
    if (czech[i] !== "Kalvor 1.0.0") assert.notEqual(s, czech[i]);
  });
  assert.equal(await p.getByLabel("Speed in kilometres", { exact: true }).inputValue(), "100");
  await p.getByRole("button", { name: "Česky" }).click();
  assert.deepEqual(await texts(), czech);
  assert.equal(await p.getAttribute("html", "lang"), "cs");
});

test("fits a phone 360 px wide, long results included; the window's colours", async (t) => {
  const p = await page(t, { width: 360, height: 740 });
  await p.locator("#speed").fill("1e100");
  for (const [id, entry] of Object.entries(PRESETS)) await p.locator(`#${id}`).fill(entry);
  await p.locator("#ok").click();
  await p.locator("#chart svg").waitFor();
  assert.ok((await p.textContent("#power")).length > 300);
  const overflow = () =>
    p.evaluate(() => document.documentElement.scrollWidth - document.documentElement.clientWidth);
  assert.equal(await overflow(), 0);
  await assertAccessible(p, "at 360 px");
  await p.getByRole("button", { name: "Návod" }).click();
  await p.getByRole("dialog", { name: "Návod" }).waitFor();
  assert.equal(await overflow(), 0);
  await p.keyboard.press("Escape");

  // No chart for an infinite speed: its sentence instead; no finite litres
  // per 100 km: the dash.
  await p.locator("#speed").fill("1e999");
  await p.locator("#ok").click();
  await p.locator("#chart", { hasText: "Pro tuto rychlost graf nakreslit nelze." }).waitFor();
  assert.equal(await p.textContent("#per100km"), "—");

  const colour = (selector, property) =>
    p.$eval(selector, (el, prop) => getComputedStyle(el)[prop], property);
  assert.equal(await colour("body", "backgroundColor"), "rgb(0, 127, 0)");
  assert.equal(await colour("label[for=speed]", "color"), "rgb(160, 255, 255)");
  assert.equal(await colour("#speed", "color"), "rgb(255, 255, 255)");
  assert.equal(await colour("#power", "borderTopStyle"), "solid");
});

test("a link keeps the inputs: long and non-Latin texts, Back and Forward, too long for an address; no script from elsewhere", { timeout: 120000 }, async (t) => {
  const p = await page(t);
  const ids = ["#speed", "#coef", "#heat", "#area"];
  const enter = async (texts) => {
    for (const [i, text] of texts.entries()) await p.fill(ids[i], text);
    await p.locator("#ok").click();
  };
  // The four fields and the three results.
  const shown = (q) =>
    Promise.all([...ids.map((id) => q.inputValue(id)), ...["#power", "#fuel", "#per100km"].map((id) => q.textContent(id))]);

  // Every kind of character a link must carry unchanged: the fragment's own
  // separators, percent signs, Czech, Chinese, a character beyond 16 bits,
  // and a field of the longest text the core reads.
  const first = ["90 km/h #1 & r=2 %41 +", "Osobní automobil 0.3 ✓", "汽油 45.22 😀", "ž".repeat(65530) + "2.25"];
  await enter(first);
  await p.waitForURL(/^file:.*#r=90%20km%2Fh%20%231%20%26%20r%3D2%20%2541%20%2B&s=Osobn%C3%AD/);
  const firstShown = await shown(p);
  assert.deepEqual(firstShown.slice(0, 6), [...first, "6.855469", "2.526710"]);
  const link = p.url();
  const opened = await page(t, undefined, link);
  await waitText(opened.locator("#power"), "6.855469");
  assert.deepEqual(await shown(opened), firstShown);

  // A second calculation; Back and Forward move between the two, and Back
  // once more to the page as it opened.
  await enter(["130", "0.3", "45.22", "2.25"]);
  await p.waitForURL(/#r=130&/);
  const secondShown = await shown(p);
  const secondLink = p.url();
  await p.goBack();
  await waitText(p.locator("#power"), "6.855469");
  assert.deepEqual(await shown(p), firstShown);
  await p.goForward();
  await waitText(p.locator("#power"), "20.660446");
  assert.deepEqual(await shown(p), secondShown);

  // Texts too long for an address: computed, the note beside OK, the
  // address as it was.
  await enter(["100", "0.3", "45.22 " + "😀".repeat(200000), "2.25"]);
  await waitText(p.locator("#power"), "9.403935");
  await p.getByText("Zadání se do odkazu nevejde, adresa zůstala, jak byla.").waitFor();
  assert.equal(p.url(), secondLink);
  await p.goBack();
  await waitText(p.locator("#power"), "6.855469");
  await p.goBack();
  await waitText(p.locator("#power"), "0.00");
  assert.deepEqual(await shown(p), ["", "", "", "", "0.00", "0.00", "0.00"]);
  assert.equal(await p.isHidden("#link-note"), true);

  assert.deepEqual(await addScriptFromElsewhere(p), BLOCKED);
  // Nor does an inline script run whose hash the policy does not list.
  const inline = await p.evaluate(
    () =>
      new Promise((resolve) => {
        addEventListener("securitypolicyviolation", () => resolve([window.ran, window.kalvorViolations.splice(0)]));
        const script = document.createElement("script");
        script.textContent = "window.ran = true;";
        document.body.append(script);
      }),
  );
  assert.deepEqual(inline, [undefined, ["script-src-elem inline"]]);
});

test("served from 127.0.0.1: installable, offline once visited, the policy holding; nothing fetched from elsewhere", { timeout: 120000 }, async (t) => {
  const server = await serve();
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "kalvor-profile-"));
  const context = await launchProfile(profile);
  const elsewhere = [], blockedBy = [], errors = [];
  t.after(async () => {
    await context.close();
    if (server.listening) await stop(server);
    fs.rmSync(profile, { recursive: true });
    assert.deepEqual(elsewhere, [], "requests elsewhere than the server");
    assert.deepEqual(blockedBy, ["csp"], "the script from elsewhere, blocked by the policy");
    assert.deepEqual(errors.filter((e) => !e.includes(ELSEWHERE)), [], "console errors");
  });
  // The script put in from elsewhere is seen, and blocked before it leaves.
  context.on("request", (request) => {
    if (!request.url().startsWith(server.url) && request.url() !== ELSEWHERE) elsewhere.push(request.url());
  });
  context.on("requestfailed", (request) => request.url() === ELSEWHERE && blockedBy.push(request.failure().errorText));
  const p = context.pages()[0];
  p.on("console", (message) => message.type() === "error" && errors.push(message.text()));
  p.on("pageerror", (error) => errors.push(String(error)));
  await recordViolations(p);

  await p.goto(server.url);
  // Once the worker controls the page, it has kept the page's files.
  await p.evaluate(
    () =>
      navigator.serviceWorker.controller ||
      new Promise((resolve) => navigator.serviceWorker.addEventListener("controllerchange", resolve)),
  );
  const cdp = await context.newCDPSession(p);
  const manifest = await cdp.send("Page.getAppManifest");
  assert.equal(manifest.url, `${server.url}manifest.webmanifest`);
  assert.deepEqual(manifest.errors, []);
  assert.deepEqual((await cdp.send("Page.getInstallabilityErrors")).installabilityErrors, []);

  await stop(server);
  await p.reload();
  await p.fill("#speed", "200");
  for (const [id, entry] of Object.entries(PRESETS)) await p.fill(`#${id}`, entry);
  await p.click("#ok");
  await p.waitForURL(new RegExp(`^${server.url}#r=200&`));
  assert.equal(await p.textContent("#power"), "75.231481");
  assert.equal(await p.textContent("#fuel"), "27.727953");

  assert.deepEqual(await p.evaluate(() => window.kalvorViolations), []);
  assert.deepEqual(await addScriptFromElsewhere(p), BLOCKED);
});
