// Kalvor in the browser: the window's calculation, with the same core
// compiled to WebAssembly, the litres per 100 km beside it, a chart of all
// three against speed, and the inputs kept in the address.
//
// The page's script starts here. Each job has an ES module of its own
// under web/, which imports what it uses (docs/architecture.md tabulates the
// graph). The build (npm run build) bundles them with esbuild into one classic
// script with the module inside it, so that the page works opened from
// disk, where browsers refuse module scripts and fetch(); the build puts
// that script into index.html.
import { followAddress, registerWorker } from "./page.js";

// The page is set up once page.js has run: now the address's link, if it
// holds one, and the service worker.
followAddress();
registerWorker();
