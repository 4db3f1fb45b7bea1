#include "ui/UiTests.h"

std::vector<std::pair<const char*, UiTestFactory>>& UiTestClasses() {
    static std::vector<std::pair<const char*, UiTestFactory>> classes;
    return classes;
}
