// The page's own thread: the canvas, the line below it, the key presses, and
// the frames put on the canvas. The program draws either on a worker of its
// own (the threaded build: the frame loop and its fork and join may block
// there, and this thread only presents) or on this thread (the
// single-threaded build, which calls these routines directly through
// web_page.js). Loaded by index.html as velmora-page.js.
//
// The page's state is also kept in window.velmora for anyone who looks (the
// browser tests do): frames presented, frames per second, the mean time of a
// pass and of its copy onto the canvas over the last second, the time in
// passes since the start, speed, size.
(function () {
  'use strict';
  var canvas = null, context = null, image = null, state = null;
  var secondStart = 0, framesThisSecond = 0, presentTime = 0, passTimeAtSecond = 0;
  var deliverKey = null;  // hands a key code to the program

  function element(id) { return document.getElementById(id); }

  function say(text) {
    var box = element('message');
    if (box) { box.textContent = text; box.hidden = false; }
    if (state) state.error = text; else window.velmora = {error: text};
  }

  function note(text) {
    var line = element('fps');
    if (line) line.textContent = text;
  }

  function countFrame() {
    var now = performance.now();
    state.frames++;
    framesThisSecond++;
    if (secondStart === 0) { secondStart = now; passTimeAtSecond = state.passTotalMs; }
    var elapsed = now - secondStart;
    if (elapsed >= 1000) {
      state.fps = framesThisSecond * 1000 / elapsed;
      state.presentMs = presentTime / framesThisSecond;
      state.passMs = (state.passTotalMs - passTimeAtSecond) / framesThisSecond;
      presentTime = 0;
      passTimeAtSecond = state.passTotalMs;
      secondStart = now;
      framesThisSecond = 0;
      note(state.fps.toFixed(1) + ' frames per second, ' + state.speed + ' speed' +
           (state.threads ? ', two band threads' : ', one thread') + ' (Space: full/idle)');
    }
  }

  // Space would scroll the page and Escape stop its loading; other keys keep
  // their browser meaning (reload, zoom, ...) and still reach the program,
  // as every key reaches the window.
  window.addEventListener('keydown', function (event) {
    var key = event.keyCode | 0;  // a browser's keyCode is the Windows virtual-key code
    if (deliverKey) deliverKey(key);
    if (key === 32 || key === 27) event.preventDefault();
  });

  var page = self.VelmoraPageSide = {
    say: say,
    note: note,

    // The canvas at the program's size; false when the page has none.
    open: function (width, height, title, threads) {
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
      state = window.velmora = {
        width: width, height: height, frames: 0, fps: 0, presentMs: 0, passMs: 0, passTotalMs: 0, speed: 'full',
        threads: threads, stopped: false, still: false, error: null,
      };
      return true;
    },

    // Puts a frame of canvas-order bytes (red, green, blue, alpha) on the canvas 1:1.
    present: function (bytes) {
      var start = performance.now();
      image.data.set(bytes);
      context.putImageData(image, 0, 0);
      presentTime += performance.now() - start;
      countFrame();
    },

    passTime: function (totalMs) { state.passTotalMs = totalMs; },
    speed: function (speed) { state.speed = speed; },
    stopped: function () { state.stopped = true; },

    still: function (frame) {
      state.still = frame;
      note('Frame ' + frame + ', drawn once (remove ?frame= from the address to see it move).');
    },

    // The single-threaded build on this thread: keys go straight to it.
    takeKeys: function (deliver) { deliverKey = deliver; },

    // The threaded build on a worker of its own, which starts with the page's
    // visible size and address and then asks for everything else by message.
    runInWorker: function (url) {
      var worker = new Worker(url);
      var memory = null;
      worker.onmessage = function (event) {
        var m = event.data;
        switch (m.cmd) {
          case 'open':
            memory = m.memory;
            if (!page.open(m.width, m.height, m.title, true)) say('Startup failed.');
            break;
          case 'present':
            if (m.memory) memory = m.memory;  // the memory grew
            page.passTime(m.passTotalMs);
            page.present(new Uint8Array(memory, m.pixels, m.width * m.height * 4));
            // The worker may fill this buffer again.
            var flags = new Int32Array(memory, m.busy, 1);
            Atomics.store(flags, 0, 0);
            Atomics.notify(flags, 0);
            break;
          case 'speed': page.speed(m.speed); break;
          case 'stopped': page.stopped(); break;
          case 'still': page.still(m.frame); break;
          case 'note': note(m.text); break;
          case 'message': say(m.text); break;
        }
      };
      worker.onerror = function (event) { say('Velmora stopped: ' + event.message); };
      deliverKey = function (key) { worker.postMessage({cmd: 'key', key: key}); };
      worker.postMessage({cmd: 'start', width: window.innerWidth | 0, height: window.innerHeight | 0,
                          search: window.location.search});
    },
  };
})();
