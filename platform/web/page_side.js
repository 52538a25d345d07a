// The page's own thread: it checks that the browser can run the program,
// loads the program, and owns the canvas, the line below it, the key presses
// and the frames put on the canvas. The program calls it through web_page.js:
// directly in the single-threaded build, which runs on this thread, and
// proxied to this thread in the threaded build, whose main thread is a worker
// (the frame loop and its fork and join may block there, and this thread only
// presents). Loaded by index.html, before its body, as velmora-page.js.
//
// The user may drop a model (and a picture) on the page or pick them with
// its file button; the frame loop takes them between two frames.
//
// The page's state is window.velmora from the first moment, for anyone who
// looks (the browser tests do): the start's stage and any error, the canvas's
// size, whether the bands are threads, frames presented, speed, over the last
// second the frame rate and the mean time of a pass, of its copy onto the
// canvas, of the pass's serial part and of each band, and those times'
// totals; which picture is on the canvas, the user's files drawn and what was
// wrong with the last ones that could not be.
(function () {
  'use strict';
  var state = window.velmora = {
    stage: 'loading',   // loading, starting, opening, drawing, running
    error: null,        // the sentence shown in place of the picture: the page could not start
    width: 0, height: 0, threads: false,
    handOver: 'call',   // how frames reach this thread: 'call', or 'shared memory' (watched)
    frames: 0, speed: 'full', stopped: false, still: false,
    fps: 0, passMs: 0, presentMs: 0, serialMs: 0, topBandMs: 0, bottomBandMs: 0,
    // since the start (ms): passes, and their serial parts and bands
    passTotalMs: 0, serialTotalMs: 0, topBandTotalMs: 0, bottomBandTotalMs: 0,
    // the picture on the canvas: how often the user's files changed the scene
    // before it, and its frame number in that scene's animation (velmora-render's frame K)
    sceneChanges: 0, frame: 0,
    model: null, picture: null,  // the names of the user's files drawn now; null: the embedded ones
    fileError: null,             // why the last files offered are not drawn (the running scene goes on)
  };
  // A start that has not shown a frame by then is said to have failed, in
  // what it was doing; if a frame comes after all, the sentence goes.
  var StartLimitMs = 8000;
  var StageWords = {
    loading: 'loading the program',
    starting: 'starting the program and its threads',
    opening: 'opening its canvas',
    drawing: 'drawing its first frame',
  };
  var canvas = null, context = null, image = null, deliverKey = null, startOverdue = false;
  // The frame loop's stage totals handed over with the last frame (a new object each frame).
  var totals = {pass: 0, serial: 0, topBand: 0, bottomBand: 0};
  // The program's way in for the user's files (web_page.js), once its canvas
  // is open; the files of the scene drawn now ({name, bytes}; null: the
  // embedded one); the offers left with the program and not yet answered.
  var leaveDrop = null, drawn = {model: null, picture: null}, offers = [], offersMade = 0;
  var second = {start: 0, frames: 0, presentMs: 0, totals: null};

  function element(id) { return document.getElementById(id); }

  function say(text) {
    var box = element('message');
    if (box) { box.textContent = text; box.hidden = false; }
    state.error = text;
    startOverdue = false;
  }

  function unsay() {
    var box = element('message');
    if (box) box.hidden = true;
    state.error = null;
  }

  function note(text) {
    var line = element('fps');
    if (line) line.textContent = text;
  }

  // Files that are not drawn: said above the picture, which goes on.
  function sayAboutFiles(text) {
    var box = element('files-message');
    if (box) { box.textContent = text; box.hidden = false; }
    state.fileError = text;
  }

  function unsayAboutFiles() {
    var box = element('files-message');
    if (box) box.hidden = true;
    state.fileError = null;
  }

  // A sentence when files cannot be drawn whatever they hold, else null.
  function whyNoFilesNow() {
    if (state.error !== null) return 'Velmora could not start, so it cannot draw your files.';
    if (state.still !== false) return 'This page shows one still frame: remove ?frame= from the address to draw your own model.';
    if (state.stopped) return 'Velmora has stopped (Escape): reload the page to draw your own model.';
    if (leaveDrop === null) return 'Velmora is still starting: offer your files again once it moves.';
    return null;
  }

  function readFile(file) {
    if (!file) return Promise.resolve(null);
    return file.arrayBuffer().then(function (buffer) {
      return {name: file.name, bytes: new Uint8Array(buffer)};
    }, function (failure) {
      throw 'cannot read ' + file.name + ': ' + ((failure && failure.message) || failure);
    });
  }

  // The user's files, dropped or picked: a .bmp is the picture, any other
  // file the model (the program says what is wrong with one that is none).
  // The offer replaces what it brings and keeps the rest of the scene drawn
  // now, so a picture alone goes onto the model on screen. The frame loop
  // takes the files between two frames and answers; until then, and when
  // they cannot be drawn, the running scene goes on.
  function offerFiles(list) {
    var files = Array.prototype.slice.call(list || []);
    if (files.length === 0) return;
    var refusal = whyNoFilesNow();
    if (refusal !== null) { sayAboutFiles(refusal); return; }
    var chosen = {model: null, picture: null};
    for (var i = 0; i < files.length; i++) {
      var role = /\.bmp$/i.test(files[i].name) ? 'picture' : 'model';
      if (chosen[role] !== null) {
        sayAboutFiles(chosen[role].name + ' and ' + files[i].name + ': one ' + role + ' at a time, please ' +
                      '(a .3ds model, and a .bmp picture if you like).');
        return;
      }
      chosen[role] = files[i];
    }
    Promise.all([readFile(chosen.model), readFile(chosen.picture)]).then(function (read) {
      var wanted = {model: read[0] || drawn.model, picture: read[1] || drawn.picture};
      var offer = ++offersMade;
      if (!leaveDrop(offer, wanted)) {
        var names = read.filter(Boolean).map(function (file) { return file.name; });
        sayAboutFiles(names.join(' and ') + ': too large for the memory this page may use.');
        return;
      }
      offers.push({offer: offer, files: wanted});
    }, sayAboutFiles);
  }

  // The frame loop took an offer: problem null when its files are drawn now.
  // Offers before it were replaced by a later one before the frame loop came
  // by, and are never answered.
  function answer(offer, problem) {
    while (offers.length > 0 && offers[0].offer < offer) offers.shift();
    var taken = offers.shift();
    if (problem !== null) { sayAboutFiles(problem); return; }
    if (!taken || taken.offer !== offer) return;  // not an offer of this page's: nothing to record
    drawn = taken.files;
    state.model = drawn.model && drawn.model.name;
    state.picture = drawn.picture && drawn.picture.name;
    unsayAboutFiles();
  }

  // The means over the last second, once a second: the frames presented
  // since the second began, and the stage totals then and now.
  function countFrame(presentMs) {
    var now = performance.now();
    state.frames++;
    if (second.totals === null) { second = {start: now, frames: 0, presentMs: 0, totals: totals}; return; }
    second.frames++;
    second.presentMs += presentMs;
    var elapsed = now - second.start, n = second.frames;
    if (elapsed < 1000) return;
    state.fps = n * 1000 / elapsed;
    state.presentMs = second.presentMs / n;
    state.passMs = (totals.pass - second.totals.pass) / n;
    state.serialMs = (totals.serial - second.totals.serial) / n;
    state.topBandMs = (totals.topBand - second.totals.topBand) / n;
    state.bottomBandMs = (totals.bottomBand - second.totals.bottomBand) / n;
    second = {start: now, frames: 0, presentMs: 0, totals: totals};
    note(state.fps.toFixed(1) + ' frames per second, ' + state.speed + ' speed' +
         (state.threads ? ', two band threads' : ', one thread') + ' (Space: full/idle); per frame ' +
         state.serialMs.toFixed(1) + ' ms serial, bands ' + state.topBandMs.toFixed(1) + ' and ' +
         state.bottomBandMs.toFixed(1) + ' ms, canvas ' + state.presentMs.toFixed(1) + ' ms' +
         (state.model || state.picture ? '; ' + [state.model, state.picture].filter(Boolean).join(' and ') : ''));
  }

  // Space would scroll the page and Escape stop its loading; other keys keep
  // their browser meaning (reload, zoom, ...) and still reach the program,
  // as every key reaches the window.
  window.addEventListener('keydown', function (event) {
    var key = event.keyCode | 0;  // a browser's keyCode is the Windows virtual-key code
    if (deliverKey) deliverKey(key);
    if (key === 32 || key === 27) event.preventDefault();
  });

  self.VelmoraPageSide = {
    say: say,
    note: note,

    // The canvas at the program's size; false when the page has none.
    open: function (width, height, title) {
      canvas = element('velmora');
      if (!canvas) return false;
      canvas.width = width;
      canvas.height = height;
      canvas.style.width = width + 'px';
      canvas.style.height = height + 'px';
      context = canvas.getContext('2d', {alpha: false});
      if (!context) return false;
      image = context.createImageData(width, height);
      document.title = title;
      state.width = width;
      state.height = height;
      state.stage = 'drawing';
      return true;
    },

    // Puts a frame of canvas-order bytes (red, green, blue, alpha) on the
    // canvas 1:1; report holds the frame loop's stage totals so far and which
    // picture it is.
    present: function (bytes, report) {
      var start = performance.now();
      image.data.set(bytes);
      context.putImageData(image, 0, 0);
      totals = report;
      state.sceneChanges = report.sceneChanges;
      state.frame = report.frame;
      state.passTotalMs = totals.pass;
      state.serialTotalMs = totals.serial;
      state.topBandTotalMs = totals.topBand;
      state.bottomBandTotalMs = totals.bottomBand;
      state.stage = 'running';
      if (startOverdue) { startOverdue = false; unsay(); }
      countFrame(performance.now() - start);
    },

    watchingFrames: function () { state.handOver = 'shared memory'; },
    speed: function (speed) { state.speed = speed; },
    stopped: function () { state.stopped = true; },

    still: function (frame) {
      state.still = frame;
      note('Frame ' + frame + ', drawn once (remove ?frame= from the address to see it move).');
    },

    takeKeys: function (deliver) { deliverKey = deliver; },
    takeFiles: function (leave) { leaveDrop = leave; },
    answer: answer,
  };

  // Files dropped anywhere on the page are offered, not opened by the browser.
  window.addEventListener('dragover', function (event) {
    event.preventDefault();
    if (event.dataTransfer) event.dataTransfer.dropEffect = 'copy';
  });
  window.addEventListener('drop', function (event) {
    event.preventDefault();
    if (event.dataTransfer) offerFiles(event.dataTransfer.files);
  });

  function load(src, then) {
    var script = document.createElement('script');
    script.src = src;
    script.onload = then || null;
    script.onerror = function () { say('Could not load ' + src + '.'); };
    document.body.appendChild(script);
  }

  // The file button, and the line above the picture that says what is wrong
  // with files (a click puts it away).
  function takeFilesFromPage() {
    var input = element('files');
    if (input) {
      input.addEventListener('change', function () {
        offerFiles(input.files);
        input.value = '';  // so that picking the same file again is a change
      });
    }
    var box = element('files-message');
    if (box) box.addEventListener('click', function () { box.hidden = true; });
  }

  function start() {
    takeFilesFromPage();
    if (typeof WebAssembly !== 'object') {
      say('This browser cannot run WebAssembly, which Velmora needs. Any current Chrome, Edge, Firefox or Safari can.');
      return;
    }
    // The smallest module that uses a 128-bit SIMD instruction (i8x16.popcnt):
    // it is valid only where the browser has WebAssembly SIMD.
    var simdProbe = new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 10, 1, 8, 0,
                                    65, 0, 253, 15, 253, 98, 11]);
    if (!WebAssembly.validate(simdProbe)) {
      say('This browser lacks WebAssembly SIMD (128-bit vector instructions), which Velmora\'s renderer needs. ' +
          'Chrome and Edge 91 or later, Firefox 89 or later and Safari 16.4 or later have it.');
      return;
    }
    // The band workers are threads only on a cross-origin isolated page (served
    // with COOP and COEP headers): only there may memory be shared. Elsewhere,
    // or with ?threads=0, the single-threaded build draws both bands in turn.
    var wantThreads = new URLSearchParams(window.location.search).get('threads') !== '0';
    state.threads = wantThreads && self.crossOriginIsolated === true && typeof SharedArrayBuffer === 'function';
    // Anything the program throws, on this thread or on a worker of its own,
    // has stopped it. A worker that cannot load its script throws a bare event.
    window.addEventListener('error', function (event) {
      say('Velmora stopped: ' + (event.error instanceof Event ? 'one of its threads could not be started.'
                                                               : event.message));
    });
    window.Module = {
      onAbort: function (what) { say('Velmora stopped: ' + what); },
      onRuntimeInitialized: function () { state.stage = 'opening'; },
    };
    setTimeout(function () {
      if (state.frames > 0 || state.still !== false || state.error !== null) return;
      say('Velmora did not start within ' + StartLimitMs / 1000 + ' seconds: it was still ' + StageWords[state.stage] +
          '. Reloading the page may help.');
      startOverdue = true;
    }, StartLimitMs);
    load(state.threads ? 'velmora.js' : 'velmora-single.js', function () {
      if (state.stage === 'loading') state.stage = 'starting';
    });
  }

  // The checks and the program wait for the page's elements.
  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
  else start();
})();
