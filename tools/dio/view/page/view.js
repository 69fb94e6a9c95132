// The view page: the card's state from /state and /events, its memories from /memory when the
// card's change count moves, and the controls as POSTs carrying the page's token.
"use strict";
const M = window.TimingMath;
const $ = id => document.getElementById(id);
const hex = (v, n) => "0x" + (v >>> 0).toString(16).padStart(n, "0");
const TOKEN = new URLSearchParams(location.search).get("token") || "";
const STATUS = [["armed",0x1],["running",0x2],["paused",0x4],["halted",0x8],["frame error",0x4000],["range error",0x8000]];
const LINE_H = 14, BUS_H = 18, AXIS_H = 20, LABEL_W = 64;
const COLORS = { grid: "#232831", label: "#8a93a3", high: "#f2b233", bus: "#4caf7a", pc: "#4caf7a", a: "#6aa8ff", b: "#e07ad8" };

let state = null;                    // the newest JSON
let outWords = new Uint32Array(M.WORDS), ctrlWords = new Uint32Array(M.WORDS);
let memoryChanges = -1, memoryWanted = false;
let view = M.clampView(0, M.WORDS);
let cursors = { a: null, b: null };
let buses = loadBuses();

// ---- The card's state -------------------------------------------------------------------------

function loadBuses() {
  try {
    const saved = JSON.parse(localStorage.getItem("quorvel-view-buses"));
    if (Array.isArray(saved)) return saved.filter(b => Number.isInteger(b.first) && Number.isInteger(b.last));
  } catch (e) { /* none saved, or not ours */ }
  return [{ name: "D[7:0]", first: 0, last: 7, radix: "hex" }, { name: "D[31:0]", first: 0, last: 31, radix: "hex" }];
}
function saveBuses() { localStorage.setItem("quorvel-view-buses", JSON.stringify(buses)); drawBusList(); drawTiming(); }

async function fetchMemory() {
  if (memoryWanted) return;
  memoryWanted = true;
  try {
    while (state && state.changes !== undefined && state.changes !== memoryChanges) {
      const changes = state.changes;
      const reply = await fetch("/memory", { cache: "no-store" });
      if (!reply.ok) break;
      const bytes = await reply.arrayBuffer();  // output memory, then control memory, little-endian
      outWords = new Uint32Array(bytes.slice(0, 4 * M.WORDS));
      ctrlWords = new Uint32Array(bytes.slice(4 * M.WORDS, 8 * M.WORDS));
      memoryChanges = changes;
      drawTiming(); drawWords();
      await new Promise(done => setTimeout(done, 200));  // a card being loaded: 5 fetches a second at most
    }
  } finally { memoryWanted = false; }
}

// ---- Timing diagram ----------------------------------------------------------------------------

function timingRows() { return { lines: 32, buses: buses.length }; }
function sizeCanvas(c, height) {
  const w = Math.max(200, Math.floor(c.clientWidth));
  if (c.width !== w) c.width = w;
  if (height !== undefined && c.height !== height) c.height = height;
  return w;
}

function drawTiming() {
  const started = performance.now();
  const c = $("timing"), rows = timingRows();
  const width = sizeCanvas(c, AXIS_H + rows.buses * BUS_H + rows.lines * LINE_H + 4);
  const g = c.getContext("2d"), plot = width - LABEL_W - 6, columns = Math.max(1, Math.floor(plot));
  g.clearRect(0, 0, width, c.height);
  g.font = "11px monospace"; g.textBaseline = "middle";
  const summary = M.columnSummary(outWords, view, columns);
  const step = plot / columns;
  // Address axis.
  g.fillStyle = COLORS.label;
  const ticks = 8;
  for (let t = 0; t <= ticks; ++t) {
    const x = LABEL_W + (t * plot) / ticks, word = Math.min(M.WORDS - 1, Math.round(view.start + (t * view.span) / ticks));
    g.fillRect(x, AXIS_H - 5, 1, 5);
    g.textAlign = t === ticks ? "right" : t === 0 ? "left" : "center";
    g.fillText(hex(word, 4), x, 8);
  }
  g.textAlign = "left";
  let y = AXIS_H;
  // Buses: the value where it holds over a column, a band where it changes.
  for (const bus of buses) {
    g.fillStyle = COLORS.label; g.fillText(bus.name, 4, y + BUS_H / 2);
    const bits = Math.abs(bus.last - bus.first) + 1;
    g.strokeStyle = COLORS.bus;
    let from = 0, value = null;
    const close = end => {
      if (value === null || end <= from) return;
      const x0 = LABEL_W + from * step, x1 = LABEL_W + end * step, text = M.formatValue(value, bits, bus.radix);
      g.strokeRect(x0 + 0.5, y + 2.5, Math.max(1, x1 - x0 - 1), BUS_H - 5);
      if (g.measureText(text).width < x1 - x0 - 6) { g.fillStyle = "#d8dde6"; g.fillText(text, x0 + 4, y + BUS_H / 2); }
    };
    for (let i = 0; i < columns; ++i) {
      const high = M.busValue(summary.or[i], bus.first, bus.last), low = M.busValue(summary.and[i], bus.first, bus.last);
      if (high !== low) {  // the value changes within the column
        close(i); value = null; from = i + 1;
        g.fillStyle = "rgba(76,175,122,.45)"; g.fillRect(LABEL_W + i * step, y + 3, Math.max(1, step), BUS_H - 6);
      } else if (high !== value) { close(i); value = high; from = i; }
    }
    close(columns);
    y += BUS_H;
  }
  // The 32 lines, line 0 at the top: one path each for the levels, one fill for changes.
  for (let line = 0; line < 32; ++line, y += LINE_H) {
    const bit = 1 << line, high = y + 2, low = y + LINE_H - 3;
    g.fillStyle = line % 2 ? "#161a20" : "#12151a"; g.fillRect(LABEL_W, y, plot, LINE_H);
    g.fillStyle = COLORS.label; g.fillText("D" + line, 4, y + LINE_H / 2);
    g.beginPath(); g.strokeStyle = COLORS.high;
    let last = null;
    for (let i = 0; i < columns; ++i) {
      const x = LABEL_W + i * step, on = (summary.and[i] & bit) !== 0, off = (summary.or[i] & bit) === 0;
      if (!on && !off) { g.moveTo(x + 0.5, high); g.lineTo(x + 0.5, low); last = null; continue; }
      const level = on ? high : low;
      if (last === null) g.moveTo(x, level); else if (last !== level) g.lineTo(x, level);
      g.lineTo(x + step, level); last = level;
    }
    g.stroke();
  }
  // Cursors: the program counter, A and B.
  const mark = (word, color, label) => {
    if (word === null || word < view.start || word >= view.start + view.span) return;
    const x = LABEL_W + M.xOf(word, plot, view) + Math.min(step, plot / view.span) / 2;
    g.fillStyle = color; g.fillRect(Math.round(x), AXIS_H, 1, c.height - AXIS_H);
    g.fillRect(Math.round(x) - 1, c.height - 14, g.measureText(label).width + 6, 13);
    g.fillStyle = "#000"; g.fillText(label, Math.round(x) + 2, c.height - 7);
  };
  if (state && state.run) mark(state.run.program_counter % M.WORDS, COLORS.pc, "PC");
  mark(cursors.a, COLORS.a, "A"); mark(cursors.b, COLORS.b, "B");
  $("viewrange").textContent = hex(view.start, 4) + "–" + hex(view.start + view.span - 1, 4) + " (" + view.span + " words)";
  window.timingRenderMs = performance.now() - started;
}

function drawCursors() {
  const rate = state && state.run ? state.run.sample_rate_hz : null;
  const show = w => w === null ? "–" : hex(w, 4) + " = " + hex(outWords[w], 8);
  $("cursora").textContent = show(cursors.a); $("cursorb").textContent = show(cursors.b);
  if (cursors.a === null || cursors.b === null) { $("delta").textContent = "–"; return; }
  const d = M.cursorDistance(cursors.a, cursors.b, rate);
  $("delta").textContent = d.samples + " samples" + (d.seconds === null ? " (rate unknown)" : " = " + M.formatSeconds(d.seconds));
}

function setView(v) { view = v; drawTiming(); drawWords(); }
function plotX(event) { const r = $("timing").getBoundingClientRect(); return (event.clientX - r.left) * ($("timing").width / r.width) - LABEL_W; }
function plotWidth() { return $("timing").width - LABEL_W - 6; }

$("zoomin").onclick = () => setView(M.zoomView(view, 2));
$("zoomout").onclick = () => setView(M.zoomView(view, 0.5));
$("zoomall").onclick = () => setView(M.clampView(0, M.WORDS));
$("zoomword").onclick = () => setView(M.clampView(cursors.a !== null ? cursors.a : view.start, 1));
$("goto").onchange = () => {
  const address = M.parseAddress($("goto").value);
  $("goto").classList.toggle("bad", address === null);
  if (address !== null) { cursors.a = address; setView(M.goToAddress(view, address)); drawCursors(); }
};
$("timing").addEventListener("wheel", e => {
  e.preventDefault();
  const anchor = view.start + (Math.max(0, plotX(e)) / plotWidth()) * view.span;
  setView(M.zoomView(view, e.deltaY < 0 ? 1.5 : 1 / 1.5, anchor));
}, { passive: false });
let drag = null;
$("timing").onmousedown = e => { drag = { x: e.clientX, start: view.start, moved: false }; };
window.addEventListener("mousemove", e => {
  if (!drag) return;
  const dx = (e.clientX - drag.x) * ($("timing").width / $("timing").getBoundingClientRect().width);
  if (Math.abs(dx) > 3) drag.moved = true;
  if (drag.moved) setView(M.clampView(drag.start - (dx / plotWidth()) * view.span, view.span));
});
window.addEventListener("mouseup", e => {
  if (drag && !drag.moved && e.target === $("timing") && plotX(e) >= 0) {
    const word = M.wordAt(plotX(e), plotWidth(), view);
    if (e.shiftKey || e.button === 2) cursors.b = word; else cursors.a = word;
    drawTiming(); drawCursors(); drawWords();
  }
  drag = null;
});
$("timing").oncontextmenu = e => e.preventDefault();

// ---- Buses -------------------------------------------------------------------------------------

function drawBusList() {
  $("buslist").replaceChildren(...buses.map((bus, i) => {
    const row = document.createElement("div");
    row.textContent = `${bus.name}: lines ${bus.first}–${bus.last}, ${bus.radix} `;
    const radix = document.createElement("select");
    for (const r of ["hex", "dec", "bin"]) radix.add(new Option(r, r, false, r === bus.radix));
    radix.onchange = () => { bus.radix = radix.value; saveBuses(); };
    const remove = document.createElement("button"); remove.textContent = "remove";
    remove.onclick = () => { buses.splice(i, 1); saveBuses(); };
    row.append(radix, " ", remove);
    return row;
  }));
}
$("busadd").onclick = () => {
  const first = parseInt($("busfirst").value, 10), last = parseInt($("buslast").value, 10);
  if (!(first >= 0 && first < 32 && last >= 0 && last < 32)) return;
  buses.push({ name: $("busname").value || "bus", first: Math.min(first, last), last: Math.max(first, last), radix: $("busradix").value });
  saveBuses();
};

// ---- Memories as words, from the diagram's cursor A or its first word --------------------------

function drawWords() {
  const from = cursors.a !== null ? cursors.a - (cursors.a % 8) : view.start - (view.start % 8);
  const pc = state && state.run ? state.run.program_counter % M.WORDS : -1;
  $("wordsfrom").textContent = hex(from, 4);
  let rows = "<tr><th>address</th><th>control</th><th>output</th></tr>";
  for (let a = from; a < Math.min(from + 32, M.WORDS); ++a) {
    const cls = a === pc ? "pc" : a === cursors.a ? "cur" : "";
    rows += `<tr><td>${hex(a, 4)}</td><td class="${cls}">${hex(ctrlWords[a], 8)}</td><td class="${cls}">${hex(outWords[a], 8)}</td></tr>`;
  }
  $("words").innerHTML = rows;
}

// ---- I/O history strip -------------------------------------------------------------------------

function drawHistory() {
  const c = $("history"), width = sizeCanvas(c), g = c.getContext("2d");
  g.clearRect(0, 0, width, c.height);
  if (!state || !state.io_history) return;
  const h = state.io_history, plot = width - LABEL_W - 6, rowH = (c.height - 14) / 32;
  // The view's clock now: the strip moves on while an idle card sends nothing.
  const now = h.now_ms + (performance.now() - stateArrived);
  $("historyspan").textContent = h.window_ms / 1000;
  const xAt = t => LABEL_W + ((t - (now - h.window_ms)) / h.window_ms) * plot;
  g.font = "9px monospace"; g.fillStyle = COLORS.label; g.textBaseline = "top";
  g.fillText("−" + h.window_ms / 1000 + " s", LABEL_W, c.height - 11);
  g.textAlign = "right"; g.fillText("now", width - 6, c.height - 11); g.textAlign = "left";
  for (let line = 0; line < 32; ++line) {
    const y = line * rowH;
    if (line % 4 === 0) g.fillText("D" + line, 4, y);
    g.fillStyle = COLORS.high;
    h.changes.forEach(([t, value], i) => {
      if (((value >>> line) & 1) === 0) return;
      const end = i + 1 < h.changes.length ? h.changes[i + 1][0] : now;
      const x0 = Math.max(LABEL_W, xAt(t)), x1 = xAt(end);
      g.fillRect(x0, y + 1, Math.max(1, x1 - x0), Math.max(1, rowH - 1.5));
    });
    g.fillStyle = COLORS.label;
  }
}

// ---- Panel, lamps, registers, commands ----------------------------------------------------------

const panel = $("panel"), panelCtx = panel.getContext("2d"), image = panelCtx.createImageData(256, 64);
for (let i = 31; i >= 0; --i) { const d = document.createElement("div"); d.className = "lamp"; d.id = "lamp" + i;
  d.innerHTML = "<i></i>" + i; $("lamps").appendChild(d); }
function zoom() { const z = +$("zoom").value; panel.style.width = 256 * z + "px"; panel.style.height = 64 * z + "px"; }
$("zoom").onchange = zoom; zoom();
$("save").onclick = () => { const z = +$("zoom").value, c = document.createElement("canvas");
  c.width = 256 * z; c.height = 64 * z; const g = c.getContext("2d"); g.imageSmoothingEnabled = false;
  g.drawImage(panel, 0, 0, c.width, c.height); $("save").href = c.toDataURL("image/png"); };
panel.onmousemove = e => {
  const r = panel.getBoundingClientRect(), x = Math.floor(((e.clientX - r.left) / r.width) * 256),
        y = Math.floor(((e.clientY - r.top) / r.height) * 64);
  if (x < 0 || x > 255 || y < 0 || y > 63) return;
  $("pixel").textContent = `x ${x} y ${y} level ${image.data[(y * 256 + x) * 4] / 17}`;
};
function drawPanel(d) {
  const m = d.memory, px = image.data;
  for (let i = 0; i < 8192; ++i) {
    const b = d.on ? parseInt(m.substr(2 * i, 2), 16) : 0;
    const levels = [(b >> 4) * 17, (b & 15) * 17];
    for (let k = 0; k < 2; ++k) { const o = (2 * i + k) * 4; px[o] = px[o + 1] = px[o + 2] = levels[k]; px[o + 3] = 255; }
  }
  panelCtx.putImageData(image, 0, 0);
  $("offlabel").style.display = d.on ? "none" : "flex";
  $("offlabel").textContent = "DISPLAY OFF";
}
function tags(el, items) { el.innerHTML = items.map(([name, set, cls]) =>
  `<span class="${set ? "set" : ""} ${cls || ""}">${name}</span>`).join(""); }
// Numbers in a logged command, "value=2779115535", shown in hex as the card's words are.
const inHex = text => text.replace(/=(\d{2,})\b/g, (all, n) => "=" + hex(+n, 0));

// What keeps the page from showing the card as it is now: a process holding the card, or a card
// file that is gone, replaced or cut short.
function notice(s) {
  const lines = [];
  if (s.held_by !== null) lines.push("held by process " + s.held_by + ": the card can't be read until it lets go" +
                                      (s.display ? "; below, the card as last read" : ""));
  if (s.card_file.problem) lines.push(s.card_file.problem);
  $("alert").replaceChildren(...lines.map(text => { const d = document.createElement("div"); d.textContent = text; return d; }));
  $("alert").hidden = lines.length === 0;
  return lines.length > 0;
}
let connected = false, troubled = false;
function showLink() {
  $("link").textContent = !connected ? "not connected" : troubled ? "live, card not current" : "live";
  $("link").className = !connected ? "lost" : troubled ? "held" : "live";
}

let lastChanges = null, stateArrived = 0;
function render(s) {
  state = s; stateArrived = performance.now();
  troubled = notice(s); showLink();
  $("cardpath").textContent = s.card_file.path; $("cardpath").title = s.card_file.path;
  $("port").textContent = location.port;
  if (!s.display) return;  // no picture of the card yet: it was held from the start
  if (s.changes !== lastChanges) { lastChanges = s.changes; $("changed").textContent = new Date().toLocaleTimeString(); }
  $("changes").textContent = s.changes;
  drawPanel(s.display);
  const pg = s.pattern_generator, io = pg.io_lines >>> 0, run = s.run;
  $("iohex").textContent = hex(io, 8);
  for (let i = 0; i < 32; ++i) $("lamp" + i).className = "lamp" + ((io >>> i) & 1 ? " on" : "");
  $("pc").textContent = hex(pg.program_counter, 8) + "  (" + pg.program_counter + ")";
  $("run").textContent = pg.run_state; $("status").textContent = hex(pg.status, 4);
  tags($("bits"), STATUS.map(([n, m]) => [n, pg.status & m, m >= 0x4000 ? "err" : ""]));
  $("trigger").textContent = pg.trigger_mode.map(v => hex(v, 2)).join("  ");
  $("dds").textContent = pg.dds_resets;
  $("runstate").textContent = run.state; $("runstate").className = "state " + run.state;
  $("runpc").textContent = hex(run.program_counter, 4);
  const length = run.length || M.WORDS;
  const fraction = Math.min(1, (run.program_counter % M.WORDS) / Math.max(1, length));
  $("progressbar").style.width = (100 * fraction).toFixed(1) + "%";
  $("progress").textContent = (run.program_counter % M.WORDS) + " / " + (run.length === null ? "?" : run.length);
  $("rate").textContent = run.sample_rate_hz === null ? "unknown" : run.sample_rate_hz + " Hz";
  $("clock").textContent = run.clock === null ? "unknown" : run.clock;
  $("repeat").textContent = run.repeat === null ? "unknown" : run.repeat ? "yes" : "no";
  const b = s.bridge; $("lines").textContent = hex(b.lines, 2);
  tags($("selects"), b.selected.map((sel, i) => ["CS" + i, sel]));
  tags($("dlines"), [[b.data_mode ? "data" : "command", b.data_mode], ["reset " + (b.reset_released ? "released" : "held"), !b.reset_released, "err"]]);
  $("transactions").textContent = b.transactions + (b.in_transaction ? "  (one open)" : "");
  $("commands").replaceChildren(...s.commands.slice().reverse().map(cmd => {
    const d = document.createElement("div"); d.title = cmd.text;
    const seq = document.createElement("span"); seq.className = "seq";
    seq.textContent = cmd.first ? "#" + cmd.first + (cmd.last !== cmd.first ? "-" + cmd.last : "") : "#-";
    d.append(seq, inHex(cmd.text)); return d; }));
  if ($("follow").checked && run.state === "running" && !(run.program_counter % M.WORDS >= view.start &&
      run.program_counter % M.WORDS < view.start + view.span)) view = M.goToAddress(view, run.program_counter % M.WORDS);
  drawTiming(); drawCursors(); drawWords(); drawHistory();
  if (s.changes !== memoryChanges) fetchMemory();
  window.cardState = s;
}

// ---- Controls: POSTs with the page's token --------------------------------------------------------

async function control(action) {
  const params = new URLSearchParams();
  if (action === "step") params.set("count", $("stepcount").value.trim());
  if (action === "io") params.set("value", $("iovalue").value.trim());
  const msg = $("controlmsg");
  try {
    const reply = await fetch("/control/" + action, { method: "POST", headers: { "X-Dio-Token": TOKEN,
      "Content-Type": "application/x-www-form-urlencoded" }, body: params.toString() });
    const text = (await reply.text()).trim();
    msg.textContent = reply.ok ? action + ": done" : action + ": " + (text || "refused (" + reply.status + ")");
    msg.className = reply.ok ? "" : "bad";
  } catch (e) { msg.textContent = action + ": the view did not answer"; msg.className = "bad"; }
}
for (const button of document.querySelectorAll("button[data-action]")) {
  button.onclick = () => control(button.dataset.action);
  if (!TOKEN) { button.disabled = true; button.title = "open the page at the URL dio view printed, with its token"; }
}
if (!TOKEN) { $("controlmsg").textContent = "read only: this URL has no token"; }

drawBusList();
window.addEventListener("resize", () => { drawTiming(); drawHistory(); });
setInterval(drawHistory, 250);
// For the browser test and the console: the diagram's view and cursors.
window.viewApp = {
  drawTiming,
  setView: v => setView(M.clampView(v.start, v.span)),
  setCursor: (which, word) => { cursors[which] = word; drawTiming(); drawCursors(); drawWords(); },
};
fetch("/state").then(r => r.json()).then(render);
const events = new EventSource("/events");
events.onopen = () => { connected = true; showLink(); };
events.onerror = () => { connected = false; showLink(); };
events.onmessage = e => render(JSON.parse(e.data));
