// The page in Debian's headless Chromium (through the DevTools protocol) or
// Firefox ESR (through WebDriver BiDi), driven by puppeteer-core; no browser
// is downloaded.
//   node browser_test.mjs SCENARIO --site DIR --native VELMORA_RENDER [--browser chromium|firefox] [--out DIR]
// Scenarios (each a ctest test):
//   still      ?frame=561 shows the native portable frame's pixels exactly: threaded,
//              single-threaded (?threads=0) and on a page that is not cross-origin isolated
//   animation  the canvas has the window rule's size, frames change; keeps a screenshot
//   speed      Space switches to idle speed (3 ms pause per frame) and back; Escape stops
//   cannot_start  within 10 s a page says in plain words that it cannot start: without
//              WebAssembly SIMD, too small for a picture, with threads that cannot start
//   own_model  the user's own files, threaded and single-threaded: a picture dropped alone,
//              a file that is no model (said in velmora-render's words while the scene goes
//              on) and a real 3DS file (--models DIR, assimp-testmodels' folder) picked with
//              the file button, each scene's frames equal to velmora-render --portable's
//   starts     the threaded page loaded --tabs N times (default 200) in tabs of one
//              browser and --fresh M times (default 50) in a browser started afresh:
//              every load presents its first frame within 5 s
//   measure    (not a test) frames per second at 1910x1070, threaded and single-threaded,
//              beside velmora-render --bench --portable over the same frames, taken in turns;
//              --cpus LIST runs the browser and the native build on those processors only
//   profile    (not a test; Chromium) samples the page's thread and every worker for --seconds
//              (default 5; add --query '?threads=0' for the single-threaded page) and prints each
//              thread's costliest routines; link the page with --profiling-funcs for their names
import {spawn, execFileSync} from 'node:child_process';
import {copyFileSync, cpSync, existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const serveScript = path.join(here, '..', '..', 'platform', 'web', 'serve.py');
const Browsers = {
  chromium: process.env.VELMORA_CHROMIUM || '/usr/bin/chromium',
  firefox: process.env.VELMORA_FIREFOX || '/usr/bin/firefox-esr',
};

let puppeteer;
try {
  puppeteer = (await import('puppeteer-core')).default;
} catch {
  console.log(`FAIL: puppeteer-core is not installed: npm ci --prefix ${here}`);
  process.exit(1);
}

const [scenario, ...rest] = process.argv.slice(2);
const options = {};
for (let i = 0; i < rest.length; i += 2) options[rest[i].replace(/^--/, '')] = rest[i + 1];
if (options.native) options.native = path.resolve(options.native);  // run from other folders too
const browserName = options.browser || 'chromium';

let passes = 0, failures = 0;
const SkippedCode = 77;  // ctest's SKIP_RETURN_CODE
function check(ok, what) {
  if (ok) passes++; else failures++;
  console.log(`${ok ? 'ok' : 'FAIL'}: ${what}`);
}
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// serve.py on a free port; resolves to the address it prints.
function startServer(isolated, site = options.site) {
  const args = [serveScript, site, '--port', '0'];
  if (!isolated) args.push('--no-isolation');
  const server = spawn('python3', args, {stdio: ['ignore', 'pipe', 'inherit']});
  return new Promise((resolve, reject) => {
    let said = '';
    server.stdout.on('data', (chunk) => {
      said += chunk;
      const match = said.match(/open (http:\/\/\S+)/);
      if (match) resolve({url: match[1], stop: () => server.kill()});
    });
    server.on('exit', (code) => reject(new Error(`serve.py ended with ${code}`)));
  });
}

// The browser, or with --cpus LIST a script that starts it on those
// processors only (taskset).
function browserExecutable() {
  if (!options.cpus) return Browsers[browserName];
  const wrapper = path.join(mkdtempSync(path.join(tmpdir(), 'velmora-cpus-')), browserName);
  writeFileSync(wrapper, `#!/bin/sh\nexec taskset -c ${options.cpus} ${Browsers[browserName]} "$@"\n`, {mode: 0o755});
  return wrapper;
}

async function launch(width, height) {
  if (browserName === 'firefox') {
    return puppeteer.launch({browser: 'firefox', executablePath: browserExecutable(), headless: true,
                             args: [`--width=${width}`, `--height=${height}`], defaultViewport: {width, height}});
  }
  return puppeteer.launch({
    executablePath: browserExecutable(),
    headless: true,
    args: ['--no-sandbox', `--window-size=${width},${height}`, '--no-first-run', '--disable-quic',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    defaultViewport: {width, height},
  });
}

async function openPage(browser, url) {
  const page = await browser.newPage();
  page.on('pageerror', (e) => console.log(`page error: ${e.message}`));
  await page.goto(url);
  return page;
}

// The longest a load may take to present its first frame.
const FirstFrameMs = 5000;

const state = (page) => page.evaluate(() => window.velmora || null);

async function waitFor(page, predicate, what, timeoutMs = 30000, ...args) {
  try {
    await page.waitForFunction(predicate, {timeout: timeoutMs, polling: 50}, ...args);
    return true;
  } catch {
    console.log(`timed out waiting for ${what}; page state: ${JSON.stringify(await state(page))}`);
    return false;
  }
}

// The picture on the canvas: its pixels as RGB bytes, read back through the
// 2D context, with the page's word for which picture it is (read in the same
// task, so that no frame comes between). With `when` (sceneChanges, and the
// first and last frame of a turn, mod 512), waits for such a picture and
// takes it the moment it is seen.
async function canvasPicture(page, when = null, what = 'the picture') {
  const take = (wanted) => {
    const s = window.velmora, turnFrame = s.frame % 512;
    if (wanted && (s.frames === 0 || s.sceneChanges !== wanted.sceneChanges || turnFrame < wanted.first ||
                   turnFrame > wanted.last)) {
      return false;
    }
    const canvas = document.getElementById('velmora');
    const rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    const rgb = new Uint8Array(rgba.length / 4 * 3);
    for (let i = 0, j = 0; i < rgba.length; i += 4, j += 3) {
      rgb[j] = rgba[i]; rgb[j + 1] = rgba[i + 1]; rgb[j + 2] = rgba[i + 2];
    }
    let binary = '';
    for (let i = 0; i < rgb.length; i += 0x8000) binary += String.fromCharCode.apply(null, rgb.subarray(i, i + 0x8000));
    return {base64: btoa(binary), sceneChanges: s.sceneChanges, frame: s.frame};
  };
  let taken;
  if (when === null) {
    taken = await page.evaluate(take, null);
  } else {
    try {
      taken = await (await page.waitForFunction(take, {timeout: 30000, polling: 20}, when)).jsonValue();
    } catch {
      console.log(`timed out waiting for ${what}; page state: ${JSON.stringify(await state(page))}`);
      return null;
    }
  }
  return {rgb: Buffer.from(taken.base64, 'base64'), sceneChanges: taken.sceneChanges, frame: taken.frame};
}
const canvasRgb = async (page) => (await canvasPicture(page)).rgb;

// velmora-render --portable's frame as RGB bytes (a binary PPM's body); the
// further arguments (the user's files) are taken from the folder cwd.
function nativeFrame(screen, frame, files = [], cwd = undefined) {
  const dir = mkdtempSync(path.join(tmpdir(), 'velmora-web-'));
  try {
    execFileSync(options.native, ['--portable', '--screen', screen, '--frames', String(frame), '--format', 'ppm',
                                  '--out', dir, ...files], {cwd});
    const ppm = readFileSync(path.join(dir, `frame_${String(frame).padStart(6, '0')}.ppm`));
    let offset = 0;
    for (let lines = 0; lines < 3; offset++) if (ppm[offset] === 0x0a) lines++;  // P6, size, 255
    return ppm.subarray(offset);
  } finally {
    rmSync(dir, {recursive: true, force: true});
  }
}

// A picture the way the page and velmora-render take one (128 x 34, 8 bits
// per pixel, a 256-colour palette, bottom row first), of diagonal stripes in
// colours of its own.
function stripedPicture() {
  const width = 128, height = 34, pixelsAt = 54 + 256 * 4, bytes = Buffer.alloc(pixelsAt + width * height);
  bytes.write('BM', 0);
  bytes.writeUInt32LE(bytes.length, 2);
  bytes.writeUInt32LE(pixelsAt, 10);
  bytes.writeUInt32LE(40, 14);  // the info header's size
  bytes.writeInt32LE(width, 18);
  bytes.writeInt32LE(height, 22);
  bytes.writeUInt16LE(1, 26);   // planes
  bytes.writeUInt16LE(8, 28);   // bits per pixel
  bytes.writeUInt32LE(256, 46);  // colours used
  for (let i = 0; i < 256; i++) bytes.set([i, 255 - i, (i * 7) & 255, 0], 54 + 4 * i);  // blue, green, red, 0
  for (let i = 0; i < width * height; i++) bytes[pixelsAt + i] = ((i % width) * 4 + Math.floor(i / width) * 9) & 255;
  return bytes;
}

// Drops a file on the page as a user's drag and drop delivers it.
async function dropFile(page, file) {
  await page.evaluate((name, base64) => {
    const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    const transfer = new DataTransfer();
    transfer.items.add(new File([bytes], name));
    document.getElementById('velmora').dispatchEvent(
      new DragEvent('drop', {dataTransfer: transfer, bubbles: true, cancelable: true}));
  }, path.basename(file), readFileSync(file).toString('base64'));
}

// The line velmora-render prints about files it refuses (run in cwd), less its name.
function nativeRefusal(files, cwd) {
  try {
    execFileSync(options.native, ['--portable', '--frames', '0', '--out', 'never', ...files],
                 {cwd, stdio: ['ignore', 'ignore', 'pipe']});
  } catch (e) {
    return e.stderr.toString().trim().replace(/^velmora-render: /, '');
  }
  return `velmora-render drew ${files.join(' ')}`;
}

function firstDifference(a, b) {
  if (a.length !== b.length) return `sizes ${a.length} and ${b.length}`;
  const i = a.findIndex((byte, k) => byte !== b[k]);
  return i < 0 ? null : `first at byte ${i} (pixel ${Math.floor(i / 3)})`;
}

// Frames per second, mean pass time and mean gap between passes over ms.
async function measureRate(page, ms) {
  const before = await state(page);
  const start = Date.now();
  await sleep(ms);
  const after = await state(page);
  const seconds = (Date.now() - start) / 1000, frames = after.frames - before.frames;
  const fps = frames / seconds;
  const mean = (total) => (after[total] - before[total]) / frames;
  return {fps, intervalMs: 1000 / fps, passMs: mean('passTotalMs'), serialMs: mean('serialTotalMs'),
          topBandMs: mean('topBandTotalMs'), bottomBandMs: mean('bottomBandTotalMs'), presentMs: after.presentMs,
          speed: after.speed};
}

const scenarios = {
  async still() {
    const expected = nativeFrame('1920x1080', 561);
    const isolated = await startServer(true), open = await startServer(false);
    const browser = await launch(1920, 1080);
    try {
      // The threaded page hands its frames over without a call where the page
      // can wait for them (Atomics.waitAsync), else by a call: both ways.
      for (const [name, url, threads, noWaitAsync] of [
        ['threaded', `${isolated.url}?frame=561`, true, false],
        ['threaded, without Atomics.waitAsync', `${isolated.url}?frame=561`, true, true],
        ['single-threaded', `${isolated.url}?frame=561&threads=0`, false, false],
        ['not isolated', `${open.url}?frame=561`, false, false]]) {
        const page = await browser.newPage();
        if (noWaitAsync) await page.evaluateOnNewDocument(() => { delete Atomics.waitAsync; });
        await page.goto(url);
        if (!await waitFor(page, () => window.velmora && window.velmora.still === 561, `${name} still`)) {
          check(false, `${name}: frame 561 drawn`);
          continue;
        }
        const s = await state(page);
        check(s.threads === threads, `${name}: band workers ${threads ? 'are threads' : 'on the page thread'}`);
        check(s.frames === 1, `${name}: exactly one frame presented (${s.frames})`);
        const handOver = threads && !noWaitAsync ? 'shared memory' : 'call';
        check(s.handOver === handOver, `${name}: the frame is handed over by ${handOver} (${s.handOver})`);
        const difference = firstDifference(await canvasRgb(page), expected);
        check(difference === null, `${name}: ?frame=561 equals velmora-render --portable` +
              (difference ? `: differs, ${difference}` : ''));
        await page.close();
      }
      // One past the largest still frame: said below the picture, which moves on
      // (every line the strip shows is kept, as the frame rate soon replaces it).
      const page = await browser.newPage();
      await page.evaluateOnNewDocument(() => {
        const lines = window.stripLines = [];
        new MutationObserver(() => {
          const strip = document.getElementById('fps');
          if (strip && strip.textContent && lines.at(-1) !== strip.textContent) lines.push(strip.textContent);
        }).observe(document, {subtree: true, childList: true, characterData: true});
      });
      await page.goto(`${isolated.url}?frame=1000000`);
      await waitFor(page, () => window.velmora.frames >= 3, 'the animation');
      const lines = await page.evaluate(() => window.stripLines);
      check(/^\?frame= takes a whole number from 0 to 999999;/.test(lines[0]) && (await state(page)).still === false,
            `?frame=1000000 is refused and the page animates: "${lines[0]}"`);
    } finally {
      await browser.close();
      isolated.stop();
      open.stop();
    }
  },

  async animation() {
    const server = await startServer(true);
    const browser = await launch(1920, 1080);
    try {
      const page = await openPage(browser, server.url);
      check(await waitFor(page, () => window.velmora && window.velmora.frames >= 2, 'two frames'), 'frames presented');
      const size = await page.evaluate(() => {
        const canvas = document.getElementById('velmora'), box = canvas.getBoundingClientRect();
        return {width: canvas.width, height: canvas.height, left: box.left, top: box.top, boxWidth: box.width,
                boxHeight: box.height, isolated: self.crossOriginIsolated};
      });
      check(size.width === 1910 && size.height === 1070 && size.boxWidth === 1910 && size.boxHeight === 1070 &&
            size.left === 0 && size.top === 0, `canvas 1910x1070 at the top-left of a 1920x1080 page: ${JSON.stringify(size)}`);
      check(size.isolated && (await state(page)).threads, 'the page is cross-origin isolated and its band workers are threads');
      if (browserName === 'chromium') {
        // (WebDriver BiDi does not list a page's workers.)
        check(page.workers().length === 3,
              `the frame loop has a worker of its own beside the two band workers (${page.workers().length} workers)`);
      }
      const first = await canvasRgb(page), firstCount = (await state(page)).frames;
      await waitFor(page, (n) => window.velmora.frames >= n + 3, 'three more frames', 30000, firstCount);
      const later = await canvasRgb(page);
      check(firstDifference(first, later) !== null, 'the picture changes from frame to frame');
      await sleep(1500);  // a frame-rate line to show
      const line = await page.evaluate(() => document.getElementById('fps').textContent);
      check(/^[0-9.]+ frames per second, full speed/.test(line), `the frame rate is shown: "${line}"`);
      if (options.out) await page.screenshot({path: path.join(options.out, 'web_screenshot.png')});
    } finally {
      await browser.close();
      server.stop();
    }
  },

  async speed() {
    // A small page: frames take about a millisecond, so the 3 ms pause shows plainly.
    const server = await startServer(true);
    const browser = await launch(340, 250);
    try {
      const page = await openPage(browser, server.url);
      if (!await waitFor(page, () => window.velmora && window.velmora.fps > 0, 'a frame rate')) {
        check(false, 'the page runs');
        return;
      }
      const rates = [];
      for (const expected of ['full', 'idle', 'full']) {
        if (rates.length > 0) await page.keyboard.press(' ');  // Space (WebDriver BiDi takes the character)
        await sleep(300);
        const rate = await measureRate(page, 2500);
        rates.push(rate);
        console.log(`${expected}: ${rate.fps.toFixed(1)} frames per second, ${rate.intervalMs.toFixed(2)} ms per frame ` +
                    `of which ${rate.passMs.toFixed(2)} ms in the pass`);
        check(rate.speed === expected, `after ${rates.length - 1} Space presses the speed is ${expected}`);
      }
      // The pause is the gap between one pass's end and the next one's start.
      const gap = (rate) => rate.intervalMs - rate.passMs;
      check(gap(rates[1]) >= 2.9, `idle speed pauses at least 3 ms after each frame (${gap(rates[1]).toFixed(2)} ms)`);
      for (const i of [0, 2]) {
        check(gap(rates[1]) >= gap(rates[i]) + 2, `full speed pauses about 3 ms less than idle ` +
              `(${gap(rates[i]).toFixed(2)} ms against ${gap(rates[1]).toFixed(2)} ms)`);
      }
      await page.keyboard.press('Escape');
      const stopped = await waitFor(page, () => window.velmora.stopped, 'the stop');
      const count = (await state(page)).frames;
      await sleep(300);
      check(stopped && (await state(page)).frames === count, 'Escape stops the frame loop');
    } finally {
      await browser.close();
      server.stop();
    }
  },

  async cannot_start() {
    // A page that cannot start says so in a sentence, on the page and in
    // window.velmora.error, within 10 s of the load: without WebAssembly SIMD,
    // too small for a picture, and with threads that cannot start (the band
    // threads' worker script missing, or a worker that never answers).
    // The site, in missing/ without its worker script, in silent/ with a mute one.
    const broken = mkdtempSync(path.join(tmpdir(), 'velmora-site-'));
    for (const folder of ['', 'missing', 'silent']) cpSync(options.site, path.join(broken, folder), {recursive: true});
    rmSync(path.join(broken, 'missing', 'velmora.worker.js'));
    writeFileSync(path.join(broken, 'silent', 'velmora.worker.js'), 'self.onmessage = function () {};\n');
    const server = await startServer(true, broken);
    const browser = await launch(800, 600);
    const saidWithin10s = async (page, what) => {
      const said = await waitFor(page, () => window.velmora.error, what, 10000);
      return {said, ...await page.evaluate(() => {
        const box = document.getElementById('message');
        return {text: box.textContent, visible: !box.hidden && box.getBoundingClientRect().height > 0,
                frames: window.velmora.frames,
                programs: [...document.scripts].filter((s) => /velmora(-single)?\.js$/.test(s.src)).length};
      })};
    };
    try {
      const page = await browser.newPage();
      // A browser without SIMD: no module that uses it validates.
      await page.evaluateOnNewDocument(() => { WebAssembly.validate = () => false; });
      await page.goto(server.url);
      const noSimd = await saidWithin10s(page, 'the message');
      check(noSimd.visible && /lacks WebAssembly SIMD/.test(noSimd.text), `without SIMD the page says so: "${noSimd.text}"`);
      check(noSimd.programs === 0, 'no program is loaded');

      // A page smaller than the window rule's margin leaves no picture: a failed
      // start, said as such (the 16-bit sizes would otherwise wrap to huge ones).
      const tiny = await browser.newPage();
      await tiny.setViewport({width: 8, height: 8});
      await tiny.goto(server.url);
      const small = await saidWithin10s(tiny, 'the failure');
      check(small.text === 'Startup failed.', `an 8x8 page says "${small.text}"`);

      await Promise.all([['a missing worker script', 'missing/'], ['a worker that never answers', 'silent/']]
        .map(async ([what, folder]) => {
          const threaded = await browser.newPage();
          await threaded.goto(server.url + folder);
          const shown = await saidWithin10s(threaded, `the failure with ${what}`);
          check(shown.said && shown.visible && shown.frames === 0 && /^Velmora (stopped|did not start)/.test(shown.text),
                `with ${what} the threaded page says so: "${shown.text}"`);
        }));
    } finally {
      await browser.close();
      server.stop();
      rmSync(broken, {recursive: true, force: true});
    }
  },

  async own_model() {
    const fels = path.join(options.models || '/usr/share/assimp/models', '3DS', 'fels.3ds');
    if (!existsSync(fels)) {
      console.log(`skipped: assimp-testmodels is not installed (no ${fels})`);
      process.exit(SkippedCode);
    }
    // The files, each under the name the page and velmora-render both report it by.
    const files = mkdtempSync(path.join(tmpdir(), 'velmora-own-'));
    const file = (name) => path.join(files, name);
    copyFileSync(fels, file('fels.3ds'));
    writeFileSync(file('picture.bmp'), stripedPicture());
    writeFileSync(file('cut.3ds'), readFileSync(fels).subarray(0, 5000));
    const refusal = nativeRefusal(['--model', 'cut.3ds'], files);
    const screen = '640x480';
    const server = await startServer(true);
    const browser = await launch(640, 480);
    // A frame of the page's sceneChanges-th scene equals velmora-render's
    // with the files args and differs from its frame with the files unlike
    // (the change shows). The picture shows only on the glass, which faces the
    // viewer in frames 258 to 510 of each turn: the frame is taken there.
    const sceneDrawn = async (page, sceneChanges, args, unlike, what) => {
      const shown = await canvasPicture(page, {sceneChanges, first: 300, last: 480}, what);
      if (shown === null) {
        check(false, what);
        return;
      }
      const difference = firstDifference(shown.rgb, nativeFrame(screen, shown.frame, args, files));
      check(difference === null, `${what}: frame ${shown.frame} equals velmora-render --portable ${args.join(' ')}` +
            (difference ? `: differs, ${difference}` : ''));
      check(firstDifference(shown.rgb, nativeFrame(screen, shown.frame, unlike, files)) !== null,
            `${what}: frame ${shown.frame} differs from velmora-render's with ${unlike.join(' ') || 'the embedded files'}`);
    };
    const messageBox = (page) => page.evaluate(() => {
      const box = document.getElementById('files-message');
      return {text: box.textContent, visible: !box.hidden && box.getBoundingClientRect().height > 0};
    });
    try {
      for (const [name, query] of [['threaded', ''], ['single-threaded', '?threads=0']]) {
        const page = await openPage(browser, server.url + query);
        await waitFor(page, () => window.velmora && window.velmora.frames > 0, 'the first frame');

        await dropFile(page, file('picture.bmp'));
        const withPicture = ['--picture', 'picture.bmp'];
        await sceneDrawn(page, 1, withPicture, [], `${name}: picture.bmp dropped alone`);

        // Refused: said in velmora-render's words, and the scene on screen goes on.
        await dropFile(page, file('cut.3ds'));
        await waitFor(page, () => window.velmora.fileError !== null, 'the refusal');
        const refused = await state(page), box = await messageBox(page);
        check(refused.fileError === refusal && box.visible && box.text === refusal && refused.error === null &&
              refused.stage === 'running', `${name}: cut.3ds is refused on the page in velmora-render's words: ` +
              `"${refused.fileError}" (velmora-render: "${refusal}")`);
        await waitFor(page, (n) => window.velmora.frames >= n + 3, 'three more frames', 30000, refused.frames);
        await sceneDrawn(page, 1, withPicture, [], `${name}: after the refusal, the scene before it`);

        // A real model picked with the file button: drawn with the picture dropped before.
        const input = await page.$('#files');
        await input.uploadFile(file('fels.3ds'));
        await sceneDrawn(page, 2, ['--model', 'fels.3ds', ...withPicture], withPicture, `${name}: fels.3ds picked`);
        const drawn = await state(page);
        check(drawn.model === 'fels.3ds' && drawn.picture === 'picture.bmp' && drawn.fileError === null &&
              !(await messageBox(page)).visible, `${name}: the state names the files drawn and the refusal is gone`);
        await page.close();
      }
    } finally {
      await browser.close();
      server.stop();
      rmSync(files, {recursive: true, force: true});
    }
  },

  async starts() {
    // The threaded page loaded again and again: in new tabs of one browser,
    // then each in a browser started afresh. Every load must present its
    // first frame within FirstFrameMs; one that does not is a stuck start.
    // A small page: a start is stuck, if at all, before the first frame.
    const tabs = Number(options.tabs ?? 200), fresh = Number(options.fresh ?? 50);
    const server = await startServer(true);
    const slowest = {ms: 0}, stuck = [];
    const loadOnce = async (browser, what) => {
      const page = await browser.newPage();
      const start = Date.now();
      await page.goto(server.url);
      try {
        await page.waitForFunction(() => window.velmora && window.velmora.frames >= 1,
                                   {timeout: FirstFrameMs, polling: 20});
        slowest.ms = Math.max(slowest.ms, Date.now() - start);
      } catch {
        const said = await page.evaluate(() => JSON.stringify(window.velmora)).catch((e) => `${e}`);
        stuck.push(what);
        console.log(`${what}: no frame within ${FirstFrameMs / 1000} s; window.velmora: ${said}`);
      }
      await page.close();
    };
    try {
      if (tabs > 0) {
        const browser = await launch(640, 480);
        try {
          for (let i = 1; i <= tabs; i++) await loadOnce(browser, `tab ${i}`);
        } finally {
          await browser.close();
        }
      }
      for (let i = 1; i <= fresh; i++) {
        const browser = await launch(640, 480);
        try {
          await loadOnce(browser, `fresh start ${i}`);
        } finally {
          await browser.close();
        }
      }
    } finally {
      server.stop();
    }
    check(stuck.length === 0, `${browserName}: ${tabs} loads in tabs and ${fresh} in fresh starts, ` +
          `${stuck.length} without a frame within ${FirstFrameMs / 1000} s; slowest first frame ${slowest.ms} ms`);
  },

  async measure() {
    // In turns, so that the load of a shared machine falls on all three alike:
    // the threaded page, the single-threaded page, each followed by the native
    // build over the frames the page just drew.
    const server = await startServer(true);
    const browser = await launch(1920, 1080);
    const seconds = Number(options.seconds || 10), rounds = Number(options.rounds || 1);
    const nativeFps = (first, last) => {
      const bench = [options.native, '--bench', '--portable', '--screen', '1920x1080', '--frames', `${first}-${last}`];
      const said = (options.cpus ? execFileSync('taskset', ['-c', options.cpus, ...bench])
                                 : execFileSync(bench[0], bench.slice(1))).toString();
      return Number(said.match(/fps: [0-9.]+ \(median frame\), ([0-9.]+) \(mean/)[1]);
    };
    try {
      for (let round = 0; round < rounds; round++) {
        const fps = {};
        for (const [name, query] of [['threaded', ''], ['single-threaded', '?threads=0']]) {
          const page = await openPage(browser, server.url + query);
          await waitFor(page, () => window.velmora && window.velmora.fps > 0, 'a frame rate');
          await sleep(2000);
          const first = (await state(page)).frames;
          const rate = await measureRate(page, seconds * 1000);
          const last = (await state(page)).frames - 1;
          await page.close();
          fps[name] = rate.fps;
          const native = nativeFps(first, last);
          console.log(`${browserName} ${name} 1910x1070 frames ${first}-${last}: ${rate.fps.toFixed(1)} frames per second ` +
                      `(pass ${rate.passMs.toFixed(2)} ms: serial ${rate.serialMs.toFixed(2)}, bands ` +
                      `${rate.topBandMs.toFixed(2)} and ${rate.bottomBandMs.toFixed(2)}; ` +
                      `canvas copy ${rate.presentMs.toFixed(2)} ms); ` +
                      `velmora-render --bench --portable: ${native.toFixed(1)}; page/native ${(rate.fps / native).toFixed(2)}`);
        }
        console.log(`${browserName} threaded/single-threaded: ${(fps.threaded / fps['single-threaded']).toFixed(2)}`);
      }
    } finally {
      await browser.close();
      server.stop();
    }
  },
};

// Self time per routine of a CDP CPU profile, costliest first.
function selfTimes(profile) {
  const byId = new Map(profile.nodes.map((n) => [n.id, n]));
  const self = new Map();
  let total = 0;
  profile.samples.forEach((id, i) => {
    const name = byId.get(id).callFrame.functionName || '(anonymous)', dt = profile.timeDeltas[i] || 0;
    self.set(name, (self.get(name) || 0) + dt);
    total += dt;
  });
  return {total, routines: [...self].sort((a, b) => b[1] - a[1])};
}

scenarios.profile = async () => {
  const server = await startServer(true);
  const browser = await launch(1920, 1080);
  try {
    const page = await browser.newPage();
    const threads = [];
    page.on('workercreated', async (worker) => {
      await worker.client.send('Profiler.enable');
      threads.push([`worker ${threads.length + 1} (${worker.url().split('/').pop()})`, worker.client]);
    });
    await page.goto(server.url + (options.query || ''));
    await waitFor(page, () => window.velmora && window.velmora.frames > 5, 'frames', 60000);
    const main = await page.createCDPSession();
    await main.send('Profiler.enable');
    threads.unshift(["page's thread", main]);
    for (const [, session] of threads) await session.send('Profiler.start');
    const rate = await measureRate(page, Number(options.seconds || 5) * 1000);
    console.log(`${rate.fps.toFixed(1)} frames per second while sampled`);
    for (const [name, session] of threads) {
      const {profile} = await session.send('Profiler.stop');
      if (options.out) writeFileSync(path.join(options.out, `${name.replace(/\W+/g, '_')}.cpuprofile`), JSON.stringify(profile));
      const {total, routines} = selfTimes(profile);
      console.log(`${name}: ${(total / 1000).toFixed(0)} ms sampled`);
      for (const [routine, us] of routines.slice(0, 10)) {
        console.log(`  ${(100 * us / total).toFixed(1).padStart(5)}%  ${routine}`);
      }
    }
  } finally {
    await browser.close();
    server.stop();
  }
};

if (!scenarios[scenario] || !options.site) {
  console.log('usage: node browser_test.mjs still|animation|speed|cannot_start|own_model|starts|measure|profile --site DIR ' +
              '--native VELMORA_RENDER [--browser chromium|firefox] [--out DIR] [--models DIR] ' +
              '[--seconds S --rounds N --cpus LIST] [--tabs N --fresh M]');
  process.exit(2);
}
try {
  await scenarios[scenario]();
} catch (e) {
  check(false, `${scenario}: ${e.stack || e}`);
}
if (scenario !== 'measure' && scenario !== 'profile') console.log(`${scenario}: ${passes} passed, ${failures} failed`);
process.exit(failures === 0 && (passes > 0 || scenario === 'measure' || scenario === 'profile') ? 0 : 1);
