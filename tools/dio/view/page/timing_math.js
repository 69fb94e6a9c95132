// The timing diagram's arithmetic, free of the page: which words a view shows, zoom and scroll,
// cursor distances, bus values. Loaded by the page as a plain script (window.TimingMath) and by
// Node's test runner as a CommonJS module.
"use strict";
(function (root) {
  const WORDS = 65536;

  function clamp(value, low, high) { return Math.min(Math.max(value, low), high); }

  // A view is {start, span}: `span` words from `start`, whole, within the memory.
  function clampView(start, span, total = WORDS) {
    const s = clamp(Math.round(span), 1, total);
    return { start: clamp(Math.round(start), 0, total - s), span: s };
  }

  // Zooms by `factor` (2: twice as close) keeping the word `anchor` where it is on the screen.
  function zoomView(view, factor, anchor = view.start + view.span / 2, total = WORDS) {
    const span = clamp(Math.round(view.span / factor), 1, total);
    const fraction = (anchor - view.start) / view.span;
    return clampView(anchor - fraction * span, span, total);
  }

  function scrollView(view, words, total = WORDS) { return clampView(view.start + words, view.span, total); }

  // The same zoom, centred on `address` (as far as the memory's ends allow).
  function goToAddress(view, address, total = WORDS) {
    return clampView(address - Math.floor(view.span / 2), view.span, total);
  }

  // The word under pixel column x of a diagram `width` pixels wide, and the left edge of a word.
  function wordAt(x, width, view) {
    return clamp(Math.floor(view.start + (x / width) * view.span), view.start, view.start + view.span - 1);
  }
  function xOf(word, width, view) { return ((word - view.start) * width) / view.span; }

  // For each of `columns` pixel columns, the OR and the AND of the words it covers: a line is
  // high throughout where its AND bit is set, low where its OR bit is clear, and changes within
  // the column otherwise. Columns narrower than a word repeat that word.
  function columnSummary(words, view, columns) {
    const or = new Uint32Array(columns), and = new Uint32Array(columns);
    for (let c = 0; c < columns; ++c) {
      const first = view.start + Math.floor((c * view.span) / columns);
      const end = Math.max(first + 1, view.start + Math.floor(((c + 1) * view.span) / columns));
      let o = 0, a = 0xFFFFFFFF;
      for (let i = first; i < end; ++i) { o |= words[i]; a &= words[i]; }
      or[c] = o >>> 0;
      and[c] = a >>> 0;
    }
    return { or, and };
  }

  // From cursor a to cursor b: samples, and seconds when the sample rate is known.
  function cursorDistance(a, b, rateHz) {
    const samples = Math.abs(b - a);
    return { samples, seconds: rateHz > 0 ? samples / rateHz : null };
  }

  function formatSeconds(seconds) {
    if (seconds === null || seconds === undefined) return "–";
    const units = [[1, "s"], [1e-3, "ms"], [1e-6, "µs"], [1e-9, "ns"]];
    for (const [size, unit] of units) {
      if (Math.abs(seconds) >= size || size === 1e-9) return +(seconds / size).toPrecision(4) + " " + unit;
    }
    return "0 s";
  }

  // The value on the lines `first` (its least significant bit) to `last` of a word.
  function busValue(word, first, last) {
    const low = Math.min(first, last), width = Math.abs(last - first) + 1;
    const value = (word >>> low) & (width >= 32 ? 0xFFFFFFFF : (1 << width) - 1);
    return value >>> 0;
  }

  function formatValue(value, width, radix) {
    if (radix === "bin") return value.toString(2).padStart(width, "0");
    if (radix === "dec") return value.toString(10);
    return "0x" + value.toString(16).padStart(Math.ceil(width / 4), "0");
  }

  // "0x1f" or "31": an address, or null when the text is none within the memory.
  function parseAddress(text, total = WORDS) {
    const t = String(text).trim().toLowerCase();
    const value = /^0x[0-9a-f]+$/.test(t) ? parseInt(t.slice(2), 16) : /^[0-9]+$/.test(t) ? parseInt(t, 10) : NaN;
    return Number.isInteger(value) && value >= 0 && value < total ? value : null;
  }

  const api = { WORDS, clampView, zoomView, scrollView, goToAddress, wordAt, xOf, columnSummary,
                cursorDistance, formatSeconds, busValue, formatValue, parseAddress };
  if (typeof module !== "undefined" && module.exports) module.exports = api;
  else root.TimingMath = api;
})(this);
