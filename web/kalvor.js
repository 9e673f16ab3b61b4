// Kalvor in the browser: the window's calculation, with the same core
// compiled to WebAssembly, the litres per 100 km beside it, a chart of all
// three against speed, and the inputs kept in the address.
//
// One classic script with the module inside it as base64, so that the page
// works opened from disk, where browsers refuse module scripts and fetch();
// the build puts it into index.html. Each job has a file of its own under
// web/; tools/build-web.sh puts each file named on a "//@part" line in its
// place, all in this one function's scope. Under Node.js it runs no page and exports the core instead (for
// the tests and benchmarks).
"use strict";
(function () {
  const WASM_BASE64 = "@KALVOR_WASM_BASE64@";

//@part fields.js
//@part core.js
  if (typeof document === "undefined") {
    module.exports = { createCore };
    return;
  }
//@part page.js
//@part per100km.js
//@part chart.js
//@part link.js
//@part install.js
})();
