// Builds the page into build/web/ (`npm run build`, after the wasm preset
// compiled the core): index.html with the texts it shares with the window
// (ui/texts.h) and its style and script inside, their hashes in its
// Content-Security-Policy (one file, which works from disk, where browsers
// fetch no neighbours); the script, web/'s ES modules from web/kalvor.js on
// bundled by esbuild into one classic script (a page from disk runs no
// modules) with the core as base64 (build/wasm/kalvor-wasm.js, which Node.js
// imports too; also left as build/kalvor.js); and for a web server the
// manifest, icons and service worker. A warning of esbuild, a module that
// imports anything or a placeholder left fails it.
import crypto from "node:crypto";
import fs from "node:fs";
import { fileURLToPath } from "node:url";
import * as esbuild from "esbuild";
import { readTexts, withoutMnemonic } from "./texts.js";

const root = new URL("../../", import.meta.url);
const at = (name) => new URL(name, root);
const out = (name) => at(`build/web/${name}`);
fs.mkdirSync(out(""), { recursive: true });

// The core's module, which the page instantiates with no imports at all.
const wasm = fs.readFileSync(at("build/wasm/kalvor.wasm"));
const imports = WebAssembly.Module.imports(new WebAssembly.Module(wasm));
if (imports.length > 0) fail(`the module imports ${imports.map((i) => `${i.module}.${i.name}`).join(", ")}`);
fs.writeFileSync(at("build/wasm/kalvor-wasm.js"), `export const WASM_BASE64 = "${wasm.toString("base64")}";\n`);

// Strict, as modules are, and readable (not minified); ES2020 is the
// sources' newest syntax, so esbuild rewrites none of it.
const texts = readTexts();
const bundle = await esbuild.build({
  entryPoints: [fileURLToPath(at("web/kalvor.js"))],
  bundle: true,
  format: "iife",
  target: "es2020",
  charset: "utf8",
  legalComments: "none",
  banner: { js: '"use strict";' },
  define: { KALVOR_VERSION: JSON.stringify(texts.KALVOR_VERSION) },
  logLevel: "silent",
  write: false,
});
if (bundle.warnings.length > 0) fail(`esbuild: ${bundle.warnings.map((w) => w.text).join("; ")}`);
const script = bundle.outputFiles[0].text;
fs.writeFileSync(at("build/kalvor.js"), script);

// The page: its shared texts and the hashes of its style sheet and script
// filled in, then those two put inside it.
const style = fs.readFileSync(at("web/kalvor.css"), "utf8");
const hash = (content) => `'sha256-${crypto.createHash("sha256").update(content, "utf8").digest("base64")}'`;
const html = (text) => text.replace(/[&<>"]/g, (c) => `&${{ "&": "amp", "<": "lt", ">": "gt", '"': "quot" }[c]};`);
const shown = (name) => html(name.endsWith("_ITEM") ? withoutMnemonic(texts[name]) : texts[name]);
const values = { STYLE_HASH: hash(style), SCRIPT_HASH: hash(script) };
let page = fill(fs.readFileSync(at("web/index.html"), "utf8"), (name) => values[name] ?? (name in texts ? shown(name) : undefined));
for (const [tag, element, content] of [
  ['<link rel="stylesheet" href="kalvor.css">', "style", style],
  ['<script src="kalvor.js"></script>', "script", script],
]) {
  if (page.split(tag).length !== 2) fail(`web/index.html: not exactly one ${tag}`);
  if (content.toLowerCase().includes(`</${element}`)) fail(`the ${element} would end its element early`);
  page = page.replace(tag, () => `<${element}>${content}</${element}>`);
}
fs.writeFileSync(out("index.html"), page);

for (const file of ["manifest.webmanifest", "icon-192.png", "icon-512.png"]) fs.copyFileSync(at(`web/${file}`), out(file));

// The worker keeps the page's other files; a new release, or any change to
// one of them, is a new cache. build/web holds the page's files and no other.
const kept = ["index.html", "manifest.webmanifest", "icon-192.png", "icon-512.png"];
const files = crypto.createHash("sha256").update(Buffer.concat(kept.map((f) => fs.readFileSync(out(f)))));
const worker = { CACHE: `kalvor-${texts.KALVOR_VERSION}-${files.digest("hex").slice(0, 16)}`, FILES: JSON.stringify(kept) };
fs.writeFileSync(out("sw.js"), fill(fs.readFileSync(at("web/sw.js"), "utf8"), (name) => worker[name]));
console.log(`build-web: build/web/index.html (${wasm.length} bytes of WebAssembly)`);

// Fills each {{NAME}} with value(NAME); every one must have a value.
function fill(text, value) {
  return text.replace(/\{\{(\w+)\}\}/g, (placeholder, name) => value(name) ?? fail(`${placeholder} is not filled`));
}

function fail(message) {
  console.error(`build-web: ${message}`);
  process.exit(1);
}
