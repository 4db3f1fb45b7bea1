#pragma once
// The GUI test classes, by name.
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

using UiTestFactory = std::function<std::unique_ptr<QObject>()>;
std::vector<std::pair<const char*, UiTestFactory>>& UiTestClasses();

template <class T> struct UiTestRegistration {
    explicit UiTestRegistration(const char* name) {
        UiTestClasses().emplace_back(name, [] { return std::make_unique<T>(); });
    }
};
