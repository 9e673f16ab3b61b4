// The browsers that show the browser edition, for its tests, demonstration
// and measurements: Debian's Chromium and Firefox ESR through puppeteer-core
// (Chromium over the DevTools protocol, Firefox over WebDriver BiDi), and
// WebKitGTK's MiniBrowser through WebKitWebDriver and selenium-webdriver.
// Nothing is downloaded: each engine is the one Debian installed. Each gives
// a page the same few operations, so that one suite runs in all three.
import { spawn } from "node:child_process";
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
// A page the driver works in need not be the tab in front: Firefox would
// then run its timers at most once a second, as puppeteer's switches keep
// Chromium from doing.
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

// Polls a condition, every `every` ms, until it holds; resolves to its value.
export async function waitUntil(condition, what, { every = 20, timeout = 30000 } = {}) {
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
  // The page's uncaught errors, with the console's where the engine tells
  // them (Chromium and Firefox; WebKit's WebDriver does not).
  async errors() {
    return [...this.consoleErrors, ...(await this.evaluate(() => window.kalvorErrors))];
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
  constructor(engine, driver, handle) {
    super(engine);
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
      const page = new WebDriverPage("webkit", driver, handle);
      await page.start({ width: 800, height: 900, ...size });
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
      await page.start({ width: 800, height: 900, ...size });
      return page;
    },
    close: () => browser.close(),
  };
}
