// The browsers that show the browser edition, for its tests, demonstration
// and measurements: Debian's Chromium and Firefox ESR through puppeteer-core
// (Chromium over the DevTools protocol, Firefox over WebDriver BiDi), and
// WebKitGTK's MiniBrowser through WebKitWebDriver and selenium-webdriver.
// Nothing is downloaded: each engine is the one Debian installed. Each gives
// a page the same few operations, so that one suite runs in all three.
import { execFileSync, spawn } from "node:child_process";
import fs from "node:fs";
import net from "node:net";
import puppeteer from "puppeteer-core";
import { Builder, By, Key } from "selenium-webdriver";

export const PAGE_URL = new URL("../../build/web/index.html", import.meta.url).href;
export const ENGINES = ["chromium", "firefox", "webkit"];

// Without the networking switches Chromium keeps trying to reach Google's
// hosts, which this closed network refuses.
const CHROMIUM = {
  browser: "chrome",
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
// The page a test works in need not be the tab in front, and Firefox runs
// the timers of a tab behind at most once a second: these preferences keep
// it from that, as puppeteer's own switches do for Chromium.
const FIREFOX = {
  browser: "firefox",
  executablePath: process.env.KALVOR_FIREFOX || "/usr/bin/firefox-esr",
  extraPrefsFirefox: {
    "dom.min_background_timeout_value": 4,
    "dom.min_background_timeout_value_without_budget_throttling": 4,
    "dom.timeout.enable_budget_timer_throttling": false,
  },
};
const WEBKIT_DRIVER = "/usr/bin/WebKitWebDriver";
const MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser";
// A page's size unless one is asked for.
const SIZE = { width: 800, height: 900 };

// Polls a condition, every `every` ms, until it holds; resolves to its value.
async function waitUntil(condition, what, { every = 20, timeout = 30000 } = {}) {
  for (const end = Date.now() + timeout; ; ) {
    const value = await condition();
    if (value) return value;
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
    await new Promise((resolve) => setTimeout(resolve, every));
  }
}

// What each page records before its own script runs: its uncaught errors
// (in window.kalvorErrors) and every breach of its Content-Security-Policy,
// as the page is told of it ("directive blocked-address", in
// window.kalvorViolations).
function recorder() {
  if (window.kalvorErrors) return;
  window.kalvorErrors = [];
  window.kalvorViolations = [];
  addEventListener("error", (e) => window.kalvorErrors.push(e.message));
  addEventListener("unhandledrejection", (e) => window.kalvorErrors.push(String(e.reason)));
  addEventListener("securitypolicyviolation", (e) =>
    window.kalvorViolations.push(`${e.effectiveDirective} ${e.blockedURI}`),
  );
}

// The operations every engine's page has. A selector is a CSS selector; a
// key is "Enter", "Tab" or "Escape". evaluate and waitFor run a function in
// the page, with arguments that JSON carries; evaluate also runs a string as
// a function's body, as WebDriver does (the driver puts it in: the page's
// policy allows the page no evaluation of strings).
class Page {
  constructor(engine) {
    this.engine = engine;
  }
  // Resolves to the function's value once it is true.
  waitFor(fn, ...args) {
    return waitUntil(() => this.evaluate(fn, ...args), `${fn} in ${this.engine}`);
  }
  // Puts the text into the field at once, as pasting it does, or the value
  // into a drop-down (<select>), as choosing it does.
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
  // Opens the field's drop-down as a user does: Chromium and WebKit open it
  // on a click into the field (WebKit only so, not on Down).
  openList(selector) {
    return this.click(selector);
  }
  // Picks the first entry of the field's list from the browser's own
  // drop-down, a window of its own that only real key presses reach (the
  // driver's go to the page): it opens the list, waits for its window on
  // the X server, highlights the entry and takes it with Enter. The
  // drop-down ignores an Enter that comes too soon after it opened, so
  // Enter is given again while the list is still open and the field empty.
  async pick(selector) {
    const before = new Set(xWindows());
    const open = () => xWindows().some((w) => !before.has(w));
    await this.openList(selector);
    await waitUntil(open, "the drop-down list");
    xdo("key", "Down");
    const value = () => this.evaluate((s) => document.querySelector(s).value, selector);
    await waitUntil(
      async () => {
        if ((await value()) !== "") return true;
        if (open()) xdo("key", "Return");
        return false;
      },
      "the entry in the field",
      { every: 100 },
    );
  }
  // The page's uncaught errors, with the console's where the engine tells
  // them (Chromium and Firefox; WebKit's WebDriver does not).
  async errors() {
    return [...this.consoleErrors, ...(await this.evaluate(() => window.kalvorErrors))];
  }
}

// Real input through the X server, and its visible windows.
const xdo = (...args) => execFileSync("xdotool", args, { encoding: "utf8" });
function xWindows() {
  try {
    return xdo("search", "--onlyvisible", "--name", "").split("\n").filter(Boolean);
  } catch {
    return []; // none found
  }
}

// Chromium or Firefox, in puppeteer's page.
class PuppeteerPage extends Page {
  constructor(engine, page) {
    super(engine);
    this.page = page;
    this.consoleErrors = [];
    page.on("console", (message) => message.type() === "error" && this.consoleErrors.push(message.text()));
    page.on("pageerror", (error) => this.consoleErrors.push(String(error)));
  }
  async start({ width, height }) {
    await this.page.setViewport({ width, height });
    await this.page.evaluateOnNewDocument(recorder);
  }
  // The page brought to the front, where the keys given through the X
  // server go.
  async goto(url) {
    await this.page.goto(url);
    await this.page.bringToFront();
  }
  reload() {
    return this.page.reload();
  }
  evaluate(fn, ...args) {
    return this.page.evaluate(typeof fn === "string" ? new Function(fn) : fn, ...args);
  }
  click(selector) {
    return this.page.click(selector);
  }
  type(selector, text) {
    return this.page.type(selector, text);
  }
  press(key) {
    return this.page.keyboard.press(key);
  }
  // Firefox takes the keyboard into the page only on a click through the X
  // server, and opens the list on Down.
  async openList(selector) {
    if (this.engine !== "firefox") return this.click(selector);
    const at = await this.evaluate((s) => {
      const box = document.querySelector(s).getBoundingClientRect();
      return [mozInnerScreenX + box.x + box.width / 2, mozInnerScreenY + box.y + box.height / 2].map(Math.round);
    }, selector);
    xdo("mousemove", ...at.map(String), "click", "1");
    xdo("key", "Down");
  }
  screenshot(path) {
    return this.page.screenshot({ path, fullPage: true });
  }
  // Chromium's DevTools protocol, which only Chromium speaks.
  devTools() {
    return this.page.createCDPSession();
  }
  close() {
    return this.context ? this.context.close() : this.page.close();
  }
}

// WebKit: one window of the WebDriver session. WebDriver has no script that
// runs before the page's own, so the recorder starts once the page has
// loaded, and a command goes to the window that was switched to last.
class WebDriverPage extends Page {
  constructor(driver, handle) {
    super("webkit");
    this.driver = driver;
    this.handle = handle;
    this.consoleErrors = [];
  }
  async use() {
    if (this.driver.current !== this.handle) await this.driver.switchTo().window(this.handle);
    this.driver.current = this.handle;
    return this.driver;
  }
  // The window's outer size made such that the page gets the size asked
  // for, or as near as the window goes (MiniBrowser's is no narrower than
  // its toolbar, 447 px here).
  async start({ width, height }) {
    const driver = await this.use();
    const [w, h] = await driver.executeScript("return [innerWidth, innerHeight]");
    const rect = await driver.manage().window().getRect();
    await driver.manage().window().setRect({ width: rect.width + width - w, height: rect.height + height - h });
  }
  async goto(url) {
    await (await this.use()).get(url);
    await this.evaluate(recorder);
  }
  async reload() {
    await (await this.use()).navigate().refresh();
    await this.evaluate(recorder);
  }
  async evaluate(fn, ...args) {
    return (await this.use()).executeScript(fn, ...args);
  }
  async click(selector) {
    await (await this.use()).findElement(By.css(selector)).click();
  }
  async type(selector, text) {
    await (await this.use()).findElement(By.css(selector)).sendKeys(text);
  }
  async press(key) {
    await (await this.use()).actions().sendKeys(Key[{ Enter: "ENTER", Tab: "TAB", Escape: "ESCAPE" }[key]]).perform();
  }
  async screenshot(path) {
    fs.writeFileSync(path, await (await this.use()).takeScreenshot(), "base64");
  }
  // The session ends with its last window: that one is emptied and kept for
  // the next page.
  async close() {
    const driver = await this.use();
    if ((await driver.getAllWindowHandles()).length > 1) {
      await driver.close();
      driver.current = null;
    } else {
      await driver.get("about:blank");
      driver.spare = this.handle;
    }
  }
}

// A free port on 127.0.0.1, for WebKitWebDriver to listen on.
const freePort = () =>
  new Promise((resolve, reject) => {
    const server = net.createServer().once("error", reject);
    server.listen(0, "127.0.0.1", () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });

async function launchWebKit() {
  if (!process.env.DISPLAY) throw new Error("WebKit's MiniBrowser needs an X display");
  const port = await freePort();
  const service = spawn(WEBKIT_DRIVER, [`--port=${port}`], { stdio: "ignore" });
  process.once("exit", () => service.kill());
  const url = `http://127.0.0.1:${port}`;
  await waitUntil(() => fetch(`${url}/status`).then((r) => r.ok, () => false), "WebKitWebDriver");
  const driver = await new Builder()
    .usingServer(url)
    .withCapabilities({
      browserName: "MiniBrowser",
      "webkitgtk:browserOptions": { binary: MINIBROWSER, args: ["--automation"] },
    })
    .build();
  // The session's first window serves the first page.
  driver.spare = await driver.getWindowHandle();
  return {
    engine: "webkit",
    async open(size = {}) {
      let handle = driver.spare;
      driver.spare = null;
      if (handle) await driver.switchTo().window(handle);
      else {
        await driver.switchTo().newWindow("window");
        handle = await driver.getWindowHandle();
      }
      driver.current = handle;
      const page = new WebDriverPage(driver, handle);
      await page.start({ ...SIZE, ...size });
      return page;
    },
    async close() {
      try {
        await driver.quit();
      } finally {
        service.kill();
      }
    },
  };
}

// Starts the engine: headless without a display, where Chromium and Firefox
// can be (WebKit cannot). open() gives a page in a context of its own, or
// with { profile: true } in the browser's profile, as a user's page is:
// only there does Chromium consider installing a page (it takes a context of
// its own for incognito). puppeteer gives every launch a fresh profile.
export async function launch(engine, { headless = !process.env.DISPLAY } = {}) {
  if (engine === "webkit") return launchWebKit();
  const browser = await puppeteer.launch({ ...(engine === "chromium" ? CHROMIUM : FIREFOX), headless });
  return {
    engine,
    async open({ profile = false, ...size } = {}) {
      const context = profile ? null : await browser.createBrowserContext();
      const page = new PuppeteerPage(engine, await (context ?? browser).newPage());
      page.context = context;
      await page.start({ ...SIZE, ...size });
      return page;
    },
    close: () => browser.close(),
  };
}
