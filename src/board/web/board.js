// The lap board: polls the standings twice a second and shows them. Data from the program is
// only ever written as text, never as markup.
"use strict";

const JSON_PATH = "/api/standings.json";
let shown = "";
let texts = {};

function element(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = text;
  return node;
}

function number(value, language) {
  return typeof value === "number" ? value.toLocaleString(language || undefined, { useGrouping: false }) : "";
}

function setTexts(data) {
  texts = data.texts;
  document.documentElement.lang = texts.language || "en";
  document.title = texts.title;
  document.getElementById("title").textContent = texts.title;
  document.getElementById("hBib").textContent = texts.bib;
  document.getElementById("hName").textContent = texts.name;
  document.getElementById("hLaps").textContent = texts.laps;
  document.getElementById("hRemaining").textContent = texts.remaining;
  document.getElementById("lastBibLabel").textContent = texts.lastBib;
  document.getElementById("lastPassagesLabel").textContent = texts.lastPassages;
  document.getElementById("dataLink").textContent = texts.data;
}

function row(entry, language) {
  const tr = element("tr", entry.state || "");
  const bib = element("td", "num bib", String(entry.bib));
  tr.append(bib, element("td", "name", entry.name));
  tr.append(element("td", "num", number(entry.laps, language)));
  const remaining = element("td", "num remaining", number(entry.remaining, language));
  if (entry.state === "lastLap") remaining.append(element("span", "badge", texts.lastLap));
  if (entry.state === "finished") remaining.append(element("span", "badge", texts.finished));
  tr.append(remaining);
  return tr;
}

function render(data) {
  setTexts(data);
  const language = texts.language;
  const table = document.getElementById("standings");
  const hasNames = data.standings.some((entry) => entry.name) || data.last.some((entry) => entry.name);
  table.classList.toggle("no-names", !hasNames);
  table.classList.toggle("no-target", data.target === null);
  const body = document.createDocumentFragment();
  for (const entry of data.standings) body.append(row(entry, language));
  table.tBodies[0].replaceChildren(body);

  const hidden = data.total - data.standings.length;
  document.getElementById("more").textContent = hidden > 0 ? texts.more.replace("[count]", String(hidden)) : "";
  document.getElementById("waiting").textContent = data.total === 0 && data.last.length === 0 ? texts.waiting : "";

  const latest = data.last[0];
  document.getElementById("lastBib").textContent = latest ? String(latest.bib) : "\u2013";
  document.getElementById("lastName").textContent = latest ? latest.name : "";
  const passages = document.createDocumentFragment();
  for (const entry of data.last) {
    const li = element("li");
    li.append(element("span", "bib", String(entry.bib)), element("span", "name", entry.name),
              element("span", "laps", entry.laps > 0 ? number(entry.laps, language) + " \u00d7" : ""));
    passages.append(li);
  }
  document.getElementById("lastPassages").replaceChildren(passages);
}

async function poll() {
  try {
    const response = await fetch(JSON_PATH, { cache: "no-cache" });
    if (!response.ok) throw new Error(String(response.status));
    const text = await response.text();
    document.getElementById("status").textContent = "";
    if (text !== shown) {
      render(JSON.parse(text));
      shown = text;
    }
  } catch (error) {
    document.getElementById("status").textContent = texts.offline || "\u26a0";
  }
  setTimeout(poll, 500);
}

poll();
