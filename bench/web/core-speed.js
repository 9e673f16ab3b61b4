// ComputeDrag on the preset texts: the WebAssembly module in Node.js against
// the native build's benchmark (build/native/bench/kalvor_core_bench, from
// the native preset). Prints both medians and their ratio.
//
//   node bench/web/core-speed.js
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import { fileURLToPath } from "node:url";

const wasmFile = fileURLToPath(new URL("../../build/wasm/kalvor.wasm", import.meta.url));
const nativeBench = fileURLToPath(new URL("../../build/native/bench/kalvor_core_bench", import.meta.url));
for (const [file, command] of [[wasmFile, "npm run build"], [nativeBench, "cmake --build --preset native"]]) {
  if (!fs.existsSync(file)) throw new Error(`${file} is missing: ${command} builds it`);
}
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];

// The texts go into the module's buffers once, as the native benchmark's
// texts are constants; each call is one kalvor_compute (ComputeDrag and its
// outcome).
const core = new WebAssembly.Instance(new WebAssembly.Module(fs.readFileSync(wasmFile)), {}).exports;
const texts = ["100", "Osobn\xed automobil 0.3", "Benzin 45.22", "Osobn\xed automobil 2.25"];
texts.forEach((text, i) => {
  const bytes = Buffer.from(text + "\0", "latin1");
  new Uint8Array(core.memory.buffer).set(bytes, core.kalvor_field(i));
});
const calls = 200000;
const wasm = [];
for (let rep = 0; rep < 15 + 3; rep++) {
  const start = process.hrtime.bigint();
  for (let i = 0; i < calls; i++) core.kalvor_compute();
  const ns = Number(process.hrtime.bigint() - start) / calls;
  if (rep >= 3) wasm.push(ns); // the first runs warm the compiler up
}

// The page's whole path: the typed texts encoded into the buffers, the
// result texts read back.
const { createCore } = await import("../../web/core.js");
const page = createCore();
const typed = ["100", "Osobní automobil 0.3", "Benzin 45.22", "Osobní automobil 2.25"];
const pagePath = [];
for (let rep = 0; rep < 15 + 3; rep++) {
  const start = process.hrtime.bigint();
  for (let i = 0; i < calls / 4; i++) page.compute(typed);
  if (rep >= 3) pagePath.push(Number(process.hrtime.bigint() - start) / (calls / 4));
}

const report = JSON.parse(
  execFileSync(nativeBench, [
    "--benchmark_filter=ComputeDragPresets$",
    "--benchmark_repetitions=15",
    "--benchmark_format=json",
  ], { encoding: "utf8" }),
);
const native = report.benchmarks.filter((b) => b.run_type === "iteration").map((b) => b.cpu_time);

const w = median(wasm), n = median(native);
console.log(`ComputeDrag on the preset texts, median of 15 (Node.js ${process.version})`);
console.log(`  WebAssembly: ${w.toFixed(0)} ns a call (fastest ${Math.min(...wasm).toFixed(0)})`);
console.log(`  native:      ${n.toFixed(0)} ns a call (fastest ${Math.min(...native).toFixed(0)})`);
console.log(`  ratio:       ${(w / n).toFixed(2)}x`);
console.log(`  the page's path (texts encoded, results read back): ${median(pagePath).toFixed(0)} ns a call`);
