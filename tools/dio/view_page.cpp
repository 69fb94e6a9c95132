#include "view_page.h"

namespace dio {

namespace {

constexpr std::string_view kPage = R"PAGE(<!doctype html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Quorvel card</title>
<style>
:root { color-scheme:dark; --bg:#14171c; --panel:#1d2128; --line:#2c323c; --text:#d8dde6; --dim:#8a93a3;
        --on:#f2b233; --off:#3a4150; --ok:#4caf7a; --bad:#e05d5d; --accent:#6aa8ff; }
* { box-sizing:border-box; }
body { margin:0; background:var(--bg); color:var(--text); font:14px/1.4 system-ui, sans-serif; }
header { display:flex; align-items:baseline; gap:16px; padding:10px 20px; border-bottom:1px solid var(--line); }
header h1 { font-size:17px; margin:0; font-weight:600; }
header .meta { color:var(--dim); }
#link { margin-left:auto; }
#link.live { color:var(--ok); } #link.lost { color:var(--bad); }
#alert { padding:8px 20px; background:#4a1f22; color:#ffd6d6; border-bottom:1px solid var(--bad); font-weight:600; }
#alert div + div { margin-top:4px; }
main { display:grid; grid-template-columns:minmax(0,1fr) 440px; gap:16px; padding:16px 20px; }
section { background:var(--panel); border:1px solid var(--line); border-radius:8px; padding:12px 14px; }
h2 { font-size:12px; letter-spacing:.08em; text-transform:uppercase; color:var(--dim); margin:0 0 10px; font-weight:600; }
.mono, td, .hex { font-family:ui-monospace, "DejaVu Sans Mono", monospace; }
#panelbox { text-align:center; }
#panelwrap { display:inline-block; padding:10px; background:#000; border-radius:6px; position:relative; }
#panel { display:block; image-rendering:pixelated; background:#000; }
#offlabel { position:absolute; inset:0; display:flex; align-items:center; justify-content:center;
            color:#555; font-size:18px; letter-spacing:.2em; pointer-events:none; }
.tools { margin-top:10px; display:flex; gap:14px; justify-content:center; align-items:center; color:var(--dim); }
a { color:var(--accent); }
.lamps { display:grid; grid-template-columns:repeat(16, 1fr); gap:4px; }
.lamp { text-align:center; font-size:10px; color:var(--dim); }
.lamp i { display:block; height:14px; border-radius:50%; background:var(--off); margin:0 auto 2px; width:14px; }
.lamp.on i { background:var(--on); box-shadow:0 0 6px var(--on); }
.big { font-size:20px; }
table { border-collapse:collapse; width:100%; }
td { padding:2px 6px; vertical-align:top; }
td:first-child { color:var(--dim); font-family:system-ui, sans-serif; }
.bits span { display:inline-block; padding:0 6px; margin:1px 2px; border-radius:3px; background:var(--off); color:var(--dim); font-size:12px; }
.bits span.set { background:var(--accent); color:#000; }
.bits span.err.set { background:var(--bad); color:#fff; }
#commands { max-height:360px; overflow:auto; font-size:12px; }
#commands div { white-space:pre; overflow:hidden; text-overflow:ellipsis; border-bottom:1px solid var(--line); padding:1px 0; }
#commands .seq { color:var(--dim); display:inline-block; width:96px; }
#memory td.pc { background:var(--accent); color:#000; }
#timing { width:100%; height:auto; background:#101317; border-radius:4px; }
.row { display:grid; grid-template-columns:1fr 1fr; gap:16px; margin-top:16px; }
.col { display:flex; flex-direction:column; gap:16px; }
</style>
</head>
<body>
<header><h1>Quorvel digital-I/O card</h1><span class="meta">simulated card, live</span>
<span id="link" class="lost">connecting…</span></header>
<div id="alert" hidden></div>
<main>
<div>
  <section id="panelbox"><h2>Display panel, 256 × 64</h2>
    <div id="panelwrap"><canvas id="panel" width="256" height="64"></canvas><div id="offlabel">NOT READ YET</div></div>
    <div class="tools">zoom <select id="zoom"><option>1</option><option>2</option><option selected>3</option><option>4</option><option>5</option></select>
      <a id="save" href="#" download="panel.png">save PNG</a></div>
  </section>
  <div class="row">
    <section><h2>I/O lines</h2><div class="big mono" id="iohex">–</div><div class="lamps" id="lamps"></div></section>
    <section><h2>Pattern generator</h2><table>
      <tr><td>program counter</td><td id="pc"></td></tr>
      <tr><td>run state</td><td id="run"></td></tr>
      <tr><td>status</td><td><span id="status"></span> <span class="bits" id="bits"></span></td></tr>
      <tr><td>trigger mode</td><td id="trigger"></td></tr>
      <tr><td>DDS resets</td><td id="dds"></td></tr></table></section>
  </div>
  <section style="margin-top:16px"><h2>Output memory around the program counter</h2>
    <canvas id="timing" width="900" height="330"></canvas>
    <table id="memory"></table></section>
</div>
<div class="col">
  <section><h2>Bridge</h2><table>
    <tr><td>line register</td><td id="lines"></td></tr>
    <tr><td>chip selects</td><td class="bits" id="selects"></td></tr>
    <tr><td>display lines</td><td class="bits" id="dlines"></td></tr>
    <tr><td>transactions</td><td id="transactions"></td></tr></table></section>
  <section><h2>Recent commands</h2><div id="commands" class="mono"></div></section>
</div>
</main>
<script>
"use strict";
const $ = id => document.getElementById(id);
const hex = (v, n) => "0x" + (v >>> 0).toString(16).padStart(n, "0");
const panel = $("panel"), ctx = panel.getContext("2d"), image = ctx.createImageData(256, 64);
const STATUS = [["armed",0x1],["running",0x2],["paused",0x4],["halted",0x8],["frame error",0x4000],["range error",0x8000]];
for (let i = 31; i >= 0; --i) { const d = document.createElement("div"); d.className = "lamp"; d.id = "lamp" + i;
  d.innerHTML = "<i></i>" + i; $("lamps").appendChild(d); }
function zoom() { const z = +$("zoom").value; panel.style.width = 256 * z + "px"; panel.style.height = 64 * z + "px"; }
$("zoom").onchange = zoom; zoom();
$("save").onclick = () => { const z = +$("zoom").value, c = document.createElement("canvas");
  c.width = 256 * z; c.height = 64 * z; const g = c.getContext("2d"); g.imageSmoothingEnabled = false;
  g.drawImage(panel, 0, 0, c.width, c.height); $("save").href = c.toDataURL("image/png"); };
function drawPanel(d) {
  const m = d.memory, px = image.data;
  for (let i = 0; i < 8192; ++i) {
    const b = d.on ? parseInt(m.substr(2 * i, 2), 16) : 0;
    const levels = [(b >> 4) * 17, (b & 15) * 17];
    for (let k = 0; k < 2; ++k) { const o = (2 * i + k) * 4; px[o] = px[o + 1] = px[o + 2] = levels[k]; px[o + 3] = 255; }
  }
  ctx.putImageData(image, 0, 0);
  $("offlabel").style.display = d.on ? "none" : "flex";
  $("offlabel").textContent = "DISPLAY OFF";
}
function tags(el, items) { el.innerHTML = items.map(([name, set, cls]) =>
  `<span class="${set ? "set" : ""} ${cls || ""}">${name}</span>`).join(""); }
function drawTiming(pg) {
  const c = $("timing"), g = c.getContext("2d"), words = pg.out_words, n = words.length;
  const left = 40, top = 4, w = (c.width - left - 4) / Math.max(n, 1), h = 10;
  g.clearRect(0, 0, c.width, c.height); g.font = "10px monospace";
  const pcIndex = pg.program_counter % 65536 - pg.out_start;
  g.fillStyle = "rgba(106,168,255,.18)"; g.fillRect(left + pcIndex * w, 0, w, c.height);
  for (let line = 0; line < 32; ++line) {
    const y = top + line * h; g.fillStyle = "#8a93a3"; g.fillText("D" + line, 4, y + 8);
    g.strokeStyle = "#f2b233"; g.beginPath();
    for (let i = 0; i < n; ++i) { const high = (words[i] >>> line) & 1, yy = y + (high ? 1 : 8);
      if (i === 0) g.moveTo(left, yy); else g.lineTo(left + i * w, yy); g.lineTo(left + (i + 1) * w, yy); }
    g.stroke();
  }
}
// What keeps the page from showing the card as it is now: a process holding the card, or a card
// file that is gone, replaced or cut short.
function notice(s) {
  const lines = [];
  if (s.held_by !== null) lines.push("held by process " + s.held_by + ": the card can't be read until it lets go" +
                                      (s.display ? "; below, the card as last read" : ""));
  if (s.card_file.problem) lines.push(s.card_file.problem);
  $("alert").replaceChildren(...lines.map(text => { const d = document.createElement("div"); d.textContent = text; return d; }));
  $("alert").hidden = lines.length === 0;
}
function render(s) {
  notice(s);
  if (!s.display) return;  // no picture of the card yet: it was held from the start
  drawPanel(s.display);
  const pg = s.pattern_generator, io = pg.io_lines >>> 0;
  $("iohex").textContent = hex(io, 8);
  for (let i = 0; i < 32; ++i) $("lamp" + i).className = "lamp" + ((io >>> i) & 1 ? " on" : "");
  $("pc").textContent = hex(pg.program_counter, 8) + "  (" + pg.program_counter + ")";
  $("run").textContent = pg.run_state; $("status").textContent = hex(pg.status, 4);
  tags($("bits"), STATUS.map(([n, m]) => [n, pg.status & m, m >= 0x4000 ? "err" : ""]));
  $("trigger").textContent = pg.trigger_mode.map(v => hex(v, 2)).join("  ");
  $("dds").textContent = pg.dds_resets;
  const b = s.bridge; $("lines").textContent = hex(b.lines, 2);
  tags($("selects"), b.selected.map((sel, i) => ["CS" + i, sel]));
  tags($("dlines"), [[b.data_mode ? "data" : "command", b.data_mode], ["reset " + (b.reset_released ? "released" : "held"), !b.reset_released, "err"]]);
  $("transactions").textContent = b.transactions + (b.in_transaction ? "  (one open)" : "");
  $("commands").innerHTML = "";
  for (const cmd of s.commands.slice().reverse()) { const d = document.createElement("div"); d.title = cmd.text;
    const seq = document.createElement("span"); seq.className = "seq";
    seq.textContent = cmd.first ? "#" + cmd.first + (cmd.last !== cmd.first ? "-" + cmd.last : "") : "#-";
    d.appendChild(seq); d.appendChild(document.createTextNode(cmd.text)); $("commands").appendChild(d); }
  let rows = "";
  pg.out_words.forEach((w, i) => { const a = pg.out_start + i;
    if (i % 8 === 0) rows += "<tr><td>" + hex(a, 4) + "</td>";
    rows += `<td class="${a === pg.program_counter % 65536 ? "pc" : ""}">${hex(w, 8).slice(2)}</td>`;
    if (i % 8 === 7) rows += "</tr>"; });
  $("memory").innerHTML = rows;
  drawTiming(pg);
  window.cardState = s;
}
fetch("/state").then(r => r.json()).then(render);
const events = new EventSource("/events");
events.onopen = () => { $("link").textContent = "live"; $("link").className = "live"; };
events.onerror = () => { $("link").textContent = "not connected"; $("link").className = "lost"; };
events.onmessage = e => render(JSON.parse(e.data));
</script>
</body>
</html>
)PAGE";

}  // namespace

std::string_view view_page() { return kPage; }

}  // namespace dio
