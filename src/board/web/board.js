// The lap board: polls the standings twice a second and shows them in ranking order. Data from
// the program is only ever written as text, never as markup.
"use strict";

const JSON_PATH = "/api/standings.json";
const PAGE_SECONDS = 8; // a wide screen shows each page of a long list this long
let shown = "";
let data = null;
let texts = {};
let clockOffset = 0; // the program's clock minus this device's, from the Date header

function byId(id) {
  return document.getElementById(id);
}

function element(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined && text !== null) node.textContent = text;
  return node;
}

function fill(template, values) {
  return Object.keys(values).reduce((text, key) => text.split("[" + key + "]").join(values[key]), template || "");
}

function setTexts() {
  document.documentElement.lang = texts.language || "en";
  document.title = texts.title;
  const ids = { title: "title", hPlace: "place", hBib: "bib", hName: "name", hLaps: "laps",
                hRemaining: "remaining", hTime: "time", lastBibLabel: "lastBib",
                lastPassagesLabel: "lastPassages", dataLink: "data", qrLabel: "qrCode" };
  for (const [id, key] of Object.entries(ids)) byId(id).textContent = texts[key];
  byId("find").placeholder = texts.find;
  byId("find").setAttribute("aria-label", texts.find);
  byId("updated").textContent = fill(texts.updated, { time: data.updated });
}

// A time since the start as "H:MM:SS.t" (the tenths only where given).
function shortTime(text) {
  return text ? text.replace(/(\.\d)\d*$/, "$1") : "";
}

function row(entry) {
  const tr = element("tr", entry.state || "");
  tr.dataset.find = (entry.bib + " " + entry.name).toLowerCase();
  tr.dataset.bib = String(entry.bib);
  tr.append(element("td", "num place", entry.place + "."));
  tr.append(element("td", "num bib", String(entry.bib)));
  const name = element("td", "name", entry.name);
  if (entry.category) {
    const category = entry.categoryPlace ? fill(texts.categoryPlace, { category: entry.category, place: entry.categoryPlace })
                                         : entry.category;
    name.append(element("small", "category", category));
  }
  tr.append(name);
  const laps = element("td", "num laps", String(entry.laps));
  if (entry.remaining !== null) laps.append(element("small", "togo", texts.remaining + " " + Math.max(0, entry.remaining)));
  tr.append(laps);
  const remaining = element("td", "num remaining", entry.remaining === null ? "" : String(Math.max(0, entry.remaining)));
  if (entry.state === "lastLap") remaining.append(element("span", "badge", texts.lastLap));
  if (entry.state === "finished") remaining.append(element("span", "badge", texts.finished));
  tr.append(remaining);
  tr.append(element("td", "num time", shortTime(entry.time)));
  return tr;
}

function applyFind() {
  const wanted = byId("find").value.trim().toLowerCase();
  for (const tr of byId("standings").tBodies[0].rows) {
    tr.hidden = wanted !== "" && !(tr.dataset.bib.startsWith(wanted) || tr.dataset.find.includes(wanted));
  }
}

function render() {
  setTexts();
  const table = byId("standings");
  table.classList.toggle("no-target", !data.standings.some((entry) => entry.remaining !== null));
  table.classList.toggle("no-time", !data.standings.some((entry) => entry.time));
  table.classList.toggle("no-names", !data.standings.some((entry) => entry.name || entry.category));
  const body = document.createDocumentFragment();
  for (const entry of data.standings) body.append(row(entry));
  table.tBodies[0].replaceChildren(body);
  applyFind();

  const hidden = data.total - data.standings.length;
  byId("more").textContent = hidden > 0 ? fill(texts.more, { count: hidden }) : "";
  byId("waiting").textContent = data.total === 0 && data.last.length === 0 ? texts.waiting : "";

  const latest = data.last[0];
  byId("lastBib").textContent = latest ? String(latest.bib) : "\u2013";
  byId("lastName").textContent = latest ? latest.name : "";
  const passages = document.createDocumentFragment();
  for (const entry of data.last) {
    const li = element("li");
    li.append(element("span", "bib", String(entry.bib)), element("span", "name", entry.name),
              element("span", "lap", fill(texts.lapNumber, { lap: entry.lap })));
    passages.append(li);
  }
  byId("lastPassages").replaceChildren(passages);
  showRaceTime();
}

function showRaceTime() {
  const start = data && data.start ? Date.parse(data.start) : NaN;
  if (isNaN(start)) {
    byId("raceTime").textContent = "";
    return;
  }
  const seconds = Math.max(0, Math.floor((Date.now() + clockOffset - start) / 1000));
  const clock = Math.floor(seconds / 3600) + ":" + String(Math.floor(seconds / 60) % 60).padStart(2, "0") + ":" +
                String(seconds % 60).padStart(2, "0");
  byId("raceTime").textContent = texts.raceTime + " " + clock;
}

async function poll() {
  try {
    const response = await fetch(JSON_PATH, { cache: "no-cache" });
    if (!response.ok) throw new Error(String(response.status));
    const serverTime = Date.parse(response.headers.get("Date") || "");
    if (!isNaN(serverTime)) clockOffset = serverTime - Date.now();
    const text = await response.text();
    byId("status").textContent = "";
    if (text !== shown) {
      data = JSON.parse(text);
      texts = data.texts;
      render();
      shown = text;
    }
  } catch (error) {
    byId("status").textContent = texts.offline || "\u26a0";
  }
  setTimeout(poll, 500);
}

// On a wide screen (a TV) a list longer than the screen pages by itself, so every runner is seen.
function turnPage() {
  const box = byId("standingsBox");
  const wide = window.matchMedia("(min-width: 900px)").matches;
  if (wide && byId("find").value === "" && box.scrollHeight > box.clientHeight + 4) {
    const atEnd = box.scrollTop + box.clientHeight >= box.scrollHeight - 4;
    box.scrollTop = atEnd ? 0 : box.scrollTop + box.clientHeight - 40;
  } else if (wide) {
    box.scrollTop = 0;
  }
}

byId("find").addEventListener("input", applyFind);
byId("qrCode").addEventListener("error", () => { byId("qrBox").hidden = true; });
setInterval(showRaceTime, 1000);
setInterval(turnPage, PAGE_SECONDS * 1000);
poll();
