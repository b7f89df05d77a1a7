// One QApplication, the offscreen platform and a settings folder of the test's own.
#include "support/UiTestMain.h"
