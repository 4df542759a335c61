#pragma once

#include "registry/registry_transport.h"

#include <QObject>
#include <QPointer>
#include <map>
#include <memory>
#include <vector>

namespace nomispot {

// Asks each domain's registry through the first service that knows where (RDAP, then WHOIS); a
// domain none knows goes to the first, which answers at once with why. One client serves the
// whole program, so that each host's pacing and rests hold across runs, windows and look-ups;
// each caller asks through a RegistryQuestions of its own.
class RegistryClient : public QObject {
    Q_OBJECT
public:
    // services: in order of preference, at least one.
    explicit RegistryClient(std::vector<std::unique_ptr<RegistryTransport>> services,
                            QObject* parent = nullptr);
    ~RegistryClient() override;

    // Queues a question; answered(id, ...) follows from the event loop. The id it carries.
    quint64 lookUp(const QString& asciiDomain);
    // Forgets the questions which picks: no answer follows for them.
    void forget(const std::function<bool(quint64 id)>& which);
    // The longest wait of a host holding back questions which picks: a rest or a wait the host
    // asked for, or its pacing when no question which picks is under way anywhere.
    std::optional<HostWait> longestWait(const std::function<bool(quint64 id)>& which) const;
    // The service of that type; nullptr when there is none.
    template <typename Service> Service* service() const {
        for (const auto& s : m_services)
            if (auto* found = qobject_cast<Service*>(s.get()))
                return found;
        return nullptr;
    }

signals:
    void answered(quint64 id, const nomispot::RegistryOutcome& outcome);

private:
    std::vector<std::unique_ptr<RegistryTransport>> m_services;
    quint64 m_lastId = 0;
};

// One caller's questions to the program's registry client (a confirmation, a look-up window):
// its answers come here alone, and its cancel, or its end, forgets only its own questions.
class RegistryQuestions : public QObject {
    Q_OBJECT
public:
    explicit RegistryQuestions(RegistryClient& client, QObject* parent = nullptr);
    ~RegistryQuestions() override;

    // Queues a question about asciiDomain; answered(tag, ...) follows from the event loop.
    void lookUp(int tag, const QString& asciiDomain);
    // Forgets every question waiting or under way; no answer follows for them.
    void cancel();
    int pending() const { return static_cast<int>(m_tags.size()); }
    // The longest wait of a host holding back questions of this caller's.
    std::optional<HostWait> longestWait() const;

signals:
    void answered(int tag, const nomispot::RegistryOutcome& outcome);
    void idle(); // the last pending question was answered

private:
    // Picks this caller's questions among the client's.
    std::function<bool(quint64)> mine() const;

    QPointer<RegistryClient> m_client;
    std::map<quint64, int> m_tags; // question id to the caller's tag
};

} // namespace nomispot
