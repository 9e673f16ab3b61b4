// The browsers that show the page, for its tests, demonstration and
// measurements: Debian's Chromium and Firefox ESR through puppeteer-core
// (Chromium over the DevTools protocol, Firefox over WebDriver BiDi), and
// WebKitGTK's MiniBrowser through WebKitWebDriver and selenium-webdriver.
// Nothing is downloaded: each engine is the one Debian installed. Every
// engine's page has the same few operations, so that one suite runs in all.
import { execFileSync, spawn } from "node:child_process";
import net from "node:net";
import puppeteer from "puppeteer-core";
import { Builder, By, Key } from "selenium-webdriver";

export const PAGE_URL = new URL("../../build/web/index.html", import.meta.url).href;
export const ENGINES = ["chromium", "firefox", "webkit"];

const LAUNCH = {
  // Without the networking switches Chromium keeps trying to reach Google's
  // hosts, which this closed network refuses.
  chromium: {
    browser: "chrome",
    executablePath: process.env.KALVOR_CHROMIUM || "/usr/bin/chromium",
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
      "--disable-component-update", "--disable-sync"],
  },
  // A page a test works in need not be the tab in front, and Firefox runs a
  // tab's timers at most once a second behind: not so here, as puppeteer's
  // own switches do for Chromium.
  firefox: {
    browser: "firefox",
    executablePath: process.env.KALVOR_FIREFOX || "/usr/bin/firefox-esr",
    extraPrefsFirefox: {
      "dom.min_background_timeout_value": 4,
      "dom.min_background_timeout_value_without_budget_throttling": 4,
      "dom.timeout.enable_budget_timer_throttling": false,
    },
  },
};
const WEBKIT = {
  browserName: "MiniBrowser",
  "webkitgtk:browserOptions": {
    binary: "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser",
    args: ["--automation"],
  },
};
const SIZE = { width: 800, height: 900 }; // a page's unless another is asked for

// Polls a condition until it holds; resolves to its value.
export async function waitUntil(condition, what, every = 20) {
  for (const end = Date.now() + 30000; ; ) {
    const value = await condition();
    if (value) return value;
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
    await new Promise((resolve) => setTimeout(resolve, every));
  }
}

// What a page records, before its own script runs (WebKit: once loaded): its
// uncaught errors, and the breaches of its Content-Security-Policy.
function recorder() {
  if (window.kalvorErrors) return;
  [window.kalvorErrors, window.kalvorViolations] = [[], []];
  addEventListener("error", (e) => window.kalvorErrors.push(e.message));
  addEventListener("unhandledrejection", (e) => window.kalvorErrors.push(String(e.reason)));
  addEventListener("securitypolicyviolation", (e) =>
    window.kalvorViolations.push(`${e.effectiveDirective} ${e.blockedURI}`),
  );
}

// Real input through the X server, and its visible windows.
const xdo = (...args) => execFileSync("xdotool", args, { encoding: "utf8" });
const xWindows = () => {
  try {
    return xdo("search", "--onlyvisible", "--name", "").split("\n").filter(Boolean);
  } catch {
    return []; // none found
  }
};

// A page, on CSS selectors; each engine goes to an address, reloads,
// evaluates a function or a function's body (the driver puts it in: the
// page's policy allows it no strings) with JSON's arguments, clicks, types
// and presses "Enter", "Tab" or "Escape" its own way.
class Page {
  constructor(engine) {
    [this.engine, this.consoleErrors] = [engine, []];
  }
  waitFor(fn, ...args) {
    return waitUntil(() => this.evaluate(fn, ...args), `${fn} in ${this.engine}`);
  }
  // A field's text put in at once, as pasting does, or a drop-down's value.
  fill(selector, text) {
    return this.evaluate(
      (s, t) => {
        const field = document.querySelector(s);
        field.value = t;
        for (const type of ["input", "change"]) field.dispatchEvent(new Event(type, { bubbles: true }));
      },
      selector,
      text,
    );
  }
  focus(selector) {
    return this.evaluate((s) => document.querySelector(s).focus(), selector);
  }
  // The field's first entry picked from the browser's own drop-down, a
  // window that only real key presses reach: opened, waited for on the X
  // server, its entry highlighted and taken with Enter, given again while
  // the field is empty (an Enter that comes too soon is ignored).
  async pick(selector) {
    const before = new Set(xWindows());
    const open = () => xWindows().some((w) => !before.has(w));
    await this.openList(selector);
    await waitUntil(open, "the drop-down list");
    xdo("key", "Down");
    const value = () => this.evaluate((s) => document.querySelector(s).value, selector);
    const taken = async () => {
      if ((await value()) !== "") return true;
      if (open()) xdo("key", "Return");
      return false;
    };
    await waitUntil(taken, "the entry in the field", 100);
  }
  // Chromium and WebKit open a field's list on a click into it.
  openList(selector) {
    return this.click(selector);
  }
  // The page's uncaught errors, with the console's where the engine tells
  // them (Chromium and Firefox; WebKit's WebDriver does not).
  async errors() {
    return [...this.consoleErrors, ...(await this.evaluate(() => window.kalvorErrors))];
  }
}

// Chromium or Firefox: a puppeteer page.
class PuppeteerPage extends Page {
  constructor(engine, page, context) {
    super(engine);
    [this.page, this.context] = [page, context];
    page.on("console", (message) => message.type() === "error" && this.consoleErrors.push(message.text()));
    page.on("pageerror", (error) => this.consoleErrors.push(String(error)));
  }
  async start(size) {
    await this.page.setViewport(size);
    await this.page.evaluateOnNewDocument(recorder);
  }
  // Brought to the front, where the keys given through the X server go.
  async goto(url) {
    await this.page.goto(url);
    await this.page.bringToFront();
  }
  reload = () => this.page.reload();
  evaluate = (fn, ...args) => this.page.evaluate(typeof fn === "string" ? new Function(fn) : fn, ...args);
  click = (selector) => this.page.click(selector);
  type = (selector, text) => this.page.type(selector, text);
  press = (key) => this.page.keyboard.press(key);
  screenshot = (path) => this.page.screenshot({ path, fullPage: true });
  devTools = () => this.page.createCDPSession(); // Chromium's protocol, Chromium's alone
  close = () => (this.context ?? this.page).close();
  // Firefox takes the keyboard into the page only on a click through the X
  // server, and opens the list on Down.
  async openList(selector) {
    if (this.engine !== "firefox") return super.openList(selector);
    const at = await this.evaluate((s) => {
      const box = document.querySelector(s).getBoundingClientRect();
      return [mozInnerScreenX + box.x + box.width / 2, mozInnerScreenY + box.y + box.height / 2].map(Math.round);
    }, selector);
    xdo("mousemove", ...at.map(String), "click", "1");
    xdo("key", "Down");
  }
}

// WebKit: one MiniBrowser window, in a session of a WebKitWebDriver of its
// own, which serves one session at a time.
class WebDriverPage extends Page {
  constructor(driver, service) {
    super("webkit");
    [this.driver, this.service] = [driver, service];
  }
  // The window's outer size made such that the page gets the size asked for,
  // or as near as the window goes (MiniBrowser's is no narrower than its
  // toolbar, 447 px here).
  async start({ width, height }) {
    const [w, h] = await this.driver.executeScript("return [innerWidth, innerHeight]");
    const rect = await this.driver.manage().window().getRect();
    await this.driver.manage().window().setRect({ width: rect.width + width - w, height: rect.height + height - h });
  }
  async goto(url) {
    await this.driver.get(url);
    await this.evaluate(recorder);
  }
  async reload() {
    await this.driver.navigate().refresh();
    await this.evaluate(recorder);
  }
  evaluate = (fn, ...args) => this.driver.executeScript(fn, ...args);
  click = async (selector) => (await this.driver.findElement(By.css(selector))).click();
  type = async (selector, text) => (await this.driver.findElement(By.css(selector))).sendKeys(text);
  press = (key) => this.driver.actions().sendKeys(Key[key.toUpperCase()]).perform();
  async close() {
    await this.driver.quit().finally(() => this.service.kill());
  }
}

// A page of WebKit: WebKitWebDriver on a free port of 127.0.0.1, and its
// session.
async function openWebKit(size) {
  if (!process.env.DISPLAY) throw new Error("WebKit's MiniBrowser needs an X display");
  const port = await new Promise((resolve, reject) => {
    const server = net.createServer().once("error", reject);
    server.listen(0, "127.0.0.1", () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
  const service = spawn("/usr/bin/WebKitWebDriver", [`--port=${port}`], { stdio: "ignore" });
  process.once("exit", () => service.kill());
  const url = `http://127.0.0.1:${port}`;
  await waitUntil(() => fetch(`${url}/status`).then((r) => r.ok, () => false), "WebKitWebDriver");
  const page = new WebDriverPage(await new Builder().usingServer(url).withCapabilities(WEBKIT).build(), service);
  await page.start(size);
  return page;
}

// Starts an engine, headless without a display (WebKit cannot be). Its
// open() gives a page in a context of its own, or with { profile: true } in
// the browser's fresh profile, where alone Chromium offers to install a
// page (it takes a context of its own for incognito).
export async function launch(engine, { headless = !process.env.DISPLAY } = {}) {
  if (engine === "webkit") {
    return { engine, open: ({ profile, ...size } = {}) => openWebKit({ ...SIZE, ...size }), close() {} };
  }
  const browser = await puppeteer.launch({ ...LAUNCH[engine], headless });
  return {
    engine,
    async open({ profile = false, ...size } = {}) {
      const context = profile ? null : await browser.createBrowserContext();
      const page = new PuppeteerPage(engine, await (context ?? browser).newPage(), context);
      await page.start({ ...SIZE, ...size });
      return page;
    },
    close: () => browser.close(),
  };
}
