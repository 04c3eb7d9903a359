#include "platform/ui/web/page.h"

namespace helx::ui::web {

const std::string& StatusPageHtml() {
  static const std::string page = R"HTML(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>HELX status</title>
<style>
  body { font: 14px/1.4 system-ui, sans-serif; margin: 0; background: #1d2127; color: #e4e6ea; }
  header { padding: 8px 16px; background: #2b3139; display: flex; gap: 24px; align-items: baseline; }
  header h1 { font-size: 18px; margin: 0; }
  #age { color: #9aa3ad; }
  #age.stale { color: #ff6b6b; font-weight: bold; }
  main { display: grid; grid-template-columns: minmax(300px, 420px) 1fr; gap: 12px; padding: 12px; }
  section { background: #262b32; border-radius: 6px; padding: 8px 12px; margin-bottom: 12px; }
  h2 { font-size: 13px; text-transform: uppercase; letter-spacing: .06em; color: #9aa3ad; margin: 4px 0 6px; }
  table { border-collapse: collapse; width: 100%; }
  td { padding: 2px 4px; vertical-align: top; }
  td.name { color: #9aa3ad; width: 45%; }
  .led { display: inline-block; width: 12px; height: 12px; border-radius: 50%; background: #444a52;
         vertical-align: middle; border: 1px solid #666; }
  .led.on { background: #3ddc6b; border-color: #3ddc6b; }
  .big { font-size: 22px; font-variant-numeric: tabular-nums; }
  #messages { font: 12px/1.35 ui-monospace, monospace; white-space: pre-wrap; max-height: 260px;
              overflow-y: auto; margin: 0; }
  #popups div { border-left: 3px solid #f0b429; padding: 2px 8px; margin: 4px 0; }
  #popups .time { color: #9aa3ad; font-size: 12px; }
  #picture { width: 100%; max-width: 768px; image-rendering: pixelated; background: #000; display: block; }
  #files td:last-child { text-align: right; font-variant-numeric: tabular-nums; }
  .none { color: #6c757d; }
</style>
</head>
<body>
<header><h1>HELX</h1><span id="utc">&ndash;</span><span id="age">connecting&hellip;</span></header>
<main>
  <div>
    <section><h2>Observation</h2>
      <div>Run <span id="run" class="big">&ndash;</span> &nbsp; Frame <span id="frame" class="big">&ndash;</span></div>
    </section>
    <div id="groups"></div>
  </div>
  <div>
    <section><h2>Picture</h2><img id="picture" alt="the picture shown"><div id="noPicture" class="none">no picture is shown yet</div><div id="pictureFacts"></div></section>
    <section><h2>Messages</h2><pre id="messages"></pre></section>
    <section><h2>Popups</h2><div id="popups" class="none">none</div></section>
    <section><h2>Files</h2><div id="folder" class="none"></div><table id="files"></table></section>
  </div>
</main>
<script>
"use strict";
const token = new URLSearchParams(location.search).get("token");
const withToken = (path) => token ? path + (path.includes("?") ? "&" : "?") + "token=" + encodeURIComponent(token) : path;
const shownGroups = ["power", "scanner", "cameras", "grating", "setting"];
let lastOk = 0, pictureGeneration = -1;

function text(el, value) { el.textContent = value === null || value === undefined ? "\u2013" : value; }
function cell(row, value, cls) {
  const td = row.insertCell();
  if (cls) td.className = cls;
  if (typeof value === "boolean") { const led = document.createElement("span"); led.className = "led" + (value ? " on" : ""); td.append(led); }
  else text(td, value);
}
function renderGroup(name, facts) {
  let section = document.getElementById("group-" + name);
  if (!section) {
    section = document.createElement("section");
    section.id = "group-" + name;
    section.innerHTML = "<h2></h2><table></table>";
    section.querySelector("h2").textContent = name;
    document.getElementById("groups").append(section);
  }
  const table = section.querySelector("table");
  table.replaceChildren();
  for (const [key, value] of Object.entries(facts)) {
    const row = table.insertRow();
    cell(row, key.replaceAll("_", " "), "name");
    cell(row, value);
  }
}
function render(s) {
  text(document.getElementById("utc"), s.utc);
  text(document.getElementById("run"), s.observation && s.observation.run);
  text(document.getElementById("frame"), s.observation && s.observation.frame);
  for (const name of shownGroups) if (s[name]) renderGroup(name, s[name]);
  const box = document.getElementById("messages");
  const atEnd = box.scrollTop + box.clientHeight >= box.scrollHeight - 4;
  box.textContent = s.messages.join("\n");
  if (atEnd) box.scrollTop = box.scrollHeight;
  const popups = document.getElementById("popups");
  popups.replaceChildren();
  popups.className = s.popups.length ? "" : "none";
  if (!s.popups.length) popups.textContent = "none";
  for (const p of s.popups.slice().reverse()) {
    const div = document.createElement("div");
    const time = document.createElement("span"); time.className = "time"; time.textContent = p.utc + " ";
    const title = document.createElement("b"); title.textContent = p.title + ": ";
    div.append(time, title, document.createTextNode(p.text));
    popups.append(div);
  }
  const facts = document.getElementById("pictureFacts");
  facts.replaceChildren();
  const table = document.createElement("table");
  for (const [key, value] of Object.entries(s.picture || {})) {
    if (["generation", "shown"].includes(key)) continue;
    const row = table.insertRow(); cell(row, key.replaceAll("_", " "), "name"); cell(row, value);
  }
  facts.append(table);
  const img = document.getElementById("picture");
  img.style.display = s.picture.shown ? "block" : "none";
  document.getElementById("noPicture").style.display = s.picture.shown ? "none" : "block";
  if (!s.picture.shown) { img.removeAttribute("src"); pictureGeneration = -1; }
  else if (s.picture.generation !== pictureGeneration) {
    pictureGeneration = s.picture.generation;
    img.src = withToken("/picture.png?g=" + pictureGeneration);
  }
}
function renderFiles(f) {
  text(document.getElementById("folder"), f.folder || "no data folder yet");
  const table = document.getElementById("files");
  table.replaceChildren();
  for (const file of f.files) {
    const row = table.insertRow();
    cell(row, file.name);
    cell(row, (file.size / 1048576).toFixed(1) + " MB");
  }
}
async function poll(path, handler) {
  try {
    const response = await fetch(withToken(path), { cache: "no-store" });
    if (!response.ok) throw new Error(response.status);
    handler(await response.json());
    return true;
  } catch (e) { return false; }
}
async function tick() {
  if (await poll("/status.json", render)) lastOk = Date.now();
  const age = document.getElementById("age");
  const seconds = (Date.now() - lastOk) / 1000;
  age.className = lastOk && seconds < 3 ? "" : "stale";
  age.textContent = lastOk ? (seconds < 3 ? "live" : "no answer for " + seconds.toFixed(0) + " s") : "no answer";
  setTimeout(tick, 500);
}
async function files() { await poll("/files.json", renderFiles); setTimeout(files, 5000); }
tick();
files();
</script>
</body>
</html>
)HTML";
  return page;
}

}  // namespace helx::ui::web
