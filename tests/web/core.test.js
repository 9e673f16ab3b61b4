// The page's core in Node.js: web/core.js with the WebAssembly module as the
// page's script carries it (base64, build/wasm/kalvor-wasm.js), held to the
// native build's texts and to the window's reading of its fields.
import assert from "node:assert/strict";
import fs from "node:fs";
import test from "node:test";
import { createCore } from "../../web/core.js";

const core = createCore();

test("the 100,000 cases of the native oracle run give the same texts, litres per 100 km included", () => {
  const file = new URL("../../build/oracle-cases.tsv", import.meta.url);
  assert.ok(fs.existsSync(file), `${file} is missing: ctest --preset native writes it`);
  // Bytes, as the window holds the texts: the cases use Windows-1250.
  const data = fs.readFileSync(file);
  let count = 0;
  const mismatches = [];
  for (let start = 0; start < data.length; ) {
    let end = data.indexOf(0x0a, start);
    if (end < 0) end = data.length;
    const fields = [];
    for (let from = start; fields.length < 7; ) {
      let tab = data.indexOf(0x09, from);
      if (tab < 0 || tab > end || fields.length === 6) tab = end;
      fields.push(data.subarray(from, tab));
      from = tab + 1;
    }
    const result = core.computeBytes(fields.slice(0, 4));
    const expected = fields.slice(4).map((b) => b.toString("latin1")).join(" ");
    const got = `${result.powerText} ${result.fuelText} ${result.per100kmText}`;
    count++;
    if (!result.ok || got !== expected) mismatches.push(`line ${count}: expected ${expected}, got ${got}`);
    start = end + 1;
  }
  assert.ok(count >= 100000, `only ${count} cases`);
  assert.deepEqual(mismatches.slice(0, 10), [], `${mismatches.length} of ${count} cases differ`);
});

test("typed texts are read as the window reads them: Windows-1250, cut at the field limit", () => {
  const presets = ["Osobní automobil 0.3", "Benzin 45.22", "Osobní automobil 2.25"];
  const at = (speed) => core.compute([speed, ...presets]);
  const fill = (ch, n) => ch.repeat(n);
  // The longest field: its last character still counts.
  assert.deepEqual(at(fill("x", core.limit - 3) + "100"), at("100"));
  // One character more: the last one is cut off.
  assert.deepEqual(at(fill("x", core.limit - 2) + "100"), at("10"));
  // A Czech letter is one byte, as in Windows-1250.
  assert.deepEqual(at(fill("č", core.limit - 3) + "100"), at("100"));
  assert.deepEqual(at(fill(" ", core.limit) + "100"), { ok: false });
  // What Windows-1250 lacks reads as under Wine: a fullwidth digit as its
  // digit, a superscript nine (no best fit there) as '?'.
  assert.deepEqual(at("\uff11\uff10\uff10"), at("100"));
  assert.deepEqual(at("\u2079"), { ok: false });
  // The same request, typed or given as bytes.
  assert.deepEqual(
    core.computeBytes(["100", ...presets].map((t) => Buffer.from(t.replace("í", "\xed"), "latin1"))),
    at("100"),
  );
});
