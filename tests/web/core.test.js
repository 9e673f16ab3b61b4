// The page's modules in Node.js (all but page.js, the document's; Stryker
// mutates them against these tests): web/core.js with the WebAssembly module
// as the page's script carries it (base64, build/wasm/kalvor-wasm.js), held
// to the native build's texts and the window's reading of its fields; the
// chart from the core's results; the link's fragment.
import assert from "node:assert/strict";
import fs from "node:fs";
import test from "node:test";
import { chartFigure, chartPoints } from "../../web/chart.js";
import { createCore } from "../../web/core.js";
import { encodeField } from "../../web/fields.js";
import { readTexts } from "../../tools/web/texts.js";
import { linkFragment, linkTexts, linkUnits } from "../../web/link.js";
import { SYMBOLS, listEntries } from "../../web/units.js";
import { per100kmText } from "../../web/per100km.js";

const core = createCore();
const PRESETS = ["Osobní automobil 0.3", "Benzin 45.22", "Osobní automobil 2.25"];

test("the native oracle run's cases give the same texts: 100,000 in metric, litres per 100 km included, and UK and US", () => {
  const file = new URL("../../build/oracle-cases.tsv", import.meta.url);
  assert.ok(fs.existsSync(file), `${file} is missing: cmake --workflow --preset native writes it`);
  // Bytes, as the window holds the texts: the cases use Windows-1250.
  const data = fs.readFileSync(file);
  // The mutation run (stryker.config.mjs) computes an even sample of them.
  const stride = Math.ceil(100000 / (Number(process.env.KALVOR_ORACLE_SAMPLE) || 100000));
  const counts = { m: 0, uk: 0, us: 0 };
  let count = 0;
  const mismatches = [];
  for (let start = 0, end; start < data.length; start = end + 1) {
    end = data.indexOf(0x0a, start);
    if (end < 0) end = data.length;
    // Four texts, three results, and the units where they are not metric
    // (the results are numbers or a dash: only the units end in "\tuk" or
    // "\tus"). Only the lines sampled are split.
    const tail = data.toString("latin1", end - 3, end);
    const units = tail === "\tuk" || tail === "\tus" ? tail.slice(1) : undefined;
    counts[units ?? "m"]++;
    if (++count % stride) continue;
    const fields = [];
    for (let from = start; from <= end; ) {
      let tab = data.indexOf(0x09, from);
      if (tab < 0 || tab > end) tab = end;
      fields.push(data.subarray(from, tab));
      from = tab + 1;
    }
    const result = core.computeBytes(fields.slice(0, 4), units);
    const expected = fields.slice(4, 7).map((b) => b.toString("latin1")).join(" ");
    const got = `${result.powerText} ${result.fuelText} ${result.per100kmText}`;
    if (!result.ok || got !== expected) mismatches.push(`line ${count}: expected ${expected}, got ${got}`);
  }
  assert.ok(Object.values(counts).every((n) => n >= 100000), `only ${JSON.stringify(counts)} cases`);
  assert.deepEqual(mismatches.slice(0, 10), [], `${mismatches.length} of ${count} cases differ`);
});

test("unit systems: m, uk and us only; the third result's dash also where miles per gallon have no litres", () => {
  for (const units of ["", "M", "toString"]) {
    assert.throws(() => core.compute(["1", "1", "1", "1"], units), new RangeError(`no such unit system: ${units}`));
    assert.throws(() => core.computeBytes([], units), RangeError);
  }
  const third = (units, texts) => per100kmText(core.compute(texts, units));
  const [zero, none, us] = [["100", "0", "1", "2"], ["0", "1", "1", "1"], ["62.137119", "0.3", "45.22", "24.2187"]];
  const got = [third("m", zero), third("uk", zero), third("us", none), third("us", us)];
  assert.deepEqual(got, ["0.000000", "\u2014", "\u2014", "67.863803"]);
});

test("typed texts become the window's bytes: Windows-1250, Wine's best fits, cut at a NUL and at the limit", () => {
  // The bytes written for a text, with the bytes around the field (0xaa
  // before it, and after its terminating zero) checked untouched.
  const written = (text) => {
    const out = new Uint8Array(core.limit + 3).fill(0xaa);
    encodeField(text, out, 1, core.limit);
    const end = out.indexOf(0, 1);
    assert.ok(end > 0 && out[0] === 0xaa && out.subarray(end + 1).every((b) => b === 0xaa), "written beside the field");
    return Buffer.from(out.subarray(1, end)).toString("latin1");
  };
  // Every character of Windows-1250 as its byte; the five bytes it leaves
  // undefined decode as C1 controls, characters the window lacks.
  const cp1250 = new TextDecoder("windows-1250");
  for (let byte = 0x80; byte <= 0xff; byte++) {
    const char = cp1250.decode(Uint8Array.of(byte));
    assert.equal(written(char), char < "\u00a0" ? "?" : String.fromCharCode(byte), `byte ${byte}`);
  }
  // What Windows-1250 lacks reads as under Wine: the fullwidth forms of what
  // a number is made of as those characters, anything else without a best
  // fit (a superscript nine among them) as '?', one for each UTF-16 unit.
  for (const c of "+-.0123456789Ee") assert.equal(written(String.fromCharCode(c.charCodeAt(0) + 0xfee0)), c);
  assert.equal(written("\u0080\u2079\ufffd😀"), "?????");
  // The window's limit: 65,534 bytes, and the text ends at a NUL.
  assert.equal(core.limit, 65534);
  assert.equal(written("x".repeat(core.limit + 5)), "x".repeat(core.limit));
  assert.equal(written("12\u00003"), "12");
  // In the core, the last character of the longest field still counts, and
  // no digit beyond it.
  assert.deepEqual(core.compute(["x".repeat(core.limit - 3) + "100", ...PRESETS]), core.compute(["100", ...PRESETS]));
  assert.deepEqual(core.compute([" ".repeat(core.limit) + "100", ...PRESETS]), { ok: false });
});

// The chart's SVG tree against its points: everything within the view; in
// each panel, under its name, the value ticks left of the plot, larger
// values higher, the points (first and last included) where the axes read
// their speed and value, the highest at the top; the entered speed's mark
// likewise, named as the description ends (mark).
const all = (el) => [el, ...el.children.flatMap(all)];
const close = (a, b) => Math.abs(a - b) <= 0.01 + Math.abs(b) * 1e-12;
// An axis's ticks ([value, place]) up to max: 0 and the multiples of the
// smallest round step that leaves at most five intervals (0 and max where
// max / 5 rounds to 0). Gives the place of a value.
function axis(ticks, max) {
  const values = ticks.map(([value]) => value);
  const [step, last] = [values[1], values.at(-1)];
  const smaller = step * (step.toExponential().startsWith("5") ? 0.4 : 0.5);
  const round = /^[125]e/.test(step.toExponential()) && max / step <= 5 + 1e-9 && max / smaller > 5;
  assert.ok(max / 5 === 0 ? last === max : round && last <= max * (1 + 1e-9) && max < last + step, `${values}: ${max}`);
  assert.ok(values.every((value, k) => close(value, k * step)), `${values}`);
  return (value) => ticks[0][1] + (value / step) * (ticks[1][1] - ticks[0][1]);
}
function assertChart(svg, { result, points }, topText, mark) {
  const els = all(svg);
  const of = (list, name) => list.filter((el) => el.attributes.class === name);
  const [, , width, height] = svg.attributes.viewBox.split(" ").map(Number);
  for (const { name, attributes: a } of els) {
    assert.match(name, /^(svg|title|desc|text|line|path|circle)$/);
    for (const k of ["x", "x1", "x2", "cx"]) assert.ok(!(k in a) || (a[k] >= 0 && a[k] <= width), k);
    for (const k of ["y", "y1", "y2", "cy"]) assert.ok(!(k in a) || (a[k] >= 0 && a[k] <= height), k);
  }
  const named = svg.attributes["aria-labelledby"].split(" ").map((id) => els.find((el) => el.attributes.id === id));
  assert.deepEqual([svg.attributes.role, ...named.map((el) => el.name)], ["img", "title", "desc"]);
  const desc = named[1].text;
  mark ??= desc.slice(desc.lastIndexOf(". ") + 2);
  assert.ok(desc.includes(` ${topText} ${SYMBOLS[result.units].speed}`) && desc.includes(` ${points.length} `) && desc.endsWith(` ${mark}`), desc);
  const speedTicks = of(els, "chart-speed-tick");
  const xAt = axis(speedTicks.map((t) => [Number(t.text), t.attributes.x]), points.at(-1).speed);
  const plot = of(els, "chart-grid")[0].attributes;
  assert.ok(close(xAt(0), plot.x1) && close(xAt(points.at(-1).speed), plot.x2), "the speed axis spans the plot");
  const names = of(svg.children, "chart-name");
  const starts = [...names.map((name) => svg.children.indexOf(name)), svg.children.length];
  const spans = ["power", "fuel", "per100km"].map((key, i) => {
    const panel = svg.children.slice(starts[i], starts[i + 1]);
    const [{ attributes: span }] = of(panel, "chart-mark-line"); // the panel's height
    const ceiling = key === "per100km" && result.units !== "m" ? 4 * result.per100km : Infinity;
    const finite = points.filter((q) => Number.isFinite(q[key]) && !(q[key] > ceiling));
    const values = [...finite, result].map((q) => q[key]).filter(Number.isFinite);
    const ticks = of(panel, "chart-tick");
    const yAt = axis(ticks.map((t) => [Number(t.text), t.attributes.y]), Math.max(0, ...values) || 1); // 1 for none
    assert.ok(names[i].attributes.y < span.y1 && ticks[0].attributes.y === span.y2 && ticks[1].attributes.y < span.y2);
    assert.ok(ticks.every(({ attributes: { x, y } }) => x < plot.x1 && y >= span.y1 && y <= span.y2), key);
    const path = of(panel, `chart-line chart-${key}`).map((line) => line.attributes.d);
    assert.match(path.join("|"), finite.length ? /^M[\d.]+ [\d.]+(L[\d.]+ [\d.]+)*$/ : /^$/);
    const drawn = path.join().slice(1).split("L").filter(Boolean).map((point) => point.split(" ").map(Number));
    assert.deepEqual([path.length, drawn.length], [Math.min(finite.length, 1), finite.length], key);
    assert.ok(drawn.every(([x, y], j) => close(x, xAt(finite[j].speed)) && close(y, yAt(finite[j][key]))), key);
    assert.ok(!(Math.max(...values) > 0) || close(Math.min(...drawn.map(([, y]) => y)), span.y1), `${key}: top`);
    const none = of(panel, "chart-none").map(({ attributes: { y } }) => y > span.y1 && y < span.y2);
    assert.deepEqual(none, finite.length ? [] : [true]);
    const dots = of(panel, "chart-mark").map(({ attributes: { cx, cy }, children: [title] }) => [cx, cy, title.text]);
    const title = `${mark.split(": ")[0]}: ${mark.slice(0, -1).split(": ")[1].split(", ")[i]}`;
    assert.deepEqual(dots.map(([, , text]) => text), Number.isFinite(result[key]) ? [title] : []);
    const marked = dots.every(([cx, cy]) => cx === span.x1 && close(cy, yAt(result[key])));
    assert.ok(close(span.x1, xAt(result.speed)) && marked, `${key}: the mark`);
    return span;
  });
  // The panels apart; the speed axis under them, nearer than they are to
  // each other, its name under its ticks.
  const [below, between, name] = [spans[2].y2, names[1].attributes.y - spans[0].y2, of(els, "chart-speed-name")[0]];
  assert.ok(spans[0].y2 < names[1].attributes.y && spans[1].y2 < names[2].attributes.y);
  assert.ok(speedTicks.every(({ attributes: { y } }) => y > below && y - below < between && y < name.attributes.y));
}

test("the chart: the core's own results at their speeds, where its axes read them, in both languages", () => {
  const words = { cs: [], en: [] };
  // The texts, the speed axis's top, as the description says it, and the
  // description's sentence on the entered speed. Then round steps of 1, 2
  // and 5 exactly at the top, and a panel of a few times the smallest double.
  const cases = [
    [["100", ...PRESETS], 200, "200", "zadaná rychlost 100 km/h: 9.403935 kW, 3.465994 l/h, 3.465994 l/100 km."],
    [["0", PRESETS[0], "0", PRESETS[2]], 100, "100", "zadaná rychlost 0 km/h: 0.000000 kW, nan l/h, — l/100 km."],
    [["1e308", ...PRESETS], Number.MAX_VALUE, "1.80e+308", "zadaná rychlost 1e+308 km/h: inf kW, inf l/h, — l/100 km."],
    [["1e999", ...PRESETS]],
    [["25", ...PRESETS], 50, "50"],
    [["125", ...PRESETS], 250, "250"],
    [["100", "1e-20", "1.86e306", "1"], 200, "200"],
    // In US units (the speed in mph), the points too.
    [["100", ...PRESETS], 200, "200", "zadaná rychlost 100 mph: 4.883398 hp, 0.354561 US gal/h, 282.038717 mpg (US).", "us"],
    // Miles per gallon below a quarter of the entered speed's off the panel.
    [["1000", ...PRESETS], 2000, "2000", "zadaná rychlost 1000 mph: 4883.398212 hp, 295.234000 UK gal/h, 3.387144 mpg (UK).", "uk"],
  ];
  for (const [texts, top, topText, mark, units] of cases) {
    const result = core.compute(texts, units);
    const chart = chartPoints(core, result, texts);
    // 49 points evenly from 0 to twice the speed (100 km/h for none, the
    // largest double beyond; no chart for an infinite speed), each the
    // core's result at its speed.
    assert.equal(chart.points?.length, top && 49);
    chart.points?.forEach((q, i) => {
      const { power, fuel, per100km } = core.compute([String(q.speed), ...texts.slice(1)], units);
      assert.ok(close(q.speed, top * (i / 48)), `speed ${q.speed}`);
      assert.deepEqual(q, { speed: q.speed, power, fuel, per100km });
    });
    for (const language of ["cs", "en"]) {
      const { caption, svg, message } = chartFigure(chart, language);
      words[language].push(caption, message ?? all(svg).flatMap((el) => el.text ?? []));
      const said = language === "cs" ? mark : mark?.replace("zadaná rychlost", "entered speed");
      if (!chart.points) continue;
      assertChart(svg, chart, topText, said);
      // The description names the third result: per 100 km, or per gallon.
      assert.match(all(svg).find((el) => el.attributes.id === "chart-desc").text, (units ?? "m") === "m" ? /100 km (při|at) / : /gall?on (při|at) /);
    }
  }
  // Every text in English too, none missing or beginning with its unit, the
  // numbers alike.
  const [cs, en] = [words.cs.flat(), words.en.flat()];
  assert.equal(cs.length, en.length);
  cs.forEach((c, i) => assert.ok(/^[^\s]/.test(c) && /^[^\s]/.test(en[i]) && c === en[i] === /^[\d.e+-]+$/.test(c), `${c} | ${en[i]}`));
  assert.ok(![...cs, ...en].some((w) => w.includes("undefined")));
});

test("a link keeps any four texts, the fragment's own separators too, and holds no other", () => {
  const page = "file:///kalvor/index.html#r=1";
  const texts = ["90 km/h #1 & r=2 %41 +", "Osobní automobil 0.3 ✓", "汽油 45.22 😀", ""];
  const fragment = linkFragment(texts, page);
  assert.equal(fragment.split("&")[0], "#r=90%20km%2Fh%20%231%20%26%20r%3D2%20%2541%20%2B");
  assert.deepEqual(linkTexts(fragment), texts);
  // Any order, a missing key an empty text, a part without "=" none of its
  // pairs; a fragment without a key of the page's or with a broken escape
  // is no link.
  assert.deepEqual([linkTexts("#p=2&x=1&r=9=0"), linkTexts("#s=1&t&p5")], [["9=0", "", "", "2"], ["", "1", "", ""]]);
  for (const other of ["", "#", "#x=1", "#r", "#p5", "#r1&t2", "#r=%E0", "#r=1&u=xx"]) assert.equal(linkTexts(other), null, other);
  for (const units of ["m", "uk", "us"]) assert.deepEqual(linkTexts(`#u=${units}&r=1`), ["1", "", "", ""]);
  // The unit system after the texts, none for metric, the last one read.
  assert.equal(linkFragment(["1", "2", "3", "4"], page, "us"), "#r=1&s=2&t=3&p=4&u=us");
  assert.deepEqual(["#r=1&u=uk", "#u=us&r=1&u=uk", "#r=1"].map(linkUnits), ["uk", "uk", "m"]);
  // The longest address Chromium keeps (2 MiB, the page's own fragment not
  // counted) and no longer; a lone half of a surrogate pair: no link.
  const longest = "a".repeat(2 * 1024 * 1024 - "file:///kalvor/index.html#r=&s=&t=&p=".length);
  assert.equal(linkFragment([longest, "", "", ""], page), `#r=${longest}&s=&t=&p=`);
  assert.equal(linkFragment([longest + "a", "", "", ""], page), null);
  assert.equal(linkFragment(["\ud800", "", "", ""], page), null);
});

test("the lists: the window's entries first, each value where a field's number starts, the areas alike in m² and ft²", () => {
  const window = readTexts();
  const [metric, us] = [listEntries("cs", "m"), listEntries("en", "us")];
  assert.deepEqual([metric.coef[0], metric.heat[0], metric.area[0]], [window.TEXT_COEF_ENTRY, window.TEXT_HEAT_ENTRY, window.TEXT_AREA_ENTRY]);
  assert.ok(metric.coef.length >= 5 && metric.area.length >= 5 && us.area.length === metric.area.length);
  const value = (entry) => entry.slice(entry.search(/\d/));
  for (const entry of [...Object.values(metric), ...Object.values(us)].flat()) assert.match(entry, /^\p{L}\D* \d+(\.\d+)?$/u, entry);
  metric.area.forEach((entry, i) => {
    const ratio = (Number(value(us.area[i])) * 0.09290304) / Number(value(entry));
    assert.ok(Math.abs(ratio - 1) < 0.02, `${entry} | ${us.area[i]}`);
  });
});
