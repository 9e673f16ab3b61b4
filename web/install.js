// Installable and offline after the first visit: served over http(s), the
// page registers its service worker (sw.js), which keeps the page's files
// for the next visit without a network. Opened from disk the page registers
// nothing and stays as it is. sw.js is a script of its own beside the page
// (the build fills in its cache's name), not one of these modules.
export function registerWorker() {
  if ((location.protocol === "https:" || location.protocol === "http:") && "serviceWorker" in navigator) {
    // Without the worker the page still works; it only will not open offline.
    navigator.serviceWorker.register("sw.js").catch(() => {});
  }
}
