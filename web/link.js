// The inputs kept in the address: OK writes the four field texts into its
// fragment, so that the address can be bookmarked or shared, and opening
// such an address (or going Back and Forward to one) fills the fields and
// computes. A fragment never leaves the browser, from disk or from a
// server. This is the fragment's form; the page writes and follows it.
import { UNIT_SYSTEMS } from "./units.js";

// One short key a field, after the window's Czech names: rychlost,
// součinitel, teplo, plocha. Each text is percent-encoded UTF-8.
const LINK_KEYS = ["r", "s", "t", "p"];
// And the unit system's key, "u" (metric is no key).
const UNITS_KEY = "u";

// Chromium keeps no longer address (2 MiB); four fields of 65,534 Czech
// letters fit in it, texts far beyond what the core reads may not.
const LINK_LIMIT = 2 * 1024 * 1024;

// The fragment that keeps four texts in the page's address (whose own
// fragment it replaces), with the unit system ("m", "uk" or "us"; metric
// is no key at all), or null where a text cannot be written as UTF-8 (a
// lone half of a surrogate pair) or the address would be too long: a link
// never changes a text.
export function linkFragment(texts, address, units = "m") {
  let fragment;
  try {
    fragment = "#" + texts.map((text, i) => `${LINK_KEYS[i]}=${encodeURIComponent(text)}`).join("&");
  } catch {
    return null;
  }
  if (units !== "m") fragment += `&${UNITS_KEY}=${units}`;
  return address.split("#")[0].length + fragment.length <= LINK_LIMIT ? fragment : null;
}

// The fragment's pairs (as location.hash gives it: empty, or "#" and what
// follows), each [key, value]; a part without "=" ("#p5") is none of them.
function pairs(fragment) {
  const parts = fragment.slice(1).split("&").filter((part) => part.includes("="));
  return parts.map((part) => [part.slice(0, part.indexOf("=")), part.slice(part.indexOf("=") + 1)]);
}

// The four texts of a fragment, a missing key as an empty text; null when
// the fragment is not a link of this page, or names a unit system that
// there is not.
export function linkTexts(fragment) {
  const texts = ["", "", "", ""];
  let found = false;
  for (const [key, value] of pairs(fragment)) {
    if (key === UNITS_KEY && !UNIT_SYSTEMS.includes(value)) return null;
    const i = LINK_KEYS.indexOf(key);
    if (i < 0) continue;
    try {
      texts[i] = decodeURIComponent(value);
    } catch {
      return null;
    }
    found = true;
  }
  return found ? texts : null;
}

// The unit system of a link's fragment: metric where it names none.
export function linkUnits(fragment) {
  let units = "m";
  for (const [key, value] of pairs(fragment)) if (key === UNITS_KEY) units = value;
  return units;
}
