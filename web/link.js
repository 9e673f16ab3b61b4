// The inputs kept in the address: OK writes the four field texts into its
// fragment, so that the address can be bookmarked or shared, and opening
// such an address (or going Back and Forward to one) fills the fields and
// computes. A fragment never leaves the browser, from disk or from a
// server. This is the fragment's form; the page writes and follows it.

// One short key a field, after the window's Czech names: rychlost,
// součinitel, teplo, plocha. Each text is percent-encoded UTF-8.
const LINK_KEYS = ["r", "s", "t", "p"];

// Chromium keeps no longer address (2 MiB); four fields of 65,534 Czech
// letters fit in it, texts far beyond what the core reads may not.
const LINK_LIMIT = 2 * 1024 * 1024;

// The fragment that keeps four texts in the page's address (whose own
// fragment it replaces), or null where a text cannot be written as UTF-8
// (a lone half of a surrogate pair) or the address would be too long: a
// link never changes a text.
export function linkFragment(texts, address) {
  let fragment;
  try {
    fragment = "#" + texts.map((text, i) => `${LINK_KEYS[i]}=${encodeURIComponent(text)}`).join("&");
  } catch {
    return null;
  }
  return address.split("#")[0].length + fragment.length <= LINK_LIMIT ? fragment : null;
}

// The four texts of a fragment (as location.hash gives it: empty, or "#"
// and what follows), a missing key as an empty text; null when the
// fragment is not a link of this page. A part without "=" ("#p5") is none
// of its pairs.
export function linkTexts(fragment) {
  const texts = ["", "", "", ""];
  let found = false;
  for (const pair of fragment.slice(1).split("&")) {
    const equals = pair.indexOf("=");
    const i = equals < 0 ? -1 : LINK_KEYS.indexOf(pair.slice(0, equals));
    if (i < 0) continue;
    try {
      texts[i] = decodeURIComponent(pair.slice(equals + 1));
    } catch {
      return null;
    }
    found = true;
  }
  return found ? texts : null;
}
