#pragma once

#include <QString>

namespace nomispot {

enum class MessageIcon { None, Critical };

struct Message {
    QString title;
    QString text; // two lines are joined by one carriage return
    MessageIcon icon = MessageIcon::None;
};

// Every window reports through this, so that tests can read what was shown.
class MessageService {
public:
    virtual ~MessageService() = default;
    // Shows a modal box with an OK button and returns when it is closed.
    virtual void show(const Message& message) = 0;
};

// Opens a target (a web address) with the platform's default action.
class ShellOpener {
public:
    virtual ~ShellOpener() = default;
    virtual void open(const QString& target) = 0;
};

} // namespace nomispot
