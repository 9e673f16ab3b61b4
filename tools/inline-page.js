// Puts the page's style sheet and script into index.html, so that opening
// the page loads one file instead of three, and lists their SHA-256 hashes
// in its Content-Security-Policy, which allows no other inline style or
// script: the placeholders @KALVOR_STYLE_HASH@ and @KALVOR_SCRIPT_HASH@
// become 'sha256-…'. The page's <link rel="stylesheet" href="kalvor.css">
// and <script src="kalvor.js"></script> name the two files.
//
//   node tools/inline-page.js web/index.html kalvor.css kalvor.js >index.html
import crypto from "node:crypto";
import fs from "node:fs";

const [pagePath, stylePath, scriptPath] = process.argv.slice(2);
let page = fs.readFileSync(pagePath, "utf8");

function inline(tag, element, contentPath, placeholder) {
  const content = fs.readFileSync(contentPath, "utf8");
  if (page.split(tag).length !== 2) throw new Error(`${pagePath}: not exactly one ${tag}`);
  if (page.split(placeholder).length !== 2) throw new Error(`${pagePath}: not exactly one ${placeholder}`);
  if (content.toLowerCase().includes(`</${element}`)) throw new Error(`${contentPath} would end its element early`);
  const hash = crypto.createHash("sha256").update(content, "utf8").digest("base64");
  page = page.replace(tag, () => `<${element}>${content}</${element}>`);
  page = page.replace(placeholder, `'sha256-${hash}'`);
}

try {
  inline(`<link rel="stylesheet" href="kalvor.css">`, "style", stylePath, "@KALVOR_STYLE_HASH@");
  inline(`<script src="kalvor.js"></script>`, "script", scriptPath, "@KALVOR_SCRIPT_HASH@");
} catch (error) {
  console.error(`inline-page: ${error.message}`);
  process.exit(1);
}
process.stdout.write(page);
