// Field texts as the window reads them: the Windows-1250 bytes that reach
// the core (core.js writes the texts into its module's memory with these).

// The window reads a field as the Windows-1250 bytes of its text. This is
// the character of each byte from 0x80 on (\ufffd: a byte with none).
const CP1250_HIGH =
  "\u20ac\ufffd\u201a\ufffd\u201e\u2026\u2020\u2021\ufffd\u2030\u0160\u2039\u015a\u0164\u017d\u0179" + // 80
  "\ufffd\u2018\u2019\u201c\u201d\u2022\u2013\u2014\ufffd\u2122\u0161\u203a\u015b\u0165\u017e\u017a" + // 90
  "\u00a0\u02c7\u02d8\u0141\u00a4\u0104\u00a6\u00a7\u00a8\u00a9\u015e\u00ab\u00ac\u00ad\u00ae\u017b" + // A0
  "\u00b0\u00b1\u02db\u0142\u00b4\u00b5\u00b6\u00b7\u00b8\u0105\u015f\u00bb\u013d\u02dd\u013e\u017c" + // B0
  "\u0154\u00c1\u00c2\u0102\u00c4\u0139\u0106\u00c7\u010c\u00c9\u0118\u00cb\u011a\u00cd\u00ce\u010e" + // C0
  "\u0110\u0143\u0147\u00d3\u00d4\u0150\u00d6\u00d7\u0158\u016e\u00da\u0170\u00dc\u00dd\u0162\u00df" + // D0
  "\u0155\u00e1\u00e2\u0103\u00e4\u013a\u0107\u00e7\u010d\u00e9\u0119\u00eb\u011b\u00ed\u00ee\u010f" + // E0
  "\u0111\u0144\u0148\u00f3\u00f4\u0151\u00f6\u00f7\u0159\u016f\u00fa\u0171\u00fc\u00fd\u0163\u02d9"; // F0

// Characters Windows-1250 lacks that the window's field still turns into
// one a number is made of: its best fit, as Wine gives it under code page
// 1250 (WM_GETTEXT of an edit control holding each character). Every
// other character it lacks becomes '?', which a number never holds.
const BEST_FIT = new Map(
  Object.entries({
    "+": "\u251c\u2524\u2534\u253c\u256c\u2640\uff0b",
    "-": "\u2010\u2011\u2194\u2212\u2502\u250c\u2518\u2554\u255d\u2580\u2584\u2588\u2591\u2592\u2593\u25ac\uff0d",
    ".": "\uff0e",
    "0": "\u2080\u25cb\u25d9\u263c\uff10",
    "1": "\u00b9\u00bc\u00bd\u2081\uff11",
    "2": "\u00b2\u2082\uff12",
    "3": "\u00b3\u00be\u2083\uff13",
    "4": "\u2074\u2084\uff14",
    "5": "\u2075\u2085\uff15",
    "6": "\u2076\u2086\uff16",
    "7": "\u2077\u2087\uff17",
    "8": "\u2078\u2088\uff18",
    "9": "\u2089\uff19",
    "E": "\u00c8\u00ca\u0112\u0114\u0116\u2107\u2130\uff25",
    "e": "\u00e8\u00ea\u0113\u0115\u0117\u212e\u212f\uff45",
  }).flatMap(([fit, units]) => [...units].map((u) => [u.charCodeAt(0), fit.charCodeAt(0)])),
);

const CP1250_BYTES = new Map([...CP1250_HIGH].map((char, i) => [char.charCodeAt(0), 0x80 + i]));
CP1250_BYTES.delete(0xfffd); // the bytes without a character

// The byte the window holds for one UTF-16 code unit of a field.
function fieldByte(unit) {
  if (unit < 0x80) return unit;
  return CP1250_BYTES.get(unit) ?? BEST_FIT.get(unit) ?? 0x3f; // '?'
}

// Writes a field of `length` units, the nth as byte byteAt(n), to out at
// offset: cut at the first NUL and after limit bytes, then a terminating
// zero, as the window reads a field.
export function writeField(length, byteAt, out, offset, limit) {
  let n = 0;
  for (; n < length && n < limit; n++) {
    const byte = byteAt(n);
    if (byte === 0) break;
    out[offset + n] = byte;
  }
  out[offset + n] = 0;
}
// Typed text, as the window holds it.
export const encodeField = (text, out, offset, limit) =>
  writeField(text.length, (n) => fieldByte(text.charCodeAt(n)), out, offset, limit);
