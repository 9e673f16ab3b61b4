// Kalvor in the browser: the window's calculation, with the same core
// compiled to WebAssembly, and a chart of power and fuel against speed.
//
// A classic script with the module inside it as base64, so that the page
// works opened from disk, where browsers refuse module scripts and fetch().
// Under Node.js it runs no page and exports the core instead (for the
// tests and benchmarks).
"use strict";
(function () {
  const WASM_BASE64 = "@KALVOR_WASM_BASE64@";

  // ---- Field texts as the window reads them ------------------------------

  // The window reads a field as the Windows-1250 bytes of its text. This is
  // the character of each byte from 0x80 on (\ufffd: a byte with none).
  const CP1250_HIGH =
    "\u20ac\ufffd\u201a\ufffd\u201e\u2026\u2020\u2021\ufffd\u2030\u0160\u2039\u015a\u0164\u017d\u0179" + // 80
    "\ufffd\u2018\u2019\u201c\u201d\u2022\u2013\u2014\ufffd\u2122\u0161\u203a\u015b\u0165\u017e\u017a" + // 90
    "\u00a0\u02c7\u02d8\u0141\u00a4\u0104\u00a6\u00a7\u00a8\u00a9\u015e\u00ab\u00ac\u00ad\u00ae\u017b" + // A0
    "\u00b0\u00b1\u02db\u0142\u00b4\u00b5\u00b6\u00b7\u00b8\u0105\u015f\u00bb\u013d\u02dd\u013e\u017c" + // B0
    "\u0154\u00c1\u00c2\u0102\u00c4\u0139\u0106\u00c7\u010c\u00c9\u0118\u00cb\u011a\u00cd\u00ce\u010e" + // C0
    "\u0110\u0143\u0147\u00d3\u00d4\u0150\u00d6\u00d7\u0158\u016e\u00da\u0170\u00dc\u00dd\u0162\u00df" + // D0
    "\u0155\u00e1\u00e2\u0103\u00e4\u013a\u0107\u00e7\u010d\u00e9\u0119\u00eb\u011b\u00ed\u00ee\u010f" + // E0
    "\u0111\u0144\u0148\u00f3\u00f4\u0151\u00f6\u00f7\u0159\u016f\u00fa\u0171\u00fc\u00fd\u0163\u02d9"; // F0

  // Characters Windows-1250 lacks that the window's field still turns into
  // one a number is made of: its best fit, as Wine gives it under code page
  // 1250 (WM_GETTEXT of an edit control holding each character). Every
  // other character it lacks becomes '?', which a number never holds.
  const BEST_FIT = new Map(
    Object.entries({
      "+": "\u251c\u2524\u2534\u253c\u256c\u2640\uff0b",
      "-": "\u2010\u2011\u2194\u2212\u2502\u250c\u2518\u2554\u255d\u2580\u2584\u2588\u2591\u2592\u2593\u25ac\uff0d",
      ".": "\uff0e",
      "0": "\u2080\u25cb\u25d9\u263c\uff10",
      "1": "\u00b9\u00bc\u00bd\u2081\uff11",
      "2": "\u00b2\u2082\uff12",
      "3": "\u00b3\u00be\u2083\uff13",
      "4": "\u2074\u2084\uff14",
      "5": "\u2075\u2085\uff15",
      "6": "\u2076\u2086\uff16",
      "7": "\u2077\u2087\uff17",
      "8": "\u2078\u2088\uff18",
      "9": "\u2089\uff19",
      "E": "\u00c8\u00ca\u0112\u0114\u0116\u2107\u2130\uff25",
      "e": "\u00e8\u00ea\u0113\u0115\u0117\u212e\u212f\uff45",
    }).flatMap(([fit, units]) => [...units].map((u) => [u.charCodeAt(0), fit.charCodeAt(0)])),
  );

  const CP1250_BYTES = new Map();
  for (let i = 0; i < CP1250_HIGH.length; i++) {
    if (CP1250_HIGH[i] !== "\ufffd") CP1250_BYTES.set(CP1250_HIGH.charCodeAt(i), 0x80 + i);
  }

  // The byte the window holds for one UTF-16 code unit of a field.
  function fieldByte(unit) {
    if (unit < 0x80) return unit;
    return CP1250_BYTES.get(unit) ?? BEST_FIT.get(unit) ?? 0x3f; // '?'
  }

  // Writes a field of `length` units, the nth as byte byteAt(n), to out at
  // offset: cut at the first NUL and after limit bytes, then a terminating
  // zero, as the window reads a field.
  function writeField(length, byteAt, out, offset, limit) {
    let n = 0;
    for (; n < length && n < limit; n++) {
      const byte = byteAt(n);
      if (byte === 0) break;
      out[offset + n] = byte;
    }
    out[offset + n] = 0;
  }
  // Typed text, as the window holds it.
  const encodeField = (text, out, offset, limit) =>
    writeField(text.length, (n) => fieldByte(text.charCodeAt(n)), out, offset, limit);

  // ---- The core -------------------------------------------------------------

  function wasmBytes() {
    const binary = atob(WASM_BASE64);
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
    return bytes;
  }

  // The four field texts in (speed, drag coefficient, calorific value,
  // frontal area); { ok: false } when one holds no digit, or the result
  // texts and numbers and the speed read (km/h).
  function createCore() {
    const core = new WebAssembly.Instance(new WebAssembly.Module(wasmBytes()), {}).exports;
    const limit = core.kalvor_field_limit();
    const fields = [0, 1, 2, 3].map((i) => core.kalvor_field(i));
    const memory = () => new Uint8Array(core.memory.buffer);

    function text(address) {
      const bytes = memory();
      let end = address;
      while (bytes[end] !== 0) end++;
      return String.fromCharCode(...bytes.subarray(address, end));
    }
    function outcome() {
      if (core.kalvor_compute() === 0) return { ok: false };
      return {
        ok: true,
        powerText: text(core.kalvor_power_text()),
        fuelText: text(core.kalvor_fuel_text()),
        per100kmText: text(core.kalvor_per100km_text()),
        power: core.kalvor_power(),
        fuel: core.kalvor_fuel(),
        per100km: core.kalvor_per100km(),
        speed: core.kalvor_speed(),
      };
    }
    return {
      limit,
      // Texts as typed: encoded as the window holds them.
      compute(texts) {
        const bytes = memory();
        texts.forEach((t, i) => encodeField(t, bytes, fields[i], limit));
        return outcome();
      },
      // Texts as the window's bytes (Uint8Array each).
      computeBytes(texts) {
        const bytes = memory();
        texts.forEach((t, i) => writeField(t.length, (n) => t[n], bytes, fields[i], limit));
        return outcome();
      },
      // Another speed with the other three texts of the last calculation.
      computeAtSpeed(speed) {
        encodeField(String(speed), memory(), fields[0], limit);
        return outcome();
      },
    };
  }

  if (typeof document === "undefined") {
    module.exports = { createCore };
    return;
  }

  // ---- The page ---------------------------------------------------------------

  // The page's Czech texts are those of its HTML; these replace them in
  // English, key by key (data-t).
  const ENGLISH = {
    title: "Kalvor 1.0.0",
    aboutItem: "About...",
    instructionsItem: "Instructions",
    language: "Česky",
    inputGroup: "Input",
    speedLabel: "Speed in kilometres",
    coefLabel: "Air drag coefficient",
    heatLabel: "Calorific value of the fuel in MJ / kg",
    areaLabel: "Frontal area in square metres",
    coefPreset: "Passenger car 0.3",
    heatPreset: "Petrol 45.22",
    areaPreset: "Passenger car 2.25",
    resultGroup: "Result",
    powerLabel: "Energy needed to balance air drag in kW / h",
    fuelLabel: "Fuel needed to balance air drag in litres/h",
    note: "Air drag grows with the square of speed",
    errorCaption: "error",
    errorText: "The text contains no digit\nFill in all the fields\nof the input",
    aboutCaption: "About Kalvor",
    aboutText:
      "Version \nKalvor1.0.1\nThe program is still being tested, so the author takes no " +
      "responsibility for any errors caused by the program.",
    instructionsCaption: "Instructions",
    instructionsText:
      "\nThe program is still being tested, so the author takes\n" +
      " no responsibility for any errors caused by the program.\n" +
      "Enter the values in the edit fields with a decimal point.\n" +
      "Speed in kilometres per hour.\n" +
      "Air drag coefficient, according to the kind of vehicle.\n" +
      "The calorific value must be entered in megajoules.\n" +
      "The frontal area is entered in square metres.\n" +
      "Then press the OK button to carry out the calculation.",
  };

  // The chart's texts, which only the script writes.
  const CHART_TEXTS = {
    cs: {
      caption: "Výkon a spotřeba podle rychlosti",
      speed: "rychlost v km/h",
      power: "výkon v kW",
      fuel: "spotřeba v l/h",
      entered: "zadaná rychlost",
      none: "žádná konečná hodnota",
      tooFast: "Pro tuto rychlost graf nakreslit nelze.",
      describe: (max, points, mark) =>
        `Výkon a spotřeba paliva při rychlostech od 0 do ${max} km/h, vypočtené ve ` +
        `${points} bodech. ${mark}`,
    },
    en: {
      caption: "Power and fuel against speed",
      speed: "speed in km/h",
      power: "power in kW",
      fuel: "fuel in l/h",
      entered: "entered speed",
      none: "no finite value",
      tooFast: "No chart can be drawn for this speed.",
      describe: (max, points, mark) =>
        `Power and fuel rate at speeds from 0 to ${max} km/h, computed at ${points} points. ` +
        `${mark}`,
    },
  };

  const core = createCore();
  const $ = (id) => document.getElementById(id);
  const inputs = ["speed", "coef", "heat", "area"].map($);
  let language = "cs";
  let chart = null; // the last chart's points, drawn again in the other language

  // Where a translated element holds its text: a list entry in its value.
  const textProperty = (el) => (el.tagName === "OPTION" ? "value" : "textContent");
  const czech = {};
  const translated = document.querySelectorAll("[data-t]");
  for (const el of translated) czech[el.dataset.t] = el[textProperty(el)];

  function setLanguage(lang) {
    language = lang;
    const texts = lang === "en" ? ENGLISH : czech;
    document.documentElement.lang = lang;
    for (const el of translated) el[textProperty(el)] = texts[el.dataset.t];
    $("language").lang = lang === "en" ? "cs" : "en";
    if (chart) drawChart(chart);
  }

  $("calc").addEventListener("submit", (event) => {
    event.preventDefault();
    const result = core.compute(inputs.map((input) => input.value));
    if (!result.ok) {
      $("error").showModal();
      return;
    }
    $("power").value = result.powerText;
    $("fuel").value = result.fuelText;
    chart = chartPoints(result);
    drawChart(chart);
  });
  $("language").addEventListener("click", () => setLanguage(language === "cs" ? "en" : "cs"));
  for (const button of document.querySelectorAll("[data-opens]")) {
    button.addEventListener("click", () => $(button.dataset.opens).showModal());
  }

  // ---- The chart ----------------------------------------------------------------

  const POINTS = 48;

  // Power and fuel from speed 0 to twice the entered speed (to 100 km/h
  // for speed 0, to the largest double when twice would overflow), every
  // point computed by the core from the other three texts as entered. An
  // infinite speed gets no chart.
  function chartPoints(result) {
    if (!Number.isFinite(result.speed)) return { result };
    const top = result.speed > 0 ? Math.min(2 * result.speed, Number.MAX_VALUE) : 100;
    const points = [];
    for (let i = 0; i <= POINTS; i++) {
      const speed = i === POINTS ? top : top * (i / POINTS);
      const point = core.computeAtSpeed(speed);
      points.push({ speed, power: point.power, fuel: point.fuel });
    }
    return { result, top, points };
  }

  // A round step that gives four or five intervals up to max.
  function ticks(max) {
    const raw = max / 5;
    const magnitude = 10 ** Math.floor(Math.log10(raw));
    const f = raw / magnitude;
    const step = (f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10) * magnitude;
    const values = [0];
    for (let k = 1; k <= 10 && step > 0 && (k * step) / max <= 1 + 1e-9; k++) values.push(k * step);
    if (values.length === 1) values.push(max);
    return values;
  }
  // Three digits at most; near the largest double the rounded text stays.
  const label = (v) => {
    const rounded = Number(v.toPrecision(3));
    return Number.isFinite(rounded) ? String(rounded) : v.toPrecision(3);
  };

  const SVG = "http://www.w3.org/2000/svg";
  function node(parent, name, attributes, text) {
    const el = document.createElementNS(SVG, name);
    for (const [k, v] of Object.entries(attributes)) el.setAttribute(k, v);
    if (text !== undefined) el.textContent = text;
    parent.appendChild(el);
    return el;
  }

  const WIDTH = 360, LEFT = 58, RIGHT = 344, PANEL = 100;
  function drawChart({ result, top, points }) {
    const t = CHART_TEXTS[language];
    const figure = $("chart");
    figure.hidden = false;
    $("chart-caption").textContent = t.caption;
    const holder = $("chart-plot");
    holder.textContent = "";
    if (!points) {
      holder.textContent = t.tooFast;
      return;
    }
    const svg = node(holder, "svg", {
      viewBox: `0 0 ${WIDTH} 300`,
      role: "img",
      "aria-labelledby": "chart-title chart-desc",
    });
    const x = (speed) => LEFT + (speed / top) * (RIGHT - LEFT);
    const mark = `${t.entered} ${result.speed} km/h: ${result.powerText} kW, ${result.fuelText} l/h.`;
    node(svg, "title", { id: "chart-title" }, t.caption);
    node(svg, "desc", { id: "chart-desc" }, t.describe(label(top), points.length, mark));

    const panels = [
      { key: "power", name: t.power, y0: 28, text: result.powerText, unit: "kW" },
      { key: "fuel", name: t.fuel, y0: 168, text: result.fuelText, unit: "l/h" },
    ];
    for (const p of panels) {
      const bottom = p.y0 + PANEL;
      const finite = points.map((q) => q[p.key]).filter(Number.isFinite);
      if (Number.isFinite(result[p.key])) finite.push(result[p.key]);
      const max = Math.max(0, ...finite) || 1;
      const y = (v) => bottom - (v / max) * PANEL;
      node(svg, "text", { x: 4, y: p.y0 - 14, class: "chart-name" }, p.name);
      for (const v of ticks(max)) {
        node(svg, "line", { x1: LEFT, x2: RIGHT, y1: y(v), y2: y(v), class: "chart-grid" });
        node(svg, "text", { x: LEFT - 4, y: y(v) + 4, class: "chart-tick", "text-anchor": "end" }, label(v));
      }
      if (finite.length === 0) {
        node(svg, "text", { x: (LEFT + RIGHT) / 2, y: p.y0 + PANEL / 2, "text-anchor": "middle" }, t.none);
      }
      // Points without a finite value leave a gap in the line.
      let path = "", pen = "M";
      for (const q of points) {
        if (!Number.isFinite(q[p.key])) {
          pen = "M";
          continue;
        }
        path += `${pen}${x(q.speed).toFixed(2)} ${y(q[p.key]).toFixed(2)}`;
        pen = "L";
      }
      if (path) node(svg, "path", { d: path, class: `chart-line chart-${p.key}` });

      const mx = x(result.speed);
      node(svg, "line", { x1: mx, x2: mx, y1: p.y0, y2: bottom, class: "chart-mark-line" });
      if (Number.isFinite(result[p.key])) {
        const dot = node(svg, "circle", { cx: mx, cy: y(result[p.key]), r: 4, class: "chart-mark" });
        node(dot, "title", {}, `${t.entered} ${result.speed} km/h: ${p.text} ${p.unit}`);
      }
    }
    for (const v of ticks(top)) {
      node(svg, "text", { x: x(v), y: 284, class: "chart-tick", "text-anchor": "middle" }, label(v));
    }
    node(svg, "text", { x: RIGHT, y: 298, class: "chart-name", "text-anchor": "end" }, t.speed);
  }
})();
