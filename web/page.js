// The page: its texts in both languages, the fields, OK and the boxes, set
// up as the module runs; the chart and the link made in the document. Every
// line that touches the document or the browser is here (and in kalvor.js,
// which starts following the address and registers the worker): the other
// modules are plain computations, which Node.js loads and tests.
import { chartFigure, chartPoints } from "./chart.js";
import { createCore } from "./core.js";
import { linkFragment, linkTexts } from "./link.js";
import { per100kmText } from "./per100km.js";

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
  per100kmLabel: "Fuel per 100 km (air drag only) in litres",
  linkTooLong: "The input does not fit into a link; the address stays as it was.",
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

const core = createCore();
const $ = (id) => document.getElementById(id);
const inputs = ["speed", "coef", "heat", "area"].map($);
let language = "cs";
let chart = null; // the last chart's points, drawn again in the other language
let chartTask = 0; // the chart still to be drawn after the results

// Where a translated element holds its text: a list entry in its value,
// the page's description in its content.
const textProperty = (el) => ({ OPTION: "value", META: "content" })[el.tagName] ?? "textContent";
const czech = {};
const translated = document.querySelectorAll("[data-t]");
for (const el of translated) czech[el.dataset.t] = el[textProperty(el)];

function setLanguage(lang) {
  language = lang;
  const texts = lang === "en" ? ENGLISH : czech;
  document.documentElement.lang = lang;
  for (const el of translated) el[textProperty(el)] = texts[el.dataset.t] ?? czech[el.dataset.t];
  $("language").lang = lang === "en" ? "cs" : "en";
  if (chart) drawChart();
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
  const result = core.compute(texts);
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

// Back to the page as it opened: empty fields, no results, no chart.
function clearPage() {
  for (const input of inputs) input.value = "";
  results.forEach((el, i) => (el.value = initialResults[i]));
  clearTimeout(chartTask);
  chart = null;
  $("chart").hidden = true;
}

// The fragment that was last written or followed: one the page has shown.
let linked = location.hash;

// After a calculation by OK: a new history entry with its texts, or the
// note beside OK when they do not fit, the address left as it was.
function keepInLink(texts) {
  const fragment = linkFragment(texts, location.href);
  $("link-note").hidden = fragment !== null;
  if (fragment === null || fragment === location.hash) return;
  history.pushState(null, "", fragment);
  linked = fragment;
}

// The address's link, if it holds one, computed as the page opens, and
// again whenever the address changes (Back and Forward between
// calculations, a link typed over the address); Back to an address without
// one brings back the page as it opened.
export function followAddress() {
  addEventListener("popstate", follow);
  addEventListener("hashchange", follow);
  const texts = linkTexts(location.hash);
  if (texts) calculate(texts);

  function follow() {
    if (location.hash === linked) return;
    linked = location.hash;
    $("link-note").hidden = true;
    const texts = linkTexts(location.hash);
    if (texts) calculate(texts);
    else clearPage();
  }
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
$("language").addEventListener("click", () => setLanguage(language === "cs" ? "en" : "cs"));
for (const button of document.querySelectorAll("[data-opens]")) {
  button.addEventListener("click", () => $(button.dataset.opens).showModal());
}
