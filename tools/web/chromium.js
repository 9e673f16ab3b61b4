// Debian's Chromium driven by playwright-core, for the browser edition's
// demonstration, tests and measurements. The page is opened from disk, as
// a user who unpacked the zip would, and every request that is not for a
// file is refused and counted: the page must need none.
import { chromium } from "playwright-core";

export const PAGE_URL = new URL("../../build/web/index.html", import.meta.url).href;

// Without the networking switches Chromium keeps trying to reach Google's
// hosts, which this closed network refuses. playwright gives every launch a
// fresh profile folder of its own.
const OPTIONS = {
  executablePath: process.env.KALVOR_CHROMIUM || "/usr/bin/chromium",
  args: [
    "--no-sandbox",
    "--disable-gpu",
    "--disable-quic",
    "--no-first-run",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
  ],
};
export function launch({ headless = true } = {}) {
  return chromium.launch({ ...OPTIONS, headless });
}

// A browser with a profile in the folder given, as a user's is: only there
// does Chromium consider installing a page (it never does in a profile of
// its own, which it takes for incognito). Headless; resolves to its context.
export function launchProfile(folder, { width = 800, height = 900 } = {}) {
  return chromium.launchPersistentContext(folder, { ...OPTIONS, headless: true, viewport: { width, height } });
}

// Every breach of the page's Content-Security-Policy, as the page is told of
// it, in window.kalvorViolations ("directive blocked-address").
export function recordViolations(page) {
  return page.addInitScript(() => {
    window.kalvorViolations = [];
    addEventListener("securitypolicyviolation", (e) =>
      window.kalvorViolations.push(`${e.effectiveDirective} ${e.blockedURI}`),
    );
  });
}

// A page in a context of its own, with the refused requests and the
// console's errors collected.
export async function openPage(browser, { width = 800, height = 900 } = {}) {
  const context = await browser.newContext({ viewport: { width, height } });
  const page = await context.newPage();
  const refused = [];
  const errors = [];
  await page.route("**/*", (route) => {
    const url = route.request().url();
    if (url.startsWith("file:")) return route.continue();
    refused.push(url);
    return route.abort();
  });
  page.on("console", (message) => {
    if (message.type() === "error") errors.push(message.text());
  });
  page.on("pageerror", (error) => errors.push(String(error)));
  await recordViolations(page);
  return { context, page, refused, errors };
}
