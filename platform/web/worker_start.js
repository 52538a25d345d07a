// The threaded build on its own worker (page_side.js starts it): main() waits
// for the page's first message, which gives the page's visible size and
// address, and key presses arrive as messages afterwards. Linked into the
// program with --pre-js; does nothing on the page's thread and in the band
// workers.
if (typeof importScripts === 'function' && !Module['ENVIRONMENT_IS_PTHREAD']) {
  var velmoraWaitingForStart = false;
  Module['preRun'] = [function () {
    velmoraWaitingForStart = !Module['velmoraStart'];
    if (velmoraWaitingForStart) addRunDependency('velmora-start');
  }];
  Module['onAbort'] = function (what) { postMessage({cmd: 'message', text: 'Velmora stopped: ' + what}); };
  self.onmessage = function (event) {
    var m = event.data;
    if (m.cmd === 'start') {
      Module['velmoraStart'] = m;
      if (velmoraWaitingForStart) removeRunDependency('velmora-start');
      velmoraWaitingForStart = false;
    } else if (m.cmd === 'key' && Module['_VelmoraQueueKey']) {
      Module['_VelmoraQueueKey'](m.key);
    }
  };
}
