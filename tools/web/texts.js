// The texts the page shares with the window, from their one source,
// ui/texts.h: each #define's string literals joined, with C's escapes, and
// the names of other defines among them replaced by their texts.
import fs from "node:fs";

export function readTexts(file = new URL("../../ui/texts.h", import.meta.url)) {
  const source = fs.readFileSync(file, "utf8").replace(/\\\n/g, " ");
  const texts = {};
  for (const [, name, body] of source.matchAll(/^#define (\w+) +(.+)$/gm)) {
    texts[name] = body.match(/"(?:[^"\\]|\\.)*"|\w+/g).map((part) => {
      if (part.startsWith('"')) return JSON.parse(part);
      if (part in texts) return texts[part];
      throw new Error(`ui/texts.h: ${name} uses ${part}, which is not defined before it`);
    }).join("");
  }
  return texts;
}

// A menu item or label as the page shows it: without the mnemonic's '&'
// ("&&" is a plain '&').
export const withoutMnemonic = (text) => text.replace(/&(.)/g, "$1");
