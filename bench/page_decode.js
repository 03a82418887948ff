// Times pm_install in the page (bench/page-decode): the files are chosen
// once, then each round installs into a fresh folder of the page's file
// system and removes it again.  Prints one time in seconds a line.
//   node page_decode.js DEPENDENCIES CHROMIUM PAGE ROUNDS FILES...
"use strict";
const path = require("path");
const [dependencies, chromium, page, rounds, ...files] = process.argv.slice(2);
const puppeteer = require(path.join(dependencies, "node_modules", "puppeteer-core"));

(async () => {
  const browser = await puppeteer.launch({ executablePath: chromium, headless: true, args: ["--no-sandbox"] });
  const tab = await browser.newPage();
  await tab.goto("file://" + path.resolve(page));
  await tab.waitForFunction(() => document.querySelectorAll("#code-page option").length > 0);
  await (await tab.$("#files")).uploadFile(...files);
  await tab.waitForFunction(() => !document.getElementById("package").hidden, { timeout: 120000 });
  for (let round = 1; round <= Number(rounds); round++) {
    const seconds = await tab.evaluate((round) => {
      const start = performance.now();
      const answer = JSON.parse(reader.ccall("pm_install", "string", ["string"], [`/bench${round}`]));
      const elapsed = (performance.now() - start) / 1000;
      if (answer.error) throw new Error(answer.error);
      for (const file of answer.files) reader.FS.unlink(file.path);
      return elapsed;
    }, round);
    console.log(seconds.toFixed(3));
  }
  await browser.close();
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
