#include "registry/registry_client.h"

namespace nomispot {

RegistryClient::RegistryClient(std::vector<std::unique_ptr<RegistryTransport>> services,
                               QObject* parent)
    : QObject(parent), m_services(std::move(services)) {
    Q_ASSERT(!m_services.empty());
    for (const auto& service : m_services)
        connect(service.get(), &RegistryTransport::answered, this, &RegistryClient::answered);
}

RegistryClient::~RegistryClient() = default;

quint64 RegistryClient::lookUp(const QString& asciiDomain) {
    const quint64 id = ++m_lastId;
    const auto knows = std::find_if(m_services.begin(), m_services.end(),
                                    [&](const auto& s) { return s->hasServerFor(asciiDomain); });
    (knows != m_services.end() ? *knows : m_services.front())->lookUp(id, asciiDomain);
    return id;
}

void RegistryClient::forget(const std::function<bool(quint64)>& which) {
    for (const auto& service : m_services)
        service->forget(which);
}

std::optional<HostWait>
RegistryClient::longestWait(const std::function<bool(quint64)>& which) const {
    std::optional<HostWait> longest;
    bool asking = false;
    for (const auto& service : m_services) {
        asking = asking || service->asking(which);
        if (std::optional<HostWait> wait = service->longestWait(which);
            wait && (!longest || wait->left > longest->left))
            longest = std::move(wait);
    }
    // Pacing is worth a word only when it is all that happens.
    if (longest && longest->why == HostHold::Pacing && asking)
        return std::nullopt;
    return longest;
}

RegistryQuestions::RegistryQuestions(RegistryClient& client, QObject* parent)
    : QObject(parent), m_client(&client) {
    connect(&client, &RegistryClient::answered, this,
            [this](quint64 id, const RegistryOutcome& outcome) {
                const auto asked = m_tags.find(id);
                if (asked == m_tags.end())
                    return; // another caller's
                const int tag = asked->second;
                m_tags.erase(asked);
                emit answered(tag, outcome);
                if (m_tags.empty())
                    emit idle();
            });
}

RegistryQuestions::~RegistryQuestions() {
    cancel();
}

std::function<bool(quint64)> RegistryQuestions::mine() const {
    return [this](quint64 id) { return m_tags.count(id) > 0; };
}

void RegistryQuestions::lookUp(int tag, const QString& asciiDomain) {
    if (m_client)
        m_tags.emplace(m_client->lookUp(asciiDomain), tag);
}

std::optional<HostWait> RegistryQuestions::longestWait() const {
    if (!m_client || m_tags.empty())
        return std::nullopt;
    return m_client->longestWait(mine());
}

void RegistryQuestions::cancel() {
    if (m_client && !m_tags.empty())
        m_client->forget(mine());
    m_tags.clear();
}

} // namespace nomispot
