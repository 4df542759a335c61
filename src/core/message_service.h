#pragma once

#include <QString>

namespace nomispot {

enum class MessageIcon { None, Critical };

enum class Answer { Yes, No };

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
    // Asks a question with Yes and No buttons and returns the answer; closing the box, Esc and
    // the default button all answer No.
    virtual Answer ask(const Message& question) = 0;
};

// Opens a target (a web address) with the platform's default action.
class ShellOpener {
public:
    virtual ~ShellOpener() = default;
    virtual void open(const QString& target) = 0;
};

} // namespace nomispot
