// The timing diagram's arithmetic, under Node's test runner: node --test timing_math_test.js
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const path = require("node:path");
const M = require(path.join(process.env.VIEW_PAGE_DIR || path.join(__dirname, "../../tools/dio/view/page"), "timing_math.js"));

test("views stay whole and inside the memory", () => {
  for (const [start, span, want] of [
    [0, 65536, { start: 0, span: 65536 }],
    [100, 0, { start: 100, span: 1 }],            // never less than one word
    [65535, 10, { start: 65526, span: 10 }],      // pushed back from the end
    [-5, 10, { start: 0, span: 10 }],
    [10, 100000, { start: 0, span: 65536 }],
    [3.6, 7.4, { start: 4, span: 7 }],
  ]) assert.deepEqual(M.clampView(start, span), want, `${start}, ${span}`);
});

test("zoom keeps the anchor word where it is, from one word to all", () => {
  const all = M.clampView(0, 65536);
  assert.deepEqual(M.zoomView(all, 2, 0), { start: 0, span: 32768 });
  assert.deepEqual(M.zoomView(all, 2, 65536), { start: 32768, span: 32768 });
  assert.deepEqual(M.zoomView({ start: 1000, span: 100 }, 2, 1050), { start: 1025, span: 50 });
  let v = all;
  for (let i = 0; i < 20; ++i) v = M.zoomView(v, 2, 40000);
  assert.deepEqual(v, { start: 40000, span: 1 });
  for (let i = 0; i < 20; ++i) v = M.zoomView(v, 0.5, 40000);
  assert.deepEqual(v, all);
});

test("scroll and go to stop at the memory's ends", () => {
  const v = { start: 100, span: 50 };
  assert.deepEqual(M.scrollView(v, 25), { start: 125, span: 50 });
  assert.deepEqual(M.scrollView(v, -1000), { start: 0, span: 50 });
  assert.deepEqual(M.scrollView(v, 1e6), { start: 65486, span: 50 });
  assert.deepEqual(M.goToAddress(v, 0x8000), { start: 0x8000 - 25, span: 50 });
  assert.deepEqual(M.goToAddress(v, 65535), { start: 65486, span: 50 });
  for (const [text, want] of [["0x1f", 31], ["31", 31], [" 0XFFFF ", 65535], ["65536", null], ["-1", null], ["1e3", null], ["", null]])
    assert.equal(M.parseAddress(text), want, text);
});

test("pixels map to words and back", () => {
  const v = { start: 1000, span: 100 };
  assert.equal(M.wordAt(0, 500, v), 1000);
  assert.equal(M.wordAt(499.9, 500, v), 1099);
  assert.equal(M.wordAt(500, 500, v), 1099);   // the right edge is still the last word
  assert.equal(M.wordAt(252, 500, v), 1050);
  assert.equal(M.xOf(1050, 500, v), 250);
});

test("a column summarises the words it covers", () => {
  const words = new Uint32Array(65536);
  words[1] = 0b01; words[2] = 0b11; words[3] = 0b10;
  const zoomedOut = M.columnSummary(words, { start: 0, span: 4 }, 2);  // two words a column
  assert.deepEqual([...zoomedOut.or], [0b01, 0b11]);
  assert.deepEqual([...zoomedOut.and], [0b00, 0b10]);
  const zoomedIn = M.columnSummary(words, { start: 1, span: 2 }, 4);    // each word twice
  assert.deepEqual([...zoomedIn.or], [1, 1, 3, 3]);
  assert.deepEqual([...zoomedIn.and], [1, 1, 3, 3]);
  words[65535] = 0x80000000;
  const all = M.columnSummary(words, { start: 0, span: 65536 }, 1000);
  assert.equal(all.or[999], 0x80000000);      // the top line's bit comes back unsigned
  assert.equal(all.and[999], 0);
});

test("cursor distances in samples and in time", () => {
  assert.deepEqual(M.cursorDistance(100, 1124, 1e6), { samples: 1024, seconds: 0.001024 });
  assert.deepEqual(M.cursorDistance(1124, 100, 1e6), { samples: 1024, seconds: 0.001024 });
  assert.deepEqual(M.cursorDistance(5, 5, 1e6), { samples: 0, seconds: 0 });
  assert.deepEqual(M.cursorDistance(0, 10, null), { samples: 10, seconds: null });
  for (const [seconds, text] of [[0.001024, "1.024 ms"], [2, "2 s"], [1e-6, "1 µs"], [2.5e-8, "25 ns"], [0, "0 ns"], [null, "–"]])
    assert.equal(M.formatSeconds(seconds), text);
});

test("bus values in each radix", () => {
  const word = 0xA5A5F00F;
  for (const [first, last, radix, text] of [
    [0, 7, "hex", "0x0f"], [0, 7, "dec", "15"], [0, 7, "bin", "00001111"],
    [7, 0, "hex", "0x0f"],                                   // either order of the ends
    [4, 11, "hex", "0x00"], [12, 15, "bin", "1111"],
    [28, 31, "dec", "10"], [31, 31, "bin", "1"],
    [0, 31, "hex", "0xa5a5f00f"], [0, 31, "dec", "2779115535"],
    [1, 10, "hex", "0x007"],                                 // 10 lines: three hex digits
  ]) {
    const width = Math.abs(last - first) + 1;
    assert.equal(M.formatValue(M.busValue(word, first, last), width, radix), text, `${first}-${last} ${radix}`);
  }
});
