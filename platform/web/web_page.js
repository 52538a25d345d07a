// The program's side of the page: every call web_shell.cpp makes on the page
// (page_side.js), and the scheduler that calls the frame loop's passes between
// the browser's own tasks. Linked into the program with --js-library.
//
// The page's thread owns the canvas, the keys and the page's state. In the
// single-threaded build the program runs there too and these calls are plain
// calls. In the threaded build the program's main thread is a worker, and each
// call marked __proxy runs on the page's thread instead (emscripten's
// proxying): 'sync' calls wait for the page's answer (only at start-up),
// 'async' ones do not. Besides these calls the two threads share memory: the
// frames handed over (VelmoraWatchFrames), and the key queue, which the page
// fills through VelmoraQueueKey (web_shell.cpp). That is the whole protocol.
mergeInto(LibraryManager.library, {
  // The page's visible size, from which the window rule makes the canvas's.
  VelmoraPageWidth__proxy: 'sync',
  VelmoraPageWidth: function() { return window.innerWidth | 0; },
  VelmoraPageHeight__proxy: 'sync',
  VelmoraPageHeight: function() { return window.innerHeight | 0; },

  // The canvas at the program's size; 0 when the page has none.
  VelmoraOpenCanvas__proxy: 'sync',
  VelmoraOpenCanvas: function(width, height, title) {
    var page = self.VelmoraPageSide;
    page.takeKeys(function(key) { _VelmoraQueueKey(key); });
    return page.open(width, height, UTF8ToString(title)) ? 1 : 0;
  },

  // Puts a frame of canvas-order bytes (bytes long, at rgba) on the canvas
  // with the frame loop's stage totals so far (four doubles at totals: pass,
  // serial part, top band, bottom band, in ms), then gives the buffer back:
  // the word at busy is set to 0 and whoever waits on it is woken.
  $VelmoraTakeFrame: function(rgba, bytes, busy, totals) {
    var t = totals >> 3;
    self.VelmoraPageSide.present(HEAPU8.subarray(rgba, rgba + bytes),
                                 {pass: HEAPF64[t], serial: HEAPF64[t + 1], topBand: HEAPF64[t + 2],
                                  bottomBand: HEAPF64[t + 3]});
    Atomics.store(HEAP32, busy >> 2, 0);
    Atomics.notify(HEAP32, busy >> 2);
  },

  // One frame handed over by a call: on the page's own thread, and where the
  // page cannot watch the buffers (below).
  VelmoraPresent__proxy: 'async',
  VelmoraPresent__deps: ['$VelmoraTakeFrame'],
  VelmoraPresent: function(rgba, width, height, busy, totals) {
    VelmoraTakeFrame(rgba, width * height * 4, busy, totals);
  },

  // Frames handed over through shared memory alone, without a call per frame
  // (a call would take the proxying queue's lock, on which this thread can
  // only spin): count buffers, their addresses in the array at pixels, their
  // busy words in the array at busy and their totals in the array at totals
  // (four doubles each). The program fills them in turn and sets a buffer's
  // busy word to 1 and wakes its waiters; the page waits for that without
  // blocking (Atomics.waitAsync), takes the frame and waits for the next
  // buffer. 1 when the page watches; 0 where memory is not shared or the
  // browser cannot wait so, and the program then calls VelmoraPresent.
  VelmoraWatchFrames__proxy: 'sync',
  VelmoraWatchFrames__deps: ['$VelmoraTakeFrame'],
  VelmoraWatchFrames: function(pixels, busy, totals, count, width, height) {
    if (typeof Atomics.waitAsync !== 'function' || typeof SharedArrayBuffer !== 'function' ||
        !(HEAPU8.buffer instanceof SharedArrayBuffer)) {
      return 0;
    }
    self.VelmoraPageSide.watchingFrames();
    var next = 0;
    function watch() {
      for (;;) {
        var waited = Atomics.waitAsync(HEAP32, (busy >> 2) + next, 0);
        if (waited.async) {
          waited.value.then(watch);
          return;
        }
        VelmoraTakeFrame(HEAPU32[(pixels >> 2) + next], width * height * 4, busy + 4 * next, totals + 32 * next);
        next = (next + 1) % count;
      }
    }
    watch();
    return 1;
  },

  // A sentence in place of the picture (a failed start).
  VelmoraShowMessage__proxy: 'async',
  VelmoraShowMessage: function(text) { self.VelmoraPageSide.say(UTF8ToString(text)); },

  // A note on the line below the picture.
  VelmoraShowNote__proxy: 'async',
  VelmoraShowNote: function(text) { self.VelmoraPageSide.note(UTF8ToString(text)); },

  VelmoraShowStill__proxy: 'async',
  VelmoraShowStill: function(frame) { self.VelmoraPageSide.still(frame); },

  VelmoraShowSpeed__proxy: 'async',
  VelmoraShowSpeed: function(idle) { self.VelmoraPageSide.speed(idle ? 'idle' : 'full'); },

  VelmoraShowStopped__proxy: 'async',
  VelmoraShowStopped: function() { self.VelmoraPageSide.stopped(); },

  // The value of ?frame= in the page's address, written into value (at most
  // capacity bytes with its end): its length, or -1 when the address has none.
  VelmoraStillFrameQuery__proxy: 'sync',
  VelmoraStillFrameQuery: function(value, capacity) {
    var said = new URLSearchParams(window.location.search).get('frame');
    if (said === null) return -1;
    stringToUTF8(said, value, capacity);
    return lengthBytesUTF8(said);
  },

  // The scheduler, on the thread that runs the frame loop.
  $VelmoraLoop: {
    idlePauseMs: 0,
    pauseNext: false,  // the last pass asked for the idle pause
    idle: false,       // the speed the page was last told
  },

  VelmoraRequestPause__deps: ['$VelmoraLoop'],
  VelmoraRequestPause: function() { VelmoraLoop.pauseNext = true; },

  // Each pass runs in a task of its own, so that the browser's own work (key
  // presses, and on the page's thread the canvas) happens between passes.
  // Full speed: the next pass is posted at once through a message channel
  // (timers would be clamped to 4 ms). Idle speed: idlePauseMs later; a timer
  // set from a message task is not clamped. A pass that throws stops the
  // program, and the page says why.
  VelmoraRunFrameLoop__deps: ['$VelmoraLoop', 'VelmoraShowSpeed', 'VelmoraShowStopped'],
  VelmoraRunFrameLoop: function(idlePauseMs) {
    var loop = VelmoraLoop, channel = new MessageChannel();
    loop.idlePauseMs = idlePauseMs;
    function pass() {
      var going = 0;
      try {
        going = _VelmoraFramePass();
      } catch (e) {
        abort('the renderer stopped: ' + e);
      }
      if (going) channel.port2.postMessage(0);
      else _VelmoraShowStopped();
    }
    channel.port1.onmessage = function() {
      if (loop.pauseNext !== loop.idle) {
        loop.idle = loop.pauseNext;
        _VelmoraShowSpeed(loop.idle ? 1 : 0);
      }
      if (loop.pauseNext) {
        loop.pauseNext = false;
        setTimeout(pass, loop.idlePauseMs);
      } else {
        pass();
      }
    };
    channel.port2.postMessage(0);
  },
});
