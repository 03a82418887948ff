// The page around the reader (reader.cpp): it puts the chosen files into
// the reader's in-memory file system, shows the documents the reader
// answers with, and hands out the files an installation wrote there.
// What a name means, where a file goes and whether a disk is sound is the
// reader's to say; the page only shows it.
"use strict";

const $ = (id) => document.getElementById(id);
const kPackageFolder = "/package";
const kVerifyStep = 4 << 20;  // bytes read between two repaints of the progress bar

let reader = null;
let opened = null;     // what pm_open answered for the package on show
let chosen = [];       // the File objects it was opened from
let installed = null;  // what pm_install answered, once the files are wanted
let installs = 0;

function call(name, types = [], args = []) {
  return JSON.parse(reader.ccall(name, "string", types, args));
}

function element(tag, text, className) {
  const made = document.createElement(tag);
  if (text !== undefined && text !== null) made.textContent = text;
  if (className) made.className = className;
  return made;
}

function row(cells) {
  const tr = document.createElement("tr");
  for (const cell of cells) {
    const td = document.createElement("td");
    if (cell instanceof Node) td.append(cell);
    else if (cell && typeof cell === "object") {
      td.textContent = cell.text;
      td.className = cell.className || "";
    } else td.textContent = cell;
    tr.append(td);
  }
  return tr;
}

function status(text, kind = "") {
  $("status").textContent = text;
  $("status").className = kind;
}

const bytes = (n) => `${n.toLocaleString("en")} bytes`;

// As pmsetup list shows times: this computer's local time.
function localTime(iso) {
  if (!iso) return "–";
  const when = new Date(iso);
  const two = (n) => String(n).padStart(2, "0");
  return `${when.getFullYear()}-${two(when.getMonth() + 1)}-${two(when.getDate())} ` +
         `${two(when.getHours())}:${two(when.getMinutes())}:${two(when.getSeconds())}`;
}

const hex = (n) => "0x" + n.toString(16).toUpperCase().padStart(8, "0");

function swatch(colour, label) {
  const box = element("span", null, "swatch-entry");
  const chip = element("span", null, "swatch");
  chip.style.background = colour;
  box.append(chip, `${label} ${colour}`);
  return box;
}

// Files inside dropped folders are taken as if chosen one by one.
async function droppedFiles(items) {
  const files = [];
  const walk = async (entry) => {
    if (entry.isFile) {
      files.push(await new Promise((resolve, reject) => entry.file(resolve, reject)));
    } else if (entry.isDirectory) {
      const lister = entry.createReader();
      for (;;) {
        const batch = await new Promise((resolve, reject) => lister.readEntries(resolve, reject));
        if (batch.length === 0) break;
        for (const child of batch) await walk(child);
      }
    }
  };
  const entries = [...items].map((item) => item.webkitGetAsEntry && item.webkitGetAsEntry()).filter(Boolean);
  for (const entry of entries) await walk(entry);
  return files;
}

async function openFiles(files) {
  chosen = [...files];
  opened = null;
  installed = null;
  $("package").hidden = true;
  $("warnings").replaceChildren();
  if (chosen.length === 0) return;
  status(`Reading ${chosen.length} file${chosen.length === 1 ? "" : "s"}…`);
  reader.ccall("pm_reset", null, ["string"], [kPackageFolder]);
  for (const file of chosen) {
    reader.FS.writeFile(`${kPackageFolder}/${file.name}`, new Uint8Array(await file.arrayBuffer()));
  }
  show(call("pm_open", ["number"], [Number($("code-page").value)]));
}

function show(answer) {
  for (const warning of answer.warnings || []) $("warnings").append(element("li", warning));
  if (answer.error) {
    status(answer.error, "error");
    return;
  }
  opened = answer;
  const listing = answer.listing;
  status(answer.hint ? `Opened, but ${answer.hint}.` : "", answer.hint ? "warning" : "");

  const { top, bottom, title } = listing.colours;
  $("backdrop").style.background = `linear-gradient(${top}, ${bottom})`;
  $("backdrop-title").textContent = listing.texts.Title;
  $("backdrop-title").style.color = title;
  $("backdrop-footer").textContent = listing.texts.FooterText;
  $("backdrop-footer").style.color = title;
  $("stub").textContent = listing.stub.description;
  $("colours").replaceChildren(swatch(top, "top"), swatch(bottom, "bottom"), swatch(title, "title"));
  $("payload").textContent = bytes(listing.total_size);
  $("disks").textContent = String(listing.disk_count);
  $("shown-code-page").textContent = String(listing.code_page);

  $("text-rows").replaceChildren(...Object.entries(listing.texts).map(([name, text]) =>
    row([{ text: name, className: "name" }, text === "" ? { text: "(empty)", className: "empty" } : text])));

  $("file-rows").replaceChildren(...listing.files.map((file, index) => {
    const button = element("button", "Download", "small");
    button.type = "button";
    button.disabled = file.installed_as === null;
    button.addEventListener("click", () => downloadOne(index));
    const name = file.installed_as === null
      ? { text: `${file.name} (cannot be installed: ${file.problem})`, className: "error" }
      : { text: file.installed_as + (file.main ? "  (main program)" : ""), className: "path" };
    return row([name, { text: file.size.toLocaleString("en"), className: "number" }, localTime(file.modified), button]);
  }));

  showVolumes(listing.integrity, null);
  $("verdict").textContent = "";
  $("progress").hidden = true;
  $("verify").disabled = listing.integrity === null;
  $("install-status").textContent = "";
  $("package").hidden = false;
}

function showVolumes(integrity, verdicts) {
  if (integrity === null) {
    $("integrity").textContent = "No integrity record: the package was packed without one, so damage cannot be detected.";
    $("volume-rows").replaceChildren();
    return;
  }
  $("integrity").textContent = `Integrity record: payload CRC-32 ${hex(integrity.payload_crc)}` +
    (integrity.image_covered ? "; it covers the installer program too." : "; an older record, which leaves the installer program out.");
  $("volume-rows").replaceChildren(...integrity.volumes.map((volume, index) => {
    const verdict = verdicts ? verdicts[index] : null;
    // Only a volume taken off a disk image came from somewhere else.
    const found = verdict ? verdict.found_at : opened.origins[volume.name] || volume.name;
    const from = found === volume.name ? "" : found;
    const shown = verdict ? { text: verdict.message, className: verdict.verdict === "good" ? "good" : "bad" } : "–";
    return row([{ text: volume.name, className: "path" }, from || "–", { text: volume.size.toLocaleString("en"), className: "number" },
                hex(volume.crc), shown]);
  }));
}

const nextFrame = () => new Promise((resolve) => setTimeout(resolve, 0));

async function verify() {
  $("verify").disabled = true;
  $("progress").hidden = false;
  $("progress").value = 0;
  $("verdict").textContent = "Reading the disks…";
  $("verdict").className = "";
  let state = call("pm_verify_start");
  while (!state.error && !state.finished) {
    await nextFrame();
    state = call("pm_verify_step", ["number"], [kVerifyStep]);
  }
  $("verify").disabled = false;
  $("progress").value = 1;
  if (state.error) {
    $("verdict").textContent = state.error;
    $("verdict").className = "bad";
    return;
  }
  const result = state.document;
  if (result.volumes) showVolumes(opened.listing.integrity, result.volumes);
  const bad = (result.volumes || []).filter((volume) => volume.verdict !== "good");
  const parts = [];
  if (result.installer.verdict !== "good") parts.push(`SETUP.EXE is damaged: ${result.installer.problem}`);
  for (const volume of bad) parts.push(`${volume.name}${volume.found_at && volume.found_at !== volume.name ? ` (from ${volume.found_at})` : ""} is ${volume.message}`);
  $("verdict").textContent = result.sound
    ? `Sound: SETUP.EXE and every disk are as packed.`
    : `Not as packed. ${parts.join("; ")}.`;
  $("verdict").className = result.sound ? "good" : "bad";
}

// The files, installed once into the reader's memory when first wanted.
function installedFiles() {
  if (installed) return installed;
  $("install-status").textContent = "Decoding…";
  $("install-status").className = "";
  const answer = call("pm_install", ["string"], [`/installed/${++installs}`]);
  if (answer.error) {
    $("install-status").textContent = answer.error;
    $("install-status").className = "bad";
    return null;
  }
  $("install-status").textContent = "";
  installed = answer.files;
  return installed;
}

function save(blob, name) {
  const link = element("a");
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

function downloadOne(index) {
  const files = installedFiles();
  if (!files) return;
  const file = files[index];
  save(new Blob([reader.FS.readFile(file.path)]), file.name.split("/").pop());
}

function downloadAll() {
  const files = installedFiles();
  if (!files) return;
  const entries = files.map((file) => ({ name: file.name, bytes: reader.FS.readFile(file.path), modified: file.modified }));
  const title = opened.listing.texts.Title.replace(/[\\/:*?"<>|\x00-\x1f]/g, "_").trim() || "package";
  try {
    save(ZipWriter.make(entries), `${title}.zip`);
  } catch (error) {
    $("install-status").textContent = String(error.message);
    $("install-status").className = "bad";
  }
}

async function start() {
  status("Starting…");
  reader = await PagemixReader({
    onprogress: (done, total) => { $("progress").value = total > 0 ? done / total : 1; },
  });
  const pages = JSON.parse(reader.ccall("pm_code_pages", "string", [], []));
  $("code-page").replaceChildren(...pages.map((page) => {
    const option = element("option", String(page));
    option.value = String(page);
    option.selected = page === 1252;
    return option;
  }));
  status("");

  $("files").addEventListener("change", (event) => openFiles(event.target.files));
  $("code-page").addEventListener("change", () => openFiles(chosen));
  $("verify").addEventListener("click", verify);
  $("zip").addEventListener("click", downloadAll);
  const drop = $("chooser");
  for (const name of ["dragenter", "dragover"]) {
    document.addEventListener(name, (event) => { event.preventDefault(); drop.classList.add("over"); });
  }
  document.addEventListener("dragleave", (event) => { if (event.target === drop) drop.classList.remove("over"); });
  document.addEventListener("drop", async (event) => {
    event.preventDefault();
    drop.classList.remove("over");
    openFiles(await droppedFiles(event.dataTransfer.items));
  });
}

start().catch((error) => status(`The reader did not start: ${error}`, "error"));
