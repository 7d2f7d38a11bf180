// SPDX-License-Identifier: MIT
// Checks Quarn's reference site (the HTML that Doxygen writes) as a reader
// would use it:
//  1. every internal link resolves: each href and src of every HTML page,
//     and each page named by the navigation tree and the search index, names
//     a file of the site, and its #fragment an id or name on that page;
//  2. in Debian's headless Chromium, served over HTTP on 127.0.0.1, the
//     index, the format-strings page and a printer's page load with no
//     failed request and no script error, show the navigation tree and
//     styled code blocks, and contain no raw Markdown;
//  3. typing "hovbox" in the search box lists hovbox, and its result opens
//     the entry of hovbox;
// and takes a screenshot of each page into OUT_DIR.
//
// usage: node check.js HTML_DIR OUT_DIR   (NODE_PATH reaching playwright-core)
'use strict';

const fs = require('fs');
const http = require('http');
const path = require('path');
const { chromium } = require('playwright-core');

const [htmlDir, outDir] = process.argv.slice(2);
if (!htmlDir || !outDir) {
  console.error('usage: node check.js HTML_DIR OUT_DIR');
  process.exit(2);
}
const root = path.resolve(htmlDir);
fs.mkdirSync(outDir, { recursive: true });

const problems = [];
const fail = (what) => problems.push(what);

// ---- 1. links, read from the files -------------------------------------

function walk(dir) {
  return fs.readdirSync(dir, { withFileTypes: true }).flatMap((e) => {
    const p = path.join(dir, e.name);
    return e.isDirectory() ? walk(p) : [p];
  });
}

const files = walk(root);
const pages = files.filter((f) => f.endsWith('.html'));
const anchorsOf = new Map();
function anchors(file) {
  if (!anchorsOf.has(file)) {
    const text = fs.readFileSync(file, 'utf8');
    const ids = new Set();
    for (const m of text.matchAll(/\s(?:id|name)="([^"]*)"/g)) ids.add(m[1]);
    // A file page lists its namespace's members as summary rows, which the
    // navigation tree's script scrolls to by this class.  An enumerator's
    // anchor is its enumeration's followed by its own (66 characters): on a
    // file page it is found on the enumeration's row.
    for (const m of text.matchAll(/\sclass="memitem:([^"]*)"/g)) ids.add(m[1]);
    anchorsOf.set(file, ids);
  }
  return anchorsOf.get(file);
}

let linksChecked = 0;
// Checks the link `target` written in `from` (a file of the site).
function checkLink(from, target) {
  if (/^(?:[a-z][a-z0-9+.-]*:|\/\/)/i.test(target)) return; // another site, mailto:, javascript:
  linksChecked++;
  const [rawPath, fragment] = target.split('#', 2);
  const file = rawPath === '' ? from : path.resolve(path.dirname(from), decodeURI(rawPath.split('?')[0]));
  const where = `${path.relative(root, from)}: ${target}`;
  if (!file.startsWith(root + path.sep) || !fs.existsSync(file)) return fail(`broken link ${where} (an undocumented name has no page)`);
  if (fragment && file.endsWith('.html') && !anchors(file).has(decodeURIComponent(fragment)) &&
      !(fragment.length === 66 && anchors(file).has(fragment.slice(0, 33))))
    fail(`link to a missing anchor ${where} (an undocumented name has no entry)`);
}

for (const page of pages) {
  const text = fs.readFileSync(page, 'utf8');
  for (const m of text.matchAll(/\s(?:href|src)="([^"]*)"/g)) checkLink(page, m[1].replace(/&amp;/g, '&'));
}
// The navigation tree's and the search index's scripts name pages too.
for (const js of files.filter((f) => f.endsWith('.js'))) {
  const text = fs.readFileSync(js, 'utf8');
  for (const m of text.matchAll(/["']((?:\.\.\/)?[\w.-]+\.html(?:#[\w-]*)?)["']/g)) checkLink(js, m[1]);
}

// ---- 2 and 3. the browser ----------------------------------------------

const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.png': 'image/png', '.svg': 'image/svg+xml' };
const server = http.createServer((req, res) => {
  const file = path.join(root, decodeURIComponent(new URL(req.url, 'http://x').pathname));
  if (!file.startsWith(root) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
    res.writeHead(404);
    return res.end();
  }
  res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
  fs.createReadStream(file).pipe(res);
});

// What a reader must see on a page of the site.
async function checkPage(page, name) {
  const seen = await page.evaluate(() => {
    const visible = (el) => !!el && el.getBoundingClientRect().height > 0 && getComputedStyle(el).visibility !== 'hidden';
    const contents = document.querySelector('div.contents');
    const fragments = [...document.querySelectorAll('div.fragment')];
    const unstyled = fragments.filter((el) => {
      const s = getComputedStyle(el);
      return s.backgroundColor === 'rgba(0, 0, 0, 0)' || !/mono/i.test(getComputedStyle(el.querySelector('.line') || el).fontFamily);
    }).length;
    const text = contents ? contents.innerText : '';
    // Markdown that Doxygen did not turn into HTML.
    const raw = text.split('\n').filter((l) => /^\s*(?:```|#{1,6} |\| ?---)|\*\*\S.*\S\*\*|\[[^\]]+\]\([^)]+\)/.test(l));
    return {
      title: document.title,
      navTree: visible(document.getElementById('nav-tree')) && document.querySelectorAll('#nav-tree a').length,
      searchBox: visible(document.getElementById('MSearchField')),
      fragments: fragments.length,
      unstyled,
      raw,
      words: text.split(/\s+/).length,
    };
  });
  if (!seen.navTree) fail(`${name}: the navigation tree is not shown`);
  if (!seen.searchBox) fail(`${name}: the search box is not shown`);
  if (seen.unstyled) fail(`${name}: ${seen.unstyled} code blocks without a background or a monospace font`);
  for (const line of seen.raw) fail(`${name}: raw Markdown: ${line.trim()}`);
  if (seen.words < 50) fail(`${name}: only ${seen.words} words of contents`);
  console.log(`docs-check: ${name}: "${seen.title}", ${seen.navTree} navigation links, ${seen.fragments} code blocks, ${seen.words} words`);
}

async function browse(base) {
  const browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
  });
  try {
    const context = await browser.newContext({ viewport: { width: 1280, height: 900 } });
    const page = await context.newPage();
    page.on('pageerror', (e) => fail(`script error on ${page.url()}: ${e.message}`));
    page.on('requestfailed', (r) => fail(`request failed: ${r.url()}`));
    page.on('response', (r) => r.status() >= 400 && fail(`HTTP ${r.status()}: ${r.url()}`));

    const open = async (file, name) => {
      await page.goto(`${base}/${file}`, { waitUntil: 'load' });
      await page.waitForSelector('#nav-tree a', { timeout: 10000 }).catch(() => {});
      await checkPage(page, name);
      await page.screenshot({ path: path.join(outDir, `${name}.png`) });
    };

    await open('index.html', 'index');
    await open('format-strings.html', 'format-strings');
    await open('structquarn_1_1box__printer.html', 'box-printer');

    // The search box: type, wait for the results window, open the result.
    await page.goto(`${base}/index.html`, { waitUntil: 'load' });
    await page.click('#MSearchField');
    await page.keyboard.type('hovbox', { delay: 50 });
    await page.waitForSelector('#MSearchResultsWindow', { state: 'visible', timeout: 10000 });
    const results = page.frameLocator('#MSearchResults');
    const hit = results.locator('a.SRSymbol', { hasText: /^hovbox$/ });
    await hit.first().waitFor({ timeout: 10000 });
    const count = await results.locator('a.SRSymbol:visible').count();
    await page.screenshot({ path: path.join(outDir, 'search-hovbox.png') });
    console.log(`docs-check: searching "hovbox" lists ${count} result(s)`);
    await hit.first().click();
    await page.waitForURL(/#a[0-9a-f]+$/, { timeout: 10000 });
    const anchor = new URL(page.url()).hash.slice(1);
    const entry = await page.evaluate((id) => {
      const a = document.getElementById(id);
      const h = a && a.nextElementSibling;
      return h ? h.innerText : '';
    }, anchor);
    if (!/hovbox/.test(entry)) fail(`the search result of hovbox opens ${page.url()}, whose entry is "${entry}"`);
    await page.waitForTimeout(300);
    await page.screenshot({ path: path.join(outDir, 'hovbox.png') });
    await checkPage(page, 'hovbox');
  } finally {
    await browser.close();
  }
}

(async () => {
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  try {
    await browse(`http://127.0.0.1:${server.address().port}`);
  } catch (e) {
    fail(`browser: ${e.message}`);
  } finally {
    server.close();
  }
  console.log(`docs-check: ${pages.length} pages, ${linksChecked} internal links checked; screenshots in ${outDir}`);
  if (problems.length) {
    for (const p of problems) console.error(`docs-check: ${p}`);
    console.error(`docs-check: ${problems.length} problem(s)`);
    process.exit(1);
  }
  console.log('docs-check: passed');
})();
