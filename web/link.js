// The inputs kept in the address: OK writes the four field texts into its
// fragment, so that the address can be bookmarked or shared, and opening
// such an address (or going Back and Forward to one) fills the fields and
// computes. A fragment never leaves the browser, from disk or from a
// server. The page gives it its calculation and its reset (followLinks).

const $ = (id) => document.getElementById(id);

// One short key a field, after the window's Czech names: rychlost,
// součinitel, teplo, plocha. Each text is percent-encoded UTF-8.
const LINK_KEYS = ["r", "s", "t", "p"];

// Chromium keeps no longer address (2 MiB); four fields of 65,534 Czech
// letters fit in it, texts far beyond what the core reads may not.
const LINK_LIMIT = 2 * 1024 * 1024;

// The fragment that was last written or followed: one the page has shown.
let linked = location.hash;

// The fragment for four texts, or null when one cannot be written as UTF-8
// (a lone half of a surrogate pair): a link never changes a text.
function linkFragment(texts) {
  try {
    return "#" + texts.map((text, i) => `${LINK_KEYS[i]}=${encodeURIComponent(text)}`).join("&");
  } catch {
    return null;
  }
}

// The four texts of a fragment, a missing key as an empty text; null when
// the fragment is not a link of this page.
function linkTexts(fragment) {
  const texts = ["", "", "", ""];
  let found = false;
  for (const pair of fragment.replace(/^#/, "").split("&")) {
    const i = LINK_KEYS.indexOf(pair.slice(0, pair.indexOf("=")));
    if (i < 0) continue;
    try {
      texts[i] = decodeURIComponent(pair.slice(pair.indexOf("=") + 1));
    } catch {
      return null;
    }
    found = true;
  }
  return found ? texts : null;
}

// After a calculation by OK: a new history entry with its texts, or the
// note beside OK when they do not fit, the address left as it was.
export function keepInLink(texts) {
  const fragment = linkFragment(texts);
  const address = location.href.split("#")[0] + fragment;
  const fits = fragment !== null && address.length <= LINK_LIMIT;
  $("link-note").hidden = fits;
  if (!fits || fragment === location.hash) return;
  history.pushState(null, "", fragment);
  linked = fragment;
}

// Follows the address with the page's calculate(texts) and clearPage():
// its link computed as the page opens, and again whenever it changes.
export function followLinks(calculate, clearPage) {
  // The address's texts, computed, when it holds a link not yet shown; the
  // page as it opened for an address without one (Back to the first entry).
  function followLink() {
    if (location.hash === linked) return;
    linked = location.hash;
    $("link-note").hidden = true;
    const texts = linkTexts(location.hash);
    if (texts) calculate(texts);
    else clearPage();
  }

  // Back and Forward between calculations, and a link typed over the address.
  addEventListener("popstate", followLink);
  addEventListener("hashchange", followLink);
  const texts = linkTexts(location.hash);
  if (texts) calculate(texts);
}
