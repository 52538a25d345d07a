// The page side of the browser shell: the canvas, the line of notes below it,
// and the scheduler that calls the frame loop's passes between the browser's
// own tasks. Linked into the program with --js-library.
//
// The page's state is also kept in window.velmora for anyone who looks
// (the browser tests do): frames presented, frames per second, the mean time
// of a pass and of its copy onto the canvas over the last second, the time in
// passes since the start, speed, size.
mergeInto(LibraryManager.library, {
  $VelmoraPage: {
    canvas: null,
    context: null,
    image: null,      // ImageData the frames go through
    source: null,     // view of the program's canvas-order pixels
    pauseNext: false,  // the last pass asked for the idle pause
    secondStart: 0,
    framesThisSecond: 0,
    presentTime: 0,   // ms spent putting frames on the canvas this second
    passTime: 0,      // ms spent in whole passes this second
    state: null,

    element: function(id) { return document.getElementById(id); },

    countFrame: function() {
      var page = VelmoraPage, state = page.state, now = performance.now();
      state.frames++;
      page.framesThisSecond++;
      if (page.secondStart === 0) page.secondStart = now;
      var elapsed = now - page.secondStart;
      if (elapsed >= 1000) {
        state.fps = page.framesThisSecond * 1000 / elapsed;
        state.presentMs = page.presentTime / page.framesThisSecond;
        state.passMs = page.passTime / page.framesThisSecond;
        page.presentTime = 0;
        page.passTime = 0;
        page.secondStart = now;
        page.framesThisSecond = 0;
        var line = page.element('fps');
        if (line) {
          line.textContent = state.fps.toFixed(1) + ' frames per second, ' + state.speed + ' speed' +
              (state.threads ? ', two band threads' : ', one thread') + ' (Space: full/idle)';
        }
      }
    },
  },

  VelmoraPageWidth__deps: ['$VelmoraPage'],
  VelmoraPageWidth: function() { return window.innerWidth | 0; },
  VelmoraPageHeight: function() { return window.innerHeight | 0; },

  VelmoraOpenCanvas__deps: ['$VelmoraPage'],
  VelmoraOpenCanvas: function(width, height, title) {
    var page = VelmoraPage;
    page.canvas = page.element('velmora');
    if (!page.canvas) return 0;
    page.canvas.width = width;
    page.canvas.height = height;
    page.canvas.style.width = width + 'px';
    page.canvas.style.height = height + 'px';
    page.context = page.canvas.getContext('2d', {alpha: false});
    if (!page.context) return 0;
    page.image = page.context.createImageData(width, height);
    document.title = UTF8ToString(title);
    // Shared memory: the threaded build, whose band workers are threads.
    var threads = typeof SharedArrayBuffer !== 'undefined' && HEAPU8.buffer instanceof SharedArrayBuffer;
    page.state = window.velmora = {
      width: width, height: height, frames: 0, fps: 0, presentMs: 0, passMs: 0, passTotalMs: 0, speed: 'full', threads: threads,
      stopped: false, still: false, error: null,
    };
    return 1;
  },

  // Copies the frame into the canvas 1:1.
  VelmoraPresent__deps: ['$VelmoraPage'],
  VelmoraPresent: function(rgba, width, height) {
    var page = VelmoraPage, bytes = width * height * 4;
    // A view made once; memory only grows at start-up, but a grown heap is a
    // new buffer, so the view is made again if that ever happens.
    if (page.source === null || page.source.buffer !== HEAPU8.buffer) {
      page.source = HEAPU8.subarray(rgba, rgba + bytes);
    }
    var start = performance.now();
    page.image.data.set(page.source);
    page.context.putImageData(page.image, 0, 0);
    page.presentTime += performance.now() - start;
    page.countFrame();
  },

  VelmoraRequestPause__deps: ['$VelmoraPage'],
  VelmoraRequestPause: function() { VelmoraPage.pauseNext = true; },

  // A message in place of the picture (a failed start).
  VelmoraShowMessage__deps: ['$VelmoraPage'],
  VelmoraShowMessage: function(text) {
    var box = VelmoraPage.element('message');
    if (box) { box.textContent = UTF8ToString(text); box.hidden = false; }
    if (VelmoraPage.state) VelmoraPage.state.error = UTF8ToString(text);
    else window.velmora = {error: UTF8ToString(text)};
  },

  // A note on the line below the picture.
  VelmoraShowNote__deps: ['$VelmoraPage'],
  VelmoraShowNote: function(text) {
    var line = VelmoraPage.element('fps');
    if (line) line.textContent = UTF8ToString(text);
  },

  VelmoraShowStill__deps: ['$VelmoraPage'],
  VelmoraShowStill: function(frame) {
    VelmoraPage.state.still = frame;
    var line = VelmoraPage.element('fps');
    if (line) line.textContent = 'Frame ' + frame + ', drawn once (remove ?frame= from the address to see it move).';
  },

  // ?frame=K: -1 when absent, -2 when not a whole number from 0 to 999999.
  VelmoraStillFrameQuery: function() {
    var value = new URLSearchParams(window.location.search).get('frame');
    if (value === null) return -1;
    return /^[0-9]{1,6}$/.test(value) ? parseInt(value, 10) : -2;
  },

  // Each pass runs in a task of its own, so the browser shows the canvas and
  // delivers key presses between passes. Full speed: the next pass is posted
  // at once through a message channel (timers would be clamped to 4 ms).
  // Idle speed: 3 ms later; a timer set from a message task is not clamped.
  VelmoraRunFrameLoop__deps: ['$VelmoraPage'],
  VelmoraRunFrameLoop: function() {
    var page = VelmoraPage, channel = new MessageChannel();
    function pass() {
      var going = 0, start = performance.now();
      try {
        going = _VelmoraFramePass();
        var spent = performance.now() - start;
        page.passTime += spent;
        page.state.passTotalMs += spent;
      } catch (e) {
        page.state.error = String(e);
        var line = page.element('fps');
        if (line) line.textContent = 'The renderer stopped: ' + e;
      }
      if (going) {
        channel.port2.postMessage(0);
      } else {
        page.state.stopped = true;
      }
    }
    channel.port1.onmessage = function() {
      page.state.speed = page.pauseNext ? 'idle' : 'full';
      if (page.pauseNext) {
        page.pauseNext = false;
        setTimeout(pass, 3);
      } else {
        pass();
      }
    };
    channel.port2.postMessage(0);
  },
});
