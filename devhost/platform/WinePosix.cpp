#include "devhost/platform/Wine.h"

bool DevHost::Platform::RunsUnderWine() {
    return false;
}
