// The page in Chromium, Firefox and WebKit (tools/web/browsers.js; KALVOR_ENGINES
// names some of them, "firefox,webkit"), each suite the same: opened from
// disk, and served from 127.0.0.1 as an installable page. With a display
// (the test command gives it a virtual one) the list entries are picked
// from the browser's own drop-down with real key presses, which only reach
// it through the X server.
import axe from "axe-core";
import assert from "node:assert/strict";
import fs from "node:fs";
import { after, before, describe, test } from "node:test";
import { ENGINES, PAGE_URL, launch } from "../../tools/web/browsers.js";
import { serve, stop } from "../../tools/web/serve.js";
import { readTexts, withoutMnemonic } from "../../tools/web/texts.js";
import { createCore } from "../../web/core.js";
import { per100kmText } from "../../web/per100km.js";
import { listEntries } from "../../web/units.js";

// The texts the page shares with the window, from their one source.
const T = readTexts();

const PRESETS = { coef: T.TEXT_COEF_ENTRY, heat: T.TEXT_HEAT_ENTRY, area: T.TEXT_AREA_ENTRY };
const RESULTS = ["#power", "#fuel", "#per100km"];

// Every 1,000th case of the native oracle run (build/oracle-cases.tsv):
// [units, the four texts as typed (the window's Windows-1250 bytes
// decoded), the three results as the page shows them: the oracle's power
// and fuel rate, and the third as the page shows the core's].
const core = createCore();
const CASES = new URL("../../build/oracle-cases.tsv", import.meta.url);
if (!fs.existsSync(CASES)) throw new Error(`${CASES.pathname} is missing: cmake --workflow --preset native writes it`);
const ORACLE_SAMPLE = fs
  .readFileSync(CASES)
  .toString("latin1")
  .split("\n")
  .filter((line, i) => line && i % 1000 === 0)
  .map((line) => {
    const [speed, coef, heat, area, power, fuel, , units = "m"] = line.split("\t");
    const texts = [speed, coef, heat, area].map((t) => new TextDecoder("windows-1250").decode(Buffer.from(t, "latin1")));
    return [units, ...texts, power, fuel, per100kmText(core.compute(texts, units))];
  });

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

// What the elements show: a field's or result's value, another's text.
const shown = (p, selectors) =>
  p.evaluate((s) => s.map((x) => document.querySelector(x).value ?? document.querySelector(x).textContent), selectors);
const waitText = (p, selector, text) =>
  p.waitFor((s, t) => (document.querySelector(s)?.value ?? document.querySelector(s)?.textContent) === t, selector, text);
// The address, once it matches the regular expression's source given.
const waitAddress = (p, source) => p.waitFor((s) => new RegExp(s).test(location.href) && location.href, source);
// The open box's caption and text, once one is open; none open.
const openBox = (p) =>
  p.waitFor(() => {
    const box = document.querySelector("dialog[open]");
    return box && [document.getElementById(box.getAttribute("aria-labelledby")).textContent, box.querySelector("p").innerText];
  });
const noBox = (p) => p.waitFor(() => !document.querySelector("dialog[open]"));
const focusButton = (p, name) =>
  p.evaluate((n) => [...document.querySelectorAll("button")].find((b) => b.textContent === n).focus(), name);
const fillPresets = async (p) => {
  for (const [id, entry] of Object.entries(PRESETS)) await p.fill(`#${id}`, entry);
};

// axe-core's WCAG 2.0 to 2.2 A and AA rules and best practices: no
// violation in the page's state named (axe is put in by the driver, which
// the page's policy does not hold back).
async function assertAccessible(p, state) {
  const rules = ["wcag2a", "wcag2aa", "wcag21a", "wcag21aa", "wcag22aa", "best-practice"];
  const violations = await p.evaluate(`${axe.source}; return axe.run({ runOnly: ${JSON.stringify(rules)} })
    .then((r) => r.violations.map((v) => v.id + ": " + v.nodes.map((n) => n.html).join(" ")))`);
  assert.deepEqual(violations, [], state);
}

for (const engine of process.env.KALVOR_ENGINES?.split(",") ?? ENGINES) {
  describe(engine, () => {
    let browser;
    before(async () => (browser = await launch(engine)));
    after(() => browser?.close());

    // A fresh page; at the end of the test, no request but for the page's
    // own files, no uncaught error, none in the console (the policy's own
    // reports aside: the breaches are counted as the page is told of them)
    // and no breach of the page's policy.
    async function page(t, { url = PAGE_URL, ...options } = {}) {
      const p = await browser.open(options);
      t.after(async () => {
        const errors = await p.errors();
        const [violations, fetched] = await p.evaluate(() => [
          window.kalvorViolations,
          performance.getEntriesByType("resource").map((r) => r.name),
        ]);
        await p.close();
        const own = url.startsWith("file:") ? "file:" : new URL(url).origin + "/";
        // The script from elsewhere is listed by Chromium, though the policy blocked it.
        assert.deepEqual(fetched.filter((u) => !u.startsWith(own) && u !== ELSEWHERE), [], "requests elsewhere");
        assert.deepEqual(errors.filter((e) => !e.includes(ELSEWHERE) && !/Content.Security.Policy/.test(e)), [], "errors");
        assert.deepEqual(violations, [], "breaches of the Content-Security-Policy");
      });
      await p.goto(url);
      return p;
    }

    test("computes as the window: typing, the list entries, OK and Enter, the error keeping the results", async (t) => {
      const p = await page(t);
      // The fields and results, found by their labels.
      const labels = ["SPEED", "COEF", "HEAT", "AREA", "POWER", "FUEL"].map((name) => T[`TEXT_${name}_LABEL`]);
      labels.push("Palivo na 100 km (jen odpor vzduchu) v litrech");
      const [speed, coef, heat, area, ...results] = await p.evaluate(
        (texts) => texts.map((s) => "#" + [...document.querySelectorAll("label")].find((l) => l.textContent === s).control.id),
        labels,
      );
      assert.deepEqual(results, RESULTS);

      assert.deepEqual(await shown(p, results), ["0.00", "0.00", "0.00"]);
      await assertAccessible(p, "the page as it opens");
      await p.click("#ok");
      assert.deepEqual(await openBox(p), [T.TEXT_ERROR_CAPTION, T.TEXT_ERROR]);
      await assertAccessible(p, "the error box");
      await p.press("Enter"); // the box's OK has the focus
      await noBox(p);
      assert.deepEqual(await shown(p, results), ["0.00", "0.00", "0.00"]);

      await p.type(speed, "100");
      for (const [list, entry] of [[coef, PRESETS.coef], [heat, PRESETS.heat], [area, PRESETS.area]]) {
        assert.equal(await p.evaluate((s) => document.querySelector(s).list.options[0].value, list), entry);
        if (process.env.DISPLAY) await p.pick(list);
        else await p.fill(list, entry);
        assert.deepEqual(await shown(p, [list]), [entry]);
      }
      await p.click("#ok");
      await waitText(p, "#power", "9.403935");
      // At 100 km/h the litres per 100 km are the litres per hour.
      assert.deepEqual(await shown(p, results), ["9.403935", "3.465994", "3.465994"]);

      // The chart, its three lines and the entered speed's marks.
      await waitText(p, "#chart svg[role=img] title", "Výkon a spotřeba podle rychlosti");
      assert.deepEqual(await p.evaluate(() => ["path", "circle"].map((e) => document.querySelectorAll(`#chart svg ${e}`).length)), [3, 3]);
      await assertAccessible(p, "after OK");

      // Enter in a field computes; a field without a digit brings the error
      // and leaves the results as they were.
      await p.fill(speed, "rychlost");
      await p.focus(speed);
      await p.press("Enter");
      assert.equal((await openBox(p))[0], "chyba");
      await p.click("#error button");
      await noBox(p);
      assert.deepEqual(await shown(p, results), ["9.403935", "3.465994", "3.465994"]);
      assert.equal(await p.evaluate(() => document.activeElement.id), "speed");

      await p.fill(coef, "1");
      await p.fill(area, "2");
      await p.fill(speed, "45");
      await p.press("Enter");
      await waitText(p, "#fuel", "0.935818");
      assert.deepEqual((await shown(p, results)).slice(0, 2), ["2.539062", "0.935818"]);
    });

    test("keyboard alone: the window's tab cycle, About and instructions, the switch to English and back", async (t) => {
      const p = await page(t);
      for (const box of ["ABOUT", "INSTRUCTIONS"]) {
        const [item, caption, lines] = ["ITEM", "CAPTION", ""].map((part) => T[`TEXT_${box}${part && "_"}${part}`]);
        await focusButton(p, withoutMnemonic(item));
        await p.press("Enter");
        // As shown: the line breaks and spaces survive the page's layout.
        assert.deepEqual(await openBox(p), [caption, lines]);
        await assertAccessible(p, caption);
        await p.press("Enter");
        await noBox(p);
      }

      // Every text changes to English (the caption aside), and
      // back to the same Czech.
      const texts = () => p.evaluate(() => [...document.querySelectorAll("[data-t]")].map((el) => el.content || el.textContent));
      const lang = () => p.evaluate(() => document.documentElement.lang);
      const czech = await texts();
      await p.fill("#speed", "100");
      for (const id of ["#coef", "#heat", "#area"]) await p.fill(id, "1");
      await p.focus("#speed");
      await p.press("Enter");
      await waitText(p, "#chart-title", "Výkon a spotřeba podle rychlosti");
      await focusButton(p, "English");
      await p.press("Enter");
      await waitText(p, "#chart-title", "Power and fuel against speed");
      assert.equal(await lang(), "en");
      await assertAccessible(p, "in English");
      const english = await texts();
      english.forEach((s, i) => {
        assert.ok(s && !s.includes("undefined"), `text ${i}: ${s}`);
        if (czech[i] !== T.TEXT_CAPTION) assert.notEqual(s, czech[i]);
      });
      assert.equal(await p.evaluate(() => document.getElementById("speed").labels[0].textContent), "Speed in kilometres");
      assert.deepEqual(await shown(p, ["#speed"]), ["100"]);
      await p.click("#language");
      assert.deepEqual(await texts(), czech);
      assert.equal(await lang(), "cs");

      // From OK through the four fields back to OK, in the window's order;
      // the page's own buttons may come in between, the window's do not.
      // Last, as from OK Tab leaves the page for the browser's own bar, and
      // Firefox then gives the page's buttons no more Enter.
      const focused = () => p.evaluate(() => document.activeElement.id);
      const window = ["speed", "coef", "heat", "area", "ok"];
      await p.focus("#ok");
      const order = [];
      while (order.length < window.length) {
        await p.press("Tab");
        const id = await focused();
        if (window.includes(id)) order.push(id);
      }
      assert.deepEqual(order, window);
    });

    test("fits a phone 360 px wide, long results included; the window's colours", async (t) => {
      const p = await page(t, { width: 360, height: 740 });
      await p.fill("#speed", "1e100");
      await fillPresets(p);
      await p.click("#ok");
      await p.waitFor(() => document.querySelector("#chart svg") !== null);
      assert.ok((await shown(p, ["#power"]))[0].length > 300);
      const overflow = () =>
        p.evaluate(() => document.documentElement.scrollWidth - document.documentElement.clientWidth);
      assert.equal(await overflow(), 0);
      await assertAccessible(p, "at 360 px");
      await focusButton(p, "Návod");
      await p.press("Enter");
      assert.equal((await openBox(p))[0], "Návod");
      assert.equal(await overflow(), 0);
      await p.press("Escape");
      await noBox(p);

      // No chart for an infinite speed: its sentence instead; no finite litres
      // per 100 km: the dash.
      await p.fill("#speed", "1e999");
      await p.click("#ok");
      await waitText(p, "#chart-plot", "Pro tuto rychlost graf nakreslit nelze.");
      assert.deepEqual(await shown(p, ["#per100km"]), ["—"]);

      const colours = await p.evaluate(() =>
        [["body", "backgroundColor"], ["label[for=speed]", "color"], ["#speed", "color"], ["#power", "borderTopStyle"]].map(
          ([s, property]) => getComputedStyle(document.querySelector(s))[property],
        ),
      );
      assert.deepEqual(colours, ["rgb(0, 127, 0)", "rgb(160, 255, 255)", "rgb(255, 255, 255)", "solid"]);
    });

    test("a link keeps the inputs: long and non-Latin texts, Back and Forward, too long for an address, a burst of OKs; no script from elsewhere", { timeout: 120000 }, async (t) => {
      // A fragment that is no link of the page's: the page as it opens.
      const p = await page(t, { url: `${PAGE_URL}#r1&p5` });
      const ids = ["#speed", "#coef", "#heat", "#area"];
      const all = [...ids, ...RESULTS];
      const asOpened = ["", "", "", "", "0.00", "0.00", "0.00"];
      assert.deepEqual(await shown(p, all), asOpened);
      assert.equal(await p.evaluate(() => document.querySelector("dialog[open]")), null);
      const enter = async (texts) => {
        for (const [i, text] of texts.entries()) await p.fill(ids[i], text);
        await p.click("#ok");
      };
      const back = (q, forward) => q.evaluate((f) => (f ? history.forward() : history.back()), forward);

      // Every kind of character a link must carry unchanged: the fragment's own
      // separators, percent signs, Czech, Chinese, a character beyond 16 bits,
      // and a field of the longest text the core reads. Firefox driven over
      // WebDriver BiDi loses its tab once the address passes some 200,000
      // characters (160,000 kept; without the driver it keeps 250,000): there
      // the long field is of 10,000 letters, 60,000 characters in the address.
      const long = "ž".repeat(engine === "firefox" ? 10000 : 65530);
      const first = ["90 km/h #1 & r=2 %41 +", "Osobní automobil 0.3 ✓", "汽油 45.22 😀", long + "2.25"];
      await enter(first);
      const link = await waitAddress(p, "^file:.*#r=90%20km%2Fh%20%231%20%26%20r%3D2%20%2541%20%2B&s=Osobn%C3%AD");
      const firstShown = await shown(p, all);
      assert.deepEqual(firstShown.slice(0, 6), [...first, "6.855469", "2.526710"]);
      const opened = await page(t, { url: link });
      await waitText(opened, "#power", "6.855469");
      assert.deepEqual(await shown(opened, all), firstShown);

      // A second calculation; Back and Forward move between the two, and Back
      // once more to the page as it opened.
      await enter(["130", "0.3", "45.22", "2.25"]);
      const secondLink = await waitAddress(p, "#r=130&");
      const secondShown = await shown(p, all);
      await back(p);
      await waitText(p, "#power", "6.855469");
      assert.deepEqual(await shown(p, all), firstShown);
      await back(p, true);
      await waitText(p, "#power", "20.660446");
      assert.deepEqual(await shown(p, all), secondShown);

      // Texts too long for an address: computed, the note beside OK, the
      // address as it was.
      await enter(["100", "0.3", "45.22 " + "😀".repeat(200000), "2.25"]);
      await waitText(p, "#power", "9.403935");
      const note = await p.waitFor(() => !document.getElementById("link-note").hidden && document.getElementById("link-note").innerText);
      assert.equal(note.trim(), "Zadání se do odkazu nevejde, adresa zůstala, jak byla."); // WebKit ends it with a line break
      assert.equal(await p.evaluate(() => location.href), secondLink);
      await back(p);
      await waitText(p, "#power", "6.855469");
      await back(p);
      await waitText(p, "#power", "0.00");
      assert.deepEqual(await shown(p, all), asOpened);
      assert.equal(await p.evaluate(() => document.getElementById("link-note").hidden), true);

      // A held Enter: OK after OK, each as a task of its own, with another
      // speed; then the address holds the last texts (and nothing is thrown,
      // which the page's end checks).
      await fillPresets(p);
      await p.evaluate(async () => {
        for (let i = 1; i <= 150; i++) {
          document.getElementById("speed").value = String(i);
          document.getElementById("ok").click();
          await new Promise((resolve) => setTimeout(resolve));
        }
      });
      await waitAddress(p, "#r=150&s=Osobn%C3%AD%20automobil%200\\.3&t=Benzin%2045\\.22&p=Osobn%C3%AD%20automobil%202\\.25$");
      assert.deepEqual(await shown(p, all), ["150", ...Object.values(PRESETS), "31.738281", "11.697730", "7.798487"]);
      assert.equal(await p.evaluate(() => document.getElementById("link-note").hidden), true);

      assert.deepEqual(await addScriptFromElsewhere(p), BLOCKED);
      // Nor does an inline script run whose hash the policy does not list.
      const inline = await p.evaluate(
        () =>
          new Promise((resolve) => {
            addEventListener("securitypolicyviolation", () => resolve([window.ran === true, window.kalvorViolations.splice(0)]));
            const script = document.createElement("script");
            script.textContent = "window.ran = true;";
            document.body.append(script);
          }),
      );
      assert.deepEqual(inline, [false, ["script-src-elem inline"]]);
    });

    test("units: each choice's labels, list areas and the core's exact texts, kept in a link, remembered without one", async (t) => {
      const p = await page(t);
      const label = (id) => p.evaluate((i) => document.getElementById(i).labels[0].textContent, id);
      const texts = ["60", PRESETS.coef, PRESETS.heat, listEntries("cs", "us").area[0]];
      await p.fill("#units", "us");
      assert.deepEqual([await label("speed"), await label("per100km")], ["Rychlost v mílích za hodinu", "Míle na americký galon (jen odpor vzduchu), mpg"]);
      assert.equal(await p.evaluate(() => document.getElementById("area").list.options[0].value), texts[3]);
      for (const [i, id] of ["#speed", "#coef", "#heat", "#area"].entries()) await p.fill(id, texts[i]);
      await p.click("#ok");
      // The core's texts in Node.js for the same texts and units.
      const { powerText, fuelText, per100kmText } = createCore().compute(texts, "us");
      await waitText(p, "#power", powerText);
      assert.deepEqual(await shown(p, RESULTS), [powerText, fuelText, per100kmText]);
      const link = await waitAddress(p, "&u=us$");
      // Another choice reads the fields in its units: no results of the
      // others; the area's entry becomes the same vehicle's in m².
      await p.fill("#units", "m");
      assert.deepEqual(await shown(p, [...RESULTS, "#area"]), ["0.00", "0.00", "0.00", PRESETS.area]);
      // A link's units win over the choice remembered (US), which a visit
      // without a link gets.
      const opened = await page(t, { url: link });
      await waitText(opened, "#power", powerText);
      assert.equal(await opened.evaluate(() => document.getElementById("units").value), "us");
      await p.goto(`${PAGE_URL}#r=1&s=1&t=1&p=1`);
      await p.fill("#units", "uk");
      for (const [url, units] of [[`${PAGE_URL}#r=1&s=1&t=1&p=1`, "m"], [PAGE_URL, "uk"]]) {
        await p.goto(url);
        await p.reload();
        assert.equal(await p.evaluate(() => document.getElementById("units").value), units);
      }
    });

    test("the oracle's cases in this engine's WebAssembly, through the page's fields and OK, in each unit system", async (t) => {
      const p = await page(t);
      const shownResults = await p.evaluate(
        (cases) =>
          cases.map(([units, ...texts]) => {
            const $ = (id) => document.getElementById(id);
            if ($("units").value !== units) {
              $("units").value = units;
              $("units").dispatchEvent(new Event("change"));
            }
            ["speed", "coef", "heat", "area"].forEach((id, i) => ($(id).value = texts[i]));
            $("ok").click();
            return [units, ...texts, ...["power", "fuel", "per100km"].map((id) => $(id).value)];
          }),
        ORACLE_SAMPLE.map((c) => c.slice(0, 5)),
      );
      assert.equal(ORACLE_SAMPLE.length, 300);
      assert.deepEqual(shownResults, ORACLE_SAMPLE);
    });

    test("served from 127.0.0.1: offline once visited, installable in Chromium, the policy holding", { timeout: 120000 }, async (t) => {
      const server = await serve();
      t.after(() => server.listening && stop(server));
      const p = await page(t, { url: server.url, profile: true });
      // Once the worker controls the page, it has kept the page's files.
      await p.waitFor(() => navigator.serviceWorker.controller !== null);
      // Only Chromium tells whether it would install a page, through its
      // DevTools protocol. Firefox and WebKit offer no installing and do not
      // read the manifest (the worker alone asks for it, to keep it).
      if (engine === "chromium") {
        const devTools = await p.devTools();
        const manifest = await devTools.send("Page.getAppManifest");
        assert.equal(manifest.url, `${server.url}manifest.webmanifest`);
        assert.deepEqual(manifest.errors, []);
        assert.deepEqual((await devTools.send("Page.getInstallabilityErrors")).installabilityErrors, []);
      }

      await stop(server);
      await p.reload();
      await p.fill("#speed", "200");
      await fillPresets(p);
      await p.click("#ok");
      await waitAddress(p, `^${server.url}#r=200&`);
      assert.deepEqual(await shown(p, ["#power", "#fuel"]), ["75.231481", "27.727953"]);
      assert.deepEqual(await addScriptFromElsewhere(p), BLOCKED);
    });
  });
}
