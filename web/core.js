// The core: the WebAssembly module behind one small binding. The module
// comes as base64 from build/wasm/kalvor-wasm.js, which the build
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

// The unit systems, as the page's link names them, and the module's
// numbers for them.
const UNIT_SYSTEMS = new Map([
  ["m", 0],
  ["uk", 1],
  ["us", 2],
]);

// A calculation takes everything it needs and the module keeps nothing
// between calculations: the four field texts (speed, drag coefficient,
// calorific value, frontal area) and the unit system ("m", "uk" or "us";
// metric unless given), in which the speed and the area are read and the
// results shown. Gives { ok: false } when a field holds no digit, or the
// result texts and numbers in that unit system (power in kW or hp, fuel
// rate in l/h or gallons an hour, litres per 100 km or miles per gallon),
// the litres per 100 km whatever the unit system, the unit system, and
// the speed the field holds, in its own unit.
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
  function system(units) {
    if (!UNIT_SYSTEMS.has(units)) throw new RangeError(`no such unit system: ${units}`);
    return UNIT_SYSTEMS.get(units);
  }
  function outcome(units, number) {
    if (core.kalvor_compute(number) === 0) return { ok: false };
    return {
      ok: true,
      units,
      powerText: text(core.kalvor_power_text()),
      fuelText: text(core.kalvor_fuel_text()),
      per100kmText: text(core.kalvor_per100km_text()),
      power: core.kalvor_power(),
      fuel: core.kalvor_fuel(),
      per100km: core.kalvor_per100km(),
      litresPer100km: core.kalvor_litres_per100km(),
      speed: core.kalvor_speed(),
    };
  }
  return {
    limit,
    // Texts as typed: encoded as the window holds them.
    compute(texts, units = "m") {
      const number = system(units);
      const bytes = memory();
      texts.forEach((t, i) => encodeField(t, bytes, fields[i], limit));
      return outcome(units, number);
    },
    // Texts as the window's bytes (Uint8Array each).
    computeBytes(texts, units = "m") {
      const number = system(units);
      const bytes = memory();
      texts.forEach((t, i) => writeField(t.length, (n) => t[n], bytes, fields[i], limit));
      return outcome(units, number);
    },
  };
}
