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
// frames handed over (VelmoraWatchFrames), the key queue, which the page
// fills through VelmoraQueueKey (web_shell.cpp), and the files the user
// drops, which the page leaves through VelmoraLeaveDrop (dropped_files.cpp)
// and the frame loop answers with VelmoraAnswerDrop. That is the whole
// protocol.
mergeInto(LibraryManager.library, {
  // The page's visible size, from which the window rule makes the canvas's.
  VelmoraPageWidth__proxy: 'sync',
  VelmoraPageWidth: function() { return window.innerWidth | 0; },
  VelmoraPageHeight__proxy: 'sync',
  VelmoraPageHeight: function() { return window.innerHeight | 0; },

  // The canvas at the program's size; 0 when the page has none.
  VelmoraOpenCanvas__proxy: 'sync',
  VelmoraOpenCanvas__deps: ['$VelmoraLeaveDrop'],
  VelmoraOpenCanvas: function(width, height, title) {
    var page = self.VelmoraPageSide;
    page.takeKeys(function(key) { _VelmoraQueueKey(key); });
    page.takeFiles(VelmoraLeaveDrop);
    return page.open(width, height, UTF8ToString(title)) ? 1 : 0;
  },

  // Copies a drop's files into the module's memory, each once, and leaves
  // them for the frame loop, which takes them between two frames: files is
  // {model, picture}, each null or {name, bytes (a Uint8Array)}; offer
  // numbers the drop for VelmoraAnswerDrop. False when memory ran out.
  $VelmoraLeaveDrop__deps: ['malloc', 'free'],
  $VelmoraLeaveDrop: function(offer, files) {
    var copies = [];
    function copy(file) {
      if (!file) return [0, 0, 0];
      var nameBytes = lengthBytesUTF8(file.name) + 1;
      var name = _malloc(nameBytes), bytes = _malloc(Math.max(file.bytes.length, 1));
      copies.push(name, bytes);
      if (!name || !bytes) return null;
      stringToUTF8(file.name, name, nameBytes);
      HEAPU8.set(file.bytes, bytes);
      return [name, bytes, file.bytes.length];
    }
    var model = copy(files.model), picture = copy(files.picture);
    if (!model || !picture) {
      copies.forEach(function(at) { _free(at); });
      return false;
    }
    return _VelmoraLeaveDrop(offer, model[0], model[1], model[2], picture[0], picture[1], picture[2]) !== 0;
  },

  // The frame loop took drop `offer`: problem is 0 when its files are the
  // scene now, else the sentence saying why they are not. Waited for, so
  // that the sentence is read before the frame loop frees it.
  VelmoraAnswerDrop__proxy: 'sync',
  VelmoraAnswerDrop: function(offer, problem) {
    self.VelmoraPageSide.answer(offer, problem ? UTF8ToString(problem) : null);
  },

  // Puts a frame of canvas-order bytes (bytes long, at rgba) on the canvas
  // with its report (six doubles at report: the frame loop's stage totals so
  // far, pass, serial part, top band and bottom band in ms, then the scene
  // changes before the frame and its frame number), then gives the buffer
  // back: the word at busy is set to 0 and whoever waits on it is woken.
  $VelmoraTakeFrame: function(rgba, bytes, busy, report) {
    var r = report >> 3;
    self.VelmoraPageSide.present(HEAPU8.subarray(rgba, rgba + bytes),
                                 {pass: HEAPF64[r], serial: HEAPF64[r + 1], topBand: HEAPF64[r + 2],
                                  bottomBand: HEAPF64[r + 3], sceneChanges: HEAPF64[r + 4], frame: HEAPF64[r + 5]});
    Atomics.store(HEAP32, busy >> 2, 0);
    Atomics.notify(HEAP32, busy >> 2);
  },

  // One frame handed over by a call: on the page's own thread, and where the
  // page cannot watch the buffers (below).
  VelmoraPresent__proxy: 'async',
  VelmoraPresent__deps: ['$VelmoraTakeFrame'],
  VelmoraPresent: function(rgba, width, height, busy, report) {
    VelmoraTakeFrame(rgba, width * height * 4, busy, report);
  },

  // Frames handed over through shared memory alone, without a call per frame
  // (a call would take the proxying queue's lock, on which this thread can
  // only spin): count buffers, their addresses in the array at pixels, their
  // busy words in the array at busy and their reports in the array at
  // reports (reportBytes each). The program fills them in turn and sets a buffer's
  // busy word to 1 and wakes its waiters; the page waits for that without
  // blocking (Atomics.waitAsync), takes the frame and waits for the next
  // buffer. 1 when the page watches; 0 where memory is not shared or the
  // browser cannot wait so, and the program then calls VelmoraPresent.
  VelmoraWatchFrames__proxy: 'sync',
  VelmoraWatchFrames__deps: ['$VelmoraTakeFrame'],
  VelmoraWatchFrames: function(pixels, busy, reports, reportBytes, count, width, height) {
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
        VelmoraTakeFrame(HEAPU32[(pixels >> 2) + next], width * height * 4, busy + 4 * next,
                         reports + reportBytes * next);
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
