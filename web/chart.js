// The chart: power, fuel rate and litres per 100 km against speed, plain
// SVG. The page gives it its core and its language, and makes the SVG
// tree of chartFigure in the document.
import { per100kmText } from "./per100km.js";
import { SYMBOLS } from "./units.js";

// The chart's texts, which only the script writes; the units of each
// unit system (SYMBOLS) follow the names of the speed and the panels, and
// the third panel is the litres per 100 km or the miles per gallon.
const CHART_TEXTS = {
  cs: {
    caption: "Výkon a spotřeba podle rychlosti",
    speed: "rychlost v",
    power: "výkon v",
    fuel: "spotřeba v",
    per100km: { m: "spotřeba v", uk: "dojezd na galon v", us: "dojezd na galon v" },
    entered: "zadaná rychlost",
    none: "žádná konečná hodnota",
    tooFast: "Pro tuto rychlost graf nakreslit nelze.",
    describe: (max, points, mark, units) =>
      (units === "m" ? "Výkon a spotřeba paliva za hodinu a na 100 km" : "Výkon, spotřeba paliva za hodinu a míle na galon") +
      ` při rychlostech od 0 do ${max} ${SYMBOLS[units].speed}, vypočtené ve ${points} bodech. ${mark}`,
  },
  en: {
    caption: "Power and fuel against speed",
    speed: "speed in",
    power: "power in",
    fuel: "fuel in",
    per100km: { m: "fuel in", uk: "fuel economy in", us: "fuel economy in" },
    entered: "entered speed",
    none: "no finite value",
    tooFast: "No chart can be drawn for this speed.",
    describe: (max, points, mark, units) =>
      (units === "m" ? "Power and fuel per hour and per 100 km" : "Power, fuel per hour and miles per gallon") +
      ` at speeds from 0 to ${max} ${SYMBOLS[units].speed}, computed at ${points} points. ${mark}`,
  },
};

const POINTS = 48;

// Power, fuel rate and litres per 100 km (or miles per gallon) from speed
// 0 to twice the entered speed (to 100 for speed 0, to the largest double
// when twice would overflow), every point computed by the core from the
// other three texts as entered, in the result's unit system. An infinite
// speed gets no chart.
export function chartPoints(core, result, texts) {
  if (!Number.isFinite(result.speed)) return {};
  const top = result.speed > 0 ? Math.min(2 * result.speed, Number.MAX_VALUE) : 100;
  const points = [];
  for (let i = 0; i <= POINTS; i++) {
    const speed = top * (i / POINTS); // the last one is top itself
    const point = core.compute([String(speed), ...texts.slice(1)], result.units);
    points.push({ speed, power: point.power, fuel: point.fuel, per100km: point.per100km });
  }
  return { result, top, points };
}

// 0 and the multiples of the smallest round step (1, 2 or 5 times a power
// of ten) that leaves at most five intervals up to max; 0 and max where
// max / 5 rounds to 0 (max a few times the smallest double).
function ticks(max) {
  const raw = max / 5;
  const magnitude = 10 ** Math.floor(Math.log10(raw));
  const f = raw / magnitude;
  const step = (f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10) * magnitude;
  const values = [0];
  for (let k = 1; step > 0 && (k * step) / max <= 1 + 1e-9; k++) values.push(k * step);
  if (values.length === 1) values.push(max);
  return values;
}
// Three digits at most; near the largest double the rounded text stays.
const label = (v) => {
  const rounded = Number(v.toPrecision(3));
  return Number.isFinite(rounded) ? String(rounded) : v.toPrecision(3);
};

// An SVG element as plain data, appended to its parent's children: the
// page makes the tree in the document (page.js).
function node(parent, name, attributes, text) {
  const el = { name, attributes, text, children: [] };
  parent?.children.push(el);
  return el;
}

// Three panels of the same width, one under the other, the speed axis below;
// where each text stands beside its place is up to the style sheet.
const WIDTH = 360, LEFT = 58, RIGHT = 344, PANEL = 100, PANEL_STEP = 140, TOP = 28;
// The figure of chartPoints in the language given ("cs" or "en"): its
// caption, and the chart as an SVG tree ({ name, attributes, text,
// children }), or the sentence that stands instead where there is none.
export function chartFigure({ result, top, points }, language) {
  const t = CHART_TEXTS[language];
  if (!points) return { caption: t.caption, message: t.tooFast };
  const u = SYMBOLS[result.units];
  const panels = [
    { key: "power", name: `${t.power} ${u.power}`, text: result.powerText, unit: u.power },
    { key: "fuel", name: `${t.fuel} ${u.fuel}`, text: result.fuelText, unit: u.fuel },
    { key: "per100km", name: `${t.per100km[result.units]} ${u.per100km}`, text: per100kmText(result), unit: u.per100km },
  ];
  const axis = TOP + (panels.length - 1) * PANEL_STEP + PANEL;
  const svg = node(null, "svg", {
    viewBox: `0 0 ${WIDTH} ${axis + 32}`,
    role: "img",
    "aria-labelledby": "chart-title chart-desc",
  });
  const x = (speed) => LEFT + (speed / top) * (RIGHT - LEFT);
  const entered = `${t.entered} ${result.speed} ${u.speed}`;
  const mark = `${entered}: ${panels.map((p) => `${p.text} ${p.unit}`).join(", ")}.`;
  node(svg, "title", { id: "chart-title" }, t.caption);
  node(svg, "desc", { id: "chart-desc" }, t.describe(label(top), points.length, mark, result.units));

  panels.forEach((p, i) => (p.y0 = TOP + i * PANEL_STEP));
  for (const p of panels) {
    const bottom = p.y0 + PANEL;
    // The entered speed is among the points (the middle one). Miles per
    // gallon grow without bound as the speed falls to 0: their panel ends
    // at four times the entered speed's, and slower points are off it.
    const ceiling = p.key === "per100km" && result.units !== "m" ? 4 * result.per100km : Infinity;
    const onScale = (v) => Number.isFinite(v) && !(v > ceiling);
    const finite = points.map((q) => q[p.key]).filter(onScale);
    const max = Math.max(0, ...finite) || 1;
    const y = (v) => bottom - (v / max) * PANEL;
    node(svg, "text", { x: 4, y: p.y0 - 14, class: "chart-name" }, p.name);
    for (const v of ticks(max)) {
      node(svg, "line", { x1: LEFT, x2: RIGHT, y1: y(v), y2: y(v), class: "chart-grid" });
      node(svg, "text", { x: LEFT - 4, y: y(v), class: "chart-tick" }, label(v));
    }
    if (finite.length === 0) {
      node(svg, "text", { x: (LEFT + RIGHT) / 2, y: p.y0 + PANEL / 2, class: "chart-none" }, t.none);
    }
    // Points without a finite value, or off the panel, leave a gap.
    let path = "", pen = "M";
    for (const q of points) {
      if (!onScale(q[p.key])) {
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
      node(dot, "title", {}, `${entered}: ${p.text} ${p.unit}`);
    }
  }
  for (const v of ticks(top)) {
    node(svg, "text", { x: x(v), y: axis + 16, class: "chart-speed-tick" }, label(v));
  }
  node(svg, "text", { x: RIGHT, y: axis + 30, class: "chart-speed-name" }, `${t.speed} ${u.speed}`);
  return { caption: t.caption, svg };
}
