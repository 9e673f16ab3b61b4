// The core: the WebAssembly module behind one small binding. The module
// comes as base64 from build/wasm/kalvor-wasm.js, which tools/build-web.sh
// writes from the module it compiles: the page carries it inside its script,
// and Node.js (the core's tests and benchmark) imports this file as it is.
import { WASM_BASE64 } from "../build/wasm/kalvor-wasm.js";
import { encodeField, writeField } from "./fields.js";

// The browser's own decoder where it has one (a loop over the characters
// takes a good part of the page's start-up on a slow machine).
function wasmBytes() {
  if (Uint8Array.fromBase64) return Uint8Array.fromBase64(WASM_BASE64);
  return Uint8Array.from(atob(WASM_BASE64), (c) => c.charCodeAt(0));
}

// The four field texts in (speed, drag coefficient, calorific value,
// frontal area); { ok: false } when one holds no digit, or the result
// texts and numbers (power, fuel rate, litres per 100 km) and the speed
// read (km/h).
export function createCore() {
  const core = new WebAssembly.Instance(new WebAssembly.Module(wasmBytes()), {}).exports;
  const limit = core.kalvor_field_limit();
  const fields = [0, 1, 2, 3].map((i) => core.kalvor_field(i));
  const memory = () => new Uint8Array(core.memory.buffer);

  function text(address) {
    const bytes = memory();
    let end = address;
    while (bytes[end] !== 0) end++;
    return String.fromCharCode(...bytes.subarray(address, end));
  }
  function outcome() {
    if (core.kalvor_compute() === 0) return { ok: false };
    return {
      ok: true,
      powerText: text(core.kalvor_power_text()),
      fuelText: text(core.kalvor_fuel_text()),
      per100kmText: text(core.kalvor_per100km_text()),
      power: core.kalvor_power(),
      fuel: core.kalvor_fuel(),
      per100km: core.kalvor_per100km(),
      speed: core.kalvor_speed(),
    };
  }
  return {
    limit,
    // Texts as typed: encoded as the window holds them.
    compute(texts) {
      const bytes = memory();
      texts.forEach((t, i) => encodeField(t, bytes, fields[i], limit));
      return outcome();
    },
    // Texts as the window's bytes (Uint8Array each).
    computeBytes(texts) {
      const bytes = memory();
      texts.forEach((t, i) => writeField(t.length, (n) => t[n], bytes, fields[i], limit));
      return outcome();
    },
    // Another speed with the other three texts of the last calculation.
    computeAtSpeed(speed) {
      encodeField(String(speed), memory(), fields[0], limit);
      return outcome();
    },
  };
}
