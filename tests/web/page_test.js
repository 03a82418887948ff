// Drives the browser's package reader (build/web/index.html) in headless
// Chromium as a person would: chooses a package's files in the file input,
// reads what the page shows, downloads files and the zip, verifies.
//   node page_test.js DEPENDENCIES CHROMIUM PAGE CASES CAPTURES
// CASES is a JSON list that page_test.sh writes: for each package, the
// files to choose, pmsetup list --json's document, the source file of each
// installed path, and the volume to be found damaged, if any.
"use strict";

const fs = require("fs");
const os = require("os");
const path = require("path");
const zlib = require("zlib");
const assert = require("assert/strict");

const [dependencies, chromium, pagePath, casesPath, captures] = process.argv.slice(2);
const puppeteer = require(path.join(dependencies, "node_modules", "puppeteer-core"));
const cases = JSON.parse(fs.readFileSync(casesPath, "utf8"));

let passed = 0, failed = 0;
async function check(name, body) {
  try {
    await body();
    passed++;
  } catch (error) {
    failed++;
    console.log(`FAILED: ${name}\n  ${String(error.message).split("\n").join("\n  ")}`);
  }
}

// The entries of a zip archive of stored entries, read by its central
// directory: {name, bytes, crc, date, time}.
function readZip(archive) {
  const end = archive.lastIndexOf(Buffer.from([0x50, 0x4b, 0x05, 0x06]));
  assert.ok(end >= 0, "the zip has no end of central directory");
  const count = archive.readUInt16LE(end + 10);
  let at = archive.readUInt32LE(end + 16);
  const entries = [];
  for (let k = 0; k < count; k++) {
    assert.equal(archive.readUInt32LE(at), 0x02014b50, `central record ${k} is misplaced`);
    const method = archive.readUInt16LE(at + 10);
    const nameLength = archive.readUInt16LE(at + 28), extra = archive.readUInt16LE(at + 30), comment = archive.readUInt16LE(at + 32);
    const local = archive.readUInt32LE(at + 42);
    const size = archive.readUInt32LE(at + 20);
    const name = archive.subarray(at + 46, at + 46 + nameLength).toString("utf8");
    assert.equal(method, 0, `${name} is not stored`);
    assert.equal(archive.readUInt32LE(local), 0x04034b50, `${name}: no local header where its record points`);
    const data = local + 30 + archive.readUInt16LE(local + 26) + archive.readUInt16LE(local + 28);
    entries.push({
      name, bytes: archive.subarray(data, data + size), crc: archive.readUInt32LE(at + 16),
      time: archive.readUInt16LE(at + 12), date: archive.readUInt16LE(at + 14),
    });
    at += 46 + nameLength + extra + comment;
  }
  return entries;
}

// Downloads land in a folder of their own, one at a time.
async function download(page, session, folder, click) {
  fs.rmSync(folder, { recursive: true, force: true });
  fs.mkdirSync(folder, { recursive: true });
  await session.send("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: folder, eventsEnabled: true });
  const done = new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error("no download within 30 seconds")), 30000);
    session.on("Browser.downloadProgress", function listener(event) {
      if (event.state === "completed" || event.state === "canceled") {
        clearTimeout(timer);
        session.off("Browser.downloadProgress", listener);
        event.state === "completed" ? resolve() : reject(new Error("the download was cancelled"));
      }
    });
  });
  await click();
  await done;
  const [name] = fs.readdirSync(folder);
  return { name, bytes: fs.readFileSync(path.join(folder, name)) };
}

async function choose(page, files) {
  await page.evaluate(() => { document.getElementById("status").textContent = "waiting"; });
  const input = await page.$("#files");
  await input.uploadFile(...files);
  await page.waitForFunction(() => !document.getElementById("package").hidden ||
                                    document.getElementById("status").className === "error", { timeout: 30000 });
  return page.evaluate(() => document.getElementById("status").className === "error"
    ? { error: document.getElementById("status").textContent } : null);
}

async function main() {
  const browser = await puppeteer.launch({
    executablePath: chromium, headless: true,
    args: ["--no-sandbox", "--disable-gpu"],
  });
  const page = await browser.newPage();
  await page.setViewport({ width: 1100, height: 900 });
  const session = await page.createCDPSession();
  const requests = [];
  page.on("request", (request) => requests.push(request.url()));
  const problems = [];
  page.on("pageerror", (error) => problems.push(String(error)));
  page.on("console", (message) => { if (message.type() === "error") problems.push(message.text()); });

  await page.goto("file://" + path.resolve(pagePath));
  await page.waitForFunction(() => document.querySelectorAll("#code-page option").length > 0, { timeout: 30000 });
  const scratch = fs.mkdtempSync(path.join(os.tmpdir(), "page-test-"));

  for (const item of cases) {
    const expected = JSON.parse(fs.readFileSync(item.listing, "utf8"));
    const failure = await choose(page, item.choose);
    await check(`${item.name}: the page opens the package`, () => assert.equal(failure, null));
    if (failure) continue;

    await check(`${item.name}: the page's listing is pmsetup list --json's`, async () => {
      assert.deepEqual(await page.evaluate(() => opened.listing), expected);
    });
    await check(`${item.name}: the page shows every file with its installed path and size`, async () => {
      const shown = await page.$$eval("#file-rows tr", (rows) => rows.map((row) => [...row.cells].map((cell) => cell.textContent)));
      assert.deepEqual(shown.map((cells) => [cells[0].replace("  (main program)", ""), cells[1].replace(/,/g, "")]),
                       expected.files.map((file) => [file.installed_as, String(file.size)]));
    });
    await check(`${item.name}: the page shows the 17 texts and the colours`, async () => {
      const texts = await page.$$eval("#text-rows tr", (rows) => rows.map((row) => [row.cells[0].textContent, row.cells[1].textContent]));
      assert.equal(texts.length, 17);
      assert.deepEqual(texts, Object.entries(expected.texts).map(([name, text]) => [name, text === "" ? "(empty)" : text]));
      const colours = await page.$eval("#colours", (cell) => cell.textContent);
      for (const [which, colour] of Object.entries(expected.colours)) assert.ok(colours.includes(`${which} ${colour}`), colours);
    });

    if (item.sources) {
      const buttons = await page.$$("#file-rows button");
      for (const [index, file] of expected.files.entries()) {
        await check(`${item.name}: downloading ${file.installed_as} gives its source's bytes`, async () => {
          const got = await download(page, session, path.join(scratch, "one"), () => buttons[index].click());
          assert.equal(got.name, file.installed_as.split("\\").pop());
          assert.ok(got.bytes.equals(fs.readFileSync(item.sources[file.installed_as])), "the bytes differ");
        });
      }
      await check(`${item.name}: the zip holds every file, with its bytes, CRC and time`, async () => {
        const got = await download(page, session, path.join(scratch, "zip"), () => page.click("#zip"));
        assert.ok(got.name.endsWith(".zip"), got.name);
        const entries = readZip(got.bytes);
        assert.deepEqual(entries.map((entry) => entry.name), expected.files.map((file) => file.installed_as.replace(/\\/g, "/")));
        for (const [index, entry] of entries.entries()) {
          const file = expected.files[index];
          assert.ok(entry.bytes.equals(fs.readFileSync(item.sources[file.installed_as])), `${entry.name}: the bytes differ`);
          assert.equal(entry.crc, zlib.crc32(entry.bytes), `${entry.name}: wrong CRC`);
          const when = new Date(file.modified);
          assert.equal(entry.date, ((when.getFullYear() - 1980) << 9) | ((when.getMonth() + 1) << 5) | when.getDate(), `${entry.name}: date`);
          assert.equal(entry.time, (when.getHours() << 11) | (when.getMinutes() << 5) | (when.getSeconds() >> 1), `${entry.name}: time`);
        }
      });
    }

    if (item.sources) {
      // The page's file system has no hard links, with which the installer
      // keeps a file it replaces.
      await check(`${item.name}: an installation over an earlier one in the page replaces its files`, async () => {
        const main = expected.files[0].installed_as;
        const got = await page.evaluate((name) => {
          const install = () => JSON.parse(reader.ccall("pm_install", "string", ["string"], ["/over"]));
          const first = install();
          reader.FS.writeFile(`/over/${name}`, "changed since");
          const second = install();
          return { first: first.error || null, second: second.error || null, bytes: Array.from(reader.FS.readFile(`/over/${name}`)) };
        }, main);
        assert.deepEqual([got.first, got.second], [null, null]);
        assert.ok(Buffer.from(got.bytes).equals(fs.readFileSync(item.sources[main])), "the file was not replaced");
      });
    }

    await check(`${item.name}: verification ${item.damaged || item.missing ? `names ${item.damaged || item.missing}` : "finds every disk sound"}`, async () => {
      await page.click("#verify");
      await page.waitForFunction(() => /^(Sound|Not as packed)/.test(document.getElementById("verdict").textContent) ||
                                       document.getElementById("verdict").className === "bad", { timeout: 60000 });
      const verdict = await page.$eval("#verdict", (line) => line.textContent);
      const rows = await page.$$eval("#volume-rows tr", (all) => all.map((row) => [row.cells[0].textContent, row.cells[4].textContent]));
      assert.equal(rows.length, expected.integrity.volumes.length);
      const bad = item.damaged || item.missing;
      for (const [name, shown] of rows) {
        if (name === bad) assert.match(shown, item.damaged ? /^damaged/ : /^missing$/, `${name}: ${shown}`);
        else assert.equal(shown, "good", `${name}: ${shown}`);
      }
      if (bad) assert.match(verdict, new RegExp(`^Not as packed\\. ${bad.replace(".", "\\.")}`), verdict);
      else assert.match(verdict, /^Sound/, verdict);
    });

    if (item.missing) {
      await check(`${item.name}: the files cannot be had without ${item.missing}, and the page says so`, async () => {
        await page.click("#zip");
        const shown = await page.$eval("#install-status", (line) => line.textContent);
        assert.equal(shown, `${item.missing} is missing: choose it together with the package's other files`);
      });
    }

    if (item.capture) {
      fs.mkdirSync(captures, { recursive: true });
      await page.screenshot({ path: path.join(captures, item.capture), fullPage: true });
    }
  }

  await check("nothing is fetched from anywhere but the page's own folder", () => {
    const outside = requests.filter((url) => !/^(file|data|blob):/.test(url));
    assert.deepEqual(outside, []);
  });
  await check("the page reports no error of its own", () => assert.deepEqual(problems, []));
  await browser.close();
  fs.rmSync(scratch, { recursive: true, force: true });
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed === 0 ? 0 : 1);
}

main().catch((error) => {
  console.log(`FAILED: ${error.stack || error}`);
  process.exit(1);
});
