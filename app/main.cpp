// Process entry: everything happens in RunDemo, which ends the process itself.
#include "app/run_demo.h"

int main() {
    RunDemo();
}
