// Browser entry: the demo's start-up, then either one still frame (the page's
// address asks for it with ?frame=K) or the frame loop, driven by the
// browser's event loop one pass at a time.
#include "app/run_demo.h"
#include "platform/web/web_page.h"

int main() {
    StartDemo();
    uint32_t frame = 0;
    if (StillFrameRequested(&frame)) {
        ShowStillFrame(frame);
        ShowStillFrameNote(frame);
        ReturnToBrowser();
    }
    RunFrameLoopInBrowser(RunFramePass);
}
