// A static server for the built page (npm run serve, tools/run-web.sh
// --serve, its tests) on 127.0.0.1 only: a secure context, where the page
// installs and works offline, unreachable from other machines. It serves
// build/web, or the folder given, read fresh on every request:
//   node tools/web/serve.js [folder] [port]     port 0 or none: any free one
import fs from "node:fs";
import http from "node:http";
import path from "node:path";
import { fileURLToPath } from "node:url";

const TYPES = {
  ".html": "text/html; charset=utf-8",
  ".css": "text/css; charset=utf-8",
  ".js": "text/javascript; charset=utf-8",
  ".webmanifest": "application/manifest+json; charset=utf-8",
  ".png": "image/png",
  ".txt": "text/plain; charset=utf-8",
};

// The built page, served when no folder is given.
const PAGE_FOLDER = fileURLToPath(new URL("../../build/web", import.meta.url));

// Resolves to the listening server; its address is server.url.
export function serve(folder = PAGE_FOLDER, port = 0) {
  const root = path.resolve(folder);
  const server = http.createServer((request, response) => {
    let name = "";
    try {
      name = decodeURIComponent(new URL(request.url, "http://127.0.0.1").pathname);
    } catch {} // no file has a malformed name
    if (name.endsWith("/")) name += "index.html";
    const file = path.join(root, path.normalize(name));
    const type = TYPES[path.extname(file)];
    if (!file.startsWith(root + path.sep) || !type || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404, { "Content-Type": "text/plain; charset=utf-8" }).end("not found\n");
      return;
    }
    // Always asked again, so that a new build is seen at once.
    response.writeHead(200, { "Content-Type": type, "Cache-Control": "no-cache" });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve, reject) => {
    server.once("error", reject);
    server.listen(port, "127.0.0.1", () => {
      server.url = `http://127.0.0.1:${server.address().port}/`;
      resolve(server);
    });
  });
}

// Stops at once, open connections included.
export function stop(server) {
  server.closeAllConnections();
  return new Promise((resolve) => server.close(resolve));
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const folder = process.argv[2] || PAGE_FOLDER;
  serve(folder, Number(process.argv[3] || 0)).then(
    (server) => console.log(`serving ${folder} at ${server.url} (Ctrl+C stops)`),
    (error) => {
      console.error(`serve: ${error.message}`);
      process.exit(1);
    },
  );
}
