#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

// May the process end normally? A thread left running at the program's end
// may hold a lock that the normal end waits for (the dynamic loader's, taken
// by a dlopen that never returns or by a library's exit handler), or use what
// static destructors free. Every component with such a thread says so here,
// and main asks once, before it returns or ends with _exit.
namespace lifetime {

namespace detail {
struct Registry {
    std::mutex mutex;
    std::vector<std::function<bool()>> busy;
    std::atomic<int> leftBehind{0};
};
// Never destroyed: asked after static destructors may have begun.
inline Registry& registry() {
    static auto* const instance = new Registry;
    return *instance;
}
}  // namespace detail

// A thread was given up on and still runs: the process may not end normally.
inline void threadLeftBehind() { ++detail::registry().leftBehind; }

// A thread that lives as long as the process: busy says whether it is, right
// now, inside something the normal end would wait for.
inline void watchThread(std::function<bool()> busy) {
    detail::Registry& r = detail::registry();
    const std::lock_guard lock(r.mutex);
    r.busy.push_back(std::move(busy));
}

inline bool mayEndNormally() {
    detail::Registry& r = detail::registry();
    if (r.leftBehind.load() != 0) return false;
    const std::lock_guard lock(r.mutex);
    for (const auto& busy : r.busy)
        if (busy()) return false;
    return true;
}

}  // namespace lifetime
