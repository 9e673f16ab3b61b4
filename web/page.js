// The page: its texts in both languages, the fields, OK and the boxes, set
// up as the module runs; the chart and the link made in the document. Every
// line that touches the document or the browser is here (and in kalvor.js,
// which starts following the address and registers the worker): the other
// modules are plain computations, which Node.js loads and tests.
import { chartFigure, chartPoints } from "./chart.js";
import { createCore } from "./core.js";
import { linkFragment, linkTexts, linkUnits } from "./link.js";
import { per100kmText } from "./per100km.js";
import { UNIT_SYSTEMS, listEntries } from "./units.js";

// The page's Czech texts are those of its HTML (the build writes in those
// it shares with the window); these replace them in English, key by key
// (data-t). The caption is the same in both languages. KALVOR_VERSION is
// the version, which the build defines.
const ENGLISH = {
  description:
    "Kalvor computes the power needed to overcome air drag at a given speed and the fuel it costs per hour " +
    "and per 100 km. It computes in the browser, offline too.",
  aboutItem: "About...",
  instructionsItem: "Instructions",
  language: "Česky",
  unitsLabel: "Units",
  unitsMetric: "metric (km/h, m², kW, litres)",
  unitsUk: "UK (mph, ft², hp, UK gallons)",
  unitsUs: "US (mph, ft², hp, US gallons)",
  inputGroup: "Input",
  speedLabel: "Speed in kilometres",
  coefLabel: "Air drag coefficient",
  heatLabel: "Calorific value of the fuel in MJ / kg",
  areaLabel: "Frontal area in square metres",
  resultGroup: "Result",
  powerLabel: "Energy needed to balance air drag in kW / h",
  fuelLabel: "Fuel needed to balance air drag in litres/h",
  per100kmLabel: "Fuel per 100 km (air drag only) in litres",
  linkTooLong: "The input does not fit into a link; the address stays as it was.",
  linkRefused: "The browser refused to change the address; it stays as it was.",
  note: "Air drag grows with the square of speed",
  errorCaption: "error",
  errorText: "The text contains no digit\nFill in all the fields\nof the input",
  aboutCaption: "About Kalvor",
  aboutText:
    `Version \nKalvor${KALVOR_VERSION}\nThe program is still being tested, so the author takes no ` +
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

// The labels that name another unit in UK and US units, in each language
// (in metric units the page's own texts stand).
const imperial = (cs, en) => ({
  cs: {
    speedLabel: "Rychlost v mílích za hodinu",
    areaLabel: "Čelní plocha ve čtverečních stopách",
    powerLabel: "Potřebný výkon k vyrovnání odporu vzduchu v koních (hp)",
    fuelLabel: `Palivo potřebné na vyrovnání odporu vzduchu v ${cs[0]} galonech/h`,
    per100kmLabel: `Míle na ${cs[1]} galon (jen odpor vzduchu), mpg`,
  },
  en: {
    speedLabel: "Speed in miles per hour",
    areaLabel: "Frontal area in square feet",
    powerLabel: "Power needed to balance air drag in horsepower (hp)",
    fuelLabel: `Fuel needed to balance air drag in ${en} gallons/h`,
    per100kmLabel: `Miles per ${en} gallon (air drag only), mpg`,
  },
});
const UNIT_LABELS = {
  m: { cs: {}, en: {} },
  uk: imperial(["britských", "britský"], "UK"),
  us: imperial(["amerických", "americký"], "US"),
};

const core = createCore();
const $ = (id) => document.getElementById(id);
const inputs = ["speed", "coef", "heat", "area"].map($);
let language = "cs";
let units = "m";
let chart = null; // the last chart's points, drawn again in the other language
let chartTask = 0; // the chart still to be drawn after the results

// Where a translated element holds its text: the page's description in its
// content.
const textProperty = (el) => (el.tagName === "META" ? "content" : "textContent");
const czech = {};
const translated = document.querySelectorAll("[data-t]");
for (const el of translated) czech[el.dataset.t] = el[textProperty(el)];

// The texts, the lists' entries and the chart in a language ("cs" or "en")
// and a unit system ("m", "uk" or "us"): the labels that name another unit
// come from UNIT_LABELS. A list field that holds one of the lists' entries
// gets the same vehicle's or fuel's entry in the new ones.
function show(lang, system) {
  const before = listEntries(language, units);
  [language, units] = [lang, system];
  const texts = { ...czech, ...(lang === "en" ? ENGLISH : {}), ...UNIT_LABELS[system][lang] };
  document.documentElement.lang = lang;
  for (const el of translated) el[textProperty(el)] = texts[el.dataset.t];
  $("language").lang = lang === "en" ? "cs" : "en";
  $("units").value = system;
  const entries = listEntries(lang, system);
  for (const [i, key] of ["coef", "heat", "area"].entries()) {
    $(`${key}-list`).replaceChildren(...entries[key].map((entry) => new Option("", entry)));
    const field = inputs[i + 1];
    const k = before[key].indexOf(field.value);
    if (k >= 0) field.value = entries[key][k];
  }
  if (chart) drawChart();
}

// Another unit system: the fields are read in its units from now on, so the
// results and the chart of the units before go.
function setUnits(system) {
  if (system === units) return;
  show(language, system);
  clearResults();
}

// The unit system the user chose last on this device, for a visit without
// a link (nothing is sent anywhere; a browser that keeps nothing, or none
// for a page from disk, gets metric).
const UNITS_STORED = "kalvor-units";
function storedUnits() {
  try {
    const stored = localStorage.getItem(UNITS_STORED);
    return UNIT_SYSTEMS.includes(stored) ? stored : "m";
  } catch {
    return "m";
  }
}
function storeUnits(system) {
  try {
    localStorage.setItem(UNITS_STORED, system);
  } catch {} // the choice holds for this visit
}

// An element of the chart's SVG tree (chart.js), made in the document.
function svgElement({ name, attributes, text, children }) {
  const el = document.createElementNS("http://www.w3.org/2000/svg", name);
  for (const [k, v] of Object.entries(attributes)) el.setAttribute(k, v);
  if (text !== undefined) el.textContent = text;
  el.append(...children.map(svgElement));
  return el;
}

// The last calculation's chart, in the page's language.
function drawChart() {
  const { caption, svg, message } = chartFigure(chart, language);
  $("chart").hidden = false;
  $("chart-caption").textContent = caption;
  $("chart-plot").replaceChildren(svg ? svgElement(svg) : message);
}

// The results as the page opens, before any calculation.
const results = ["power", "fuel", "per100km"].map($);
const initialResults = results.map((el) => el.value);

// One calculation from the four texts, as OK makes it: the results and the
// chart, or the error box with the results left as they were. Says whether
// it gave results.
function calculate(texts) {
  texts.forEach((text, i) => (inputs[i].value = text));
  const result = core.compute(texts, units);
  if (!result.ok) {
    $("error").showModal();
    return false;
  }
  $("power").value = result.powerText;
  $("fuel").value = result.fuelText;
  $("per100km").value = per100kmText(result);
  // The chart follows in a task of its own, so that the results show first.
  clearTimeout(chartTask);
  chartTask = setTimeout(() => {
    chart = chartPoints(core, result, texts);
    drawChart();
  });
  return true;
}

// The results as the page opened, and no chart.
function clearResults() {
  results.forEach((el, i) => (el.value = initialResults[i]));
  clearTimeout(chartTask);
  chart = null;
  $("chart").hidden = true;
}

// Back to the page as it opened: empty fields, no results, no chart.
function clearPage() {
  for (const input of inputs) input.value = "";
  clearResults();
}

// The fragment that was last written or followed: one the page has shown.
let linked = location.hash;

// The address changes at most once in LINK_PAUSE ms. A held Enter computes
// some 30 times a second, and browsers refuse a page that changes its
// address that often (WebKit throws after 100 changes in 10 seconds): the
// OKs that come during the pause are written at its end, the last one's
// texts into the same history entry, so that a burst of calculations leaves
// one entry.
const LINK_PAUSE = 500;
let linkPause = 0; // the pause's timer, while it runs
let held = null; // the fragment of the last OK during the pause, as { fragment }

// After a calculation by OK: its texts in the address, now or once the
// pause is over.
function keepInLink(texts) {
  const fragment = linkFragment(texts, location.href, units);
  if (linkPause) held = { fragment };
  else writeLink(fragment, "pushState");
}

// The fragment written into the address, as a new history entry or into
// the current one (history's pushState or replaceState), or the note beside
// OK saying why not, the address left as it was: the texts do not fit
// (no fragment), or the browser refused the change.
function writeLink(fragment, method) {
  if (fragment !== null && fragment !== location.hash) {
    try {
      history[method](null, "", fragment);
    } catch {} // refused: the note says so
    linked = location.hash;
    linkPause = setTimeout(endLinkPause, LINK_PAUSE);
  }
  $("link-note").hidden = fragment === location.hash;
  $("link-too-long").hidden = fragment !== null;
  $("link-refused").hidden = fragment === null;
}

function endLinkPause() {
  const last = held;
  linkPause = 0;
  held = null;
  if (last) writeLink(last.fragment, "replaceState");
}

// The address's link, if it holds one, computed as the page opens, and
// again whenever the address changes (Back and Forward between
// calculations, a link typed over the address); Back to an address without
// one brings back the page as it opened.
export function followAddress() {
  addEventListener("popstate", follow);
  addEventListener("hashchange", follow);
  computeLink(linkTexts(location.hash));

  function follow() {
    if (location.hash === linked) return;
    linked = location.hash;
    // A link followed ends the pause: what OK held back belongs to the page left.
    clearTimeout(linkPause);
    linkPause = 0;
    held = null;
    $("link-note").hidden = true;
    const texts = linkTexts(location.hash);
    if (texts) computeLink(texts);
    else clearPage();
  }
}

// A link's calculation, in the link's unit system, which it sets.
function computeLink(texts) {
  if (!texts) return;
  setUnits(linkUnits(location.hash));
  calculate(texts);
}

// Installable and offline after the first visit: served over http(s), the
// page registers its service worker (sw.js, a script of its own beside the
// page, not one of these modules), which keeps the page's files for the
// next visit without a network. Opened from disk it registers nothing.
export function registerWorker() {
  if ((location.protocol === "https:" || location.protocol === "http:") && "serviceWorker" in navigator) {
    // Without the worker the page still works; it only will not open offline.
    navigator.serviceWorker.register("sw.js").catch(() => {});
  }
}

$("calc").addEventListener("submit", (event) => {
  event.preventDefault();
  const texts = inputs.map((input) => input.value);
  // The link follows the results, as the chart does: writing the address
  // takes longer than the calculation.
  if (calculate(texts)) setTimeout(() => keepInLink(texts));
});
$("language").addEventListener("click", () => show(language === "cs" ? "en" : "cs", units));
$("units").addEventListener("change", () => {
  storeUnits($("units").value);
  setUnits($("units").value);
});
show(language, storedUnits());
for (const button of document.querySelectorAll("[data-opens]")) {
  button.addEventListener("click", () => $(button.dataset.opens).showModal());
}
