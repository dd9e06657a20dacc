// Agarhold in the browser as an installed program: the service worker that
// keeps the site for playing offline, and the installed window's size.
'use strict';

(function () {
  // Service workers need a secure context (https, or http://localhost).
  // Registered once page.js has drawn the title screen: installing the
  // worker fetches every file of the site, and at the page's load that
  // slowed the title's own files down.
  if ('serviceWorker' in navigator && window.isSecureContext) {
    window.addEventListener('agarhold:titledrawn', () => {
      navigator.serviceWorker.register('sw.js').catch(() => {
        // Without it the game plays online all the same.
      });
    }, {once: true});
  }

  // An installed game opens in a window of its own: the first time, the
  // window takes the frame's aspect (747 x 543) at the height it was given.
  const standalone = window.matchMedia && window.matchMedia('(display-mode: standalone)').matches;
  const SIZED = 'agarhold/window-sized';
  let sized = null;
  try { sized = window.localStorage.getItem(SIZED); } catch (e) { sized = '1'; }
  if (standalone && !sized && typeof window.resizeTo === 'function') {
    const chromeW = window.outerWidth - window.innerWidth;
    const chromeH = window.outerHeight - window.innerHeight;
    const height = window.innerHeight;
    window.resizeTo(Math.round(height * 747 / 543) + chromeW, height + chromeH);
    try { window.localStorage.setItem(SIZED, '1'); } catch (e) { /* once a run then */ }
  }
})();
