#pragma once

#include <algorithm>
#include <chrono>
#include <optional>

namespace nomispot {

// Registry clients keep a queue per host and ask one question at a time, each host no sooner than
// its readyAt. Sends the next question of every idle host that is due; how long until the next
// waiting host is, if one waits.
template <typename Hosts, typename Send>
std::optional<std::chrono::milliseconds> sendDueQuestions(Hosts& hosts, Send send) {
    const auto now = std::chrono::steady_clock::now();
    std::optional<std::chrono::steady_clock::time_point> next;
    for (auto& [key, host] : hosts) {
        if (host.current || host.waiting.empty())
            continue;
        if (now >= host.readyAt)
            send(key, host);
        else
            next = std::min(next.value_or(host.readyAt), host.readyAt);
    }
    if (!next)
        return std::nullopt;
    return std::chrono::ceil<std::chrono::milliseconds>(*next - now);
}

} // namespace nomispot
