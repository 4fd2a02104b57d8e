#include "platform/ApplicationMessageBox.h"

#include <iostream>
#include <mutex>

namespace slabcal {
namespace {
std::mutex handlerLock;
ApplicationMessageBoxHandler& Handler() {
    static ApplicationMessageBoxHandler handler;
    return handler;
}
} // namespace

void SetApplicationMessageBoxHandler(ApplicationMessageBoxHandler handler) {
    std::lock_guard guard(handlerLock);
    Handler() = std::move(handler);
}

void ApplicationMessageBox(std::string_view text) {
    ApplicationMessageBoxHandler handler;
    {
        std::lock_guard guard(handlerLock);
        handler = Handler();
    }
    if (handler)
        handler(text);
    else
        std::cerr << text << '\n';
}

} // namespace slabcal
