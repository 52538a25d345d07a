// The program's side of the browser shell: what web_shell.cpp asks of the
// page, and the scheduler that calls the frame loop's passes between the
// browser's own tasks. Linked into the program with --js-library.
//
// The single-threaded build runs on the page's thread and calls the page's
// routines (page_side.js) directly. The threaded build runs on a worker of
// its own (worker_start.js holds what the page sent it at the start) and
// sends the page messages instead; the frames stay in the shared memory,
// where the page reads them.
mergeInto(LibraryManager.library, {
  $VelmoraShell: {
    pauseNext: false,  // the last pass asked for the idle pause
    speed: 'full',
    passTotalMs: 0,    // ms spent in passes since the start
    sentMemory: null,  // the memory buffer the page was last given

    onWorker: function() { return typeof document === 'undefined'; },

    // Runs call on the page directly, or sends message to it.
    toPage: function(message, call) {
      if (VelmoraShell.onWorker()) postMessage(message);
      else call(self.VelmoraPageSide);
    },
  },

  VelmoraPageWidth__deps: ['$VelmoraShell'],
  VelmoraPageWidth: function() {
    return VelmoraShell.onWorker() ? Module['velmoraStart'].width : window.innerWidth | 0;
  },
  VelmoraPageHeight__deps: ['$VelmoraShell'],
  VelmoraPageHeight: function() {
    return VelmoraShell.onWorker() ? Module['velmoraStart'].height : window.innerHeight | 0;
  },

  VelmoraOpenCanvas__deps: ['$VelmoraShell'],
  VelmoraOpenCanvas: function(width, height, title) {
    if (!VelmoraShell.onWorker()) {
      var page = self.VelmoraPageSide;
      page.takeKeys(function(key) { _VelmoraQueueKey(key); });
      return page.open(width, height, UTF8ToString(title), false) ? 1 : 0;
    }
    VelmoraShell.sentMemory = HEAPU8.buffer;
    postMessage({cmd: 'open', width: width, height: height, title: UTF8ToString(title), memory: HEAPU8.buffer});
    return 1;
  },

  // Hands the page a frame of canvas-order bytes; the page sets the word at
  // busy to 0 once it has taken them.
  VelmoraPresent__deps: ['$VelmoraShell'],
  VelmoraPresent: function(rgba, width, height, busy) {
    var shell = VelmoraShell;
    if (!shell.onWorker()) {
      var page = self.VelmoraPageSide;
      page.passTime(shell.passTotalMs);
      page.present(HEAPU8.subarray(rgba, rgba + width * height * 4));
      HEAP32[busy >> 2] = 0;
      return;
    }
    var message = {cmd: 'present', pixels: rgba, width: width, height: height, busy: busy,
                   passTotalMs: shell.passTotalMs};
    if (HEAPU8.buffer !== shell.sentMemory) message.memory = shell.sentMemory = HEAPU8.buffer;
    postMessage(message);
  },

  // Returns once the page has taken the frame last handed over with this
  // word: on the worker it sleeps until then; on the page's thread the copy
  // was done at once.
  VelmoraWaitUntilTaken__deps: ['$VelmoraShell'],
  VelmoraWaitUntilTaken: function(busy) {
    if (!VelmoraShell.onWorker()) return;
    while (Atomics.load(HEAP32, busy >> 2) !== 0) Atomics.wait(HEAP32, busy >> 2, 1);
  },

  VelmoraRequestPause__deps: ['$VelmoraShell'],
  VelmoraRequestPause: function() { VelmoraShell.pauseNext = true; },

  // A message in place of the picture (a failed start).
  VelmoraShowMessage__deps: ['$VelmoraShell'],
  VelmoraShowMessage: function(text) {
    var said = UTF8ToString(text);
    VelmoraShell.toPage({cmd: 'message', text: said}, function(page) { page.say(said); });
  },

  // A note on the line below the picture.
  VelmoraShowNote__deps: ['$VelmoraShell'],
  VelmoraShowNote: function(text) {
    var said = UTF8ToString(text);
    VelmoraShell.toPage({cmd: 'note', text: said}, function(page) { page.note(said); });
  },

  VelmoraShowStill__deps: ['$VelmoraShell'],
  VelmoraShowStill: function(frame) {
    VelmoraShell.toPage({cmd: 'still', frame: frame}, function(page) { page.still(frame); });
  },

  // ?frame=K: -1 when absent, -2 when not a whole number from 0 to 999999.
  VelmoraStillFrameQuery__deps: ['$VelmoraShell'],
  VelmoraStillFrameQuery: function() {
    var search = VelmoraShell.onWorker() ? Module['velmoraStart'].search : window.location.search;
    var value = new URLSearchParams(search).get('frame');
    if (value === null) return -1;
    return /^[0-9]{1,6}$/.test(value) ? parseInt(value, 10) : -2;
  },

  // Each pass runs in a task of its own, so that key presses arrive between
  // passes (and, on the page's thread, the browser shows the canvas). Full
  // speed: the next pass is posted at once through a message channel (timers
  // would be clamped to 4 ms). Idle speed: 3 ms later; a timer set from a
  // message task is not clamped.
  VelmoraRunFrameLoop__deps: ['$VelmoraShell'],
  VelmoraRunFrameLoop: function() {
    var shell = VelmoraShell, channel = new MessageChannel();
    function pass() {
      var going = 0, start = performance.now();
      try {
        going = _VelmoraFramePass();
        shell.passTotalMs += performance.now() - start;
      } catch (e) {
        var said = 'The renderer stopped: ' + e;
        shell.toPage({cmd: 'message', text: said}, function(page) { page.say(said); });
      }
      if (going) {
        channel.port2.postMessage(0);
      } else {
        shell.toPage({cmd: 'stopped'}, function(page) { page.stopped(); });
      }
    }
    channel.port1.onmessage = function() {
      var speed = shell.pauseNext ? 'idle' : 'full';
      if (speed !== shell.speed) {
        shell.speed = speed;
        shell.toPage({cmd: 'speed', speed: speed}, function(page) { page.speed(speed); });
      }
      if (shell.pauseNext) {
        shell.pauseNext = false;
        setTimeout(pass, 3);
      } else {
        pass();
      }
    };
    channel.port2.postMessage(0);
  },
});
