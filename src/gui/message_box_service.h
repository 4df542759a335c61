#pragma once

#include "message_service.h"

class QWidget;

namespace nomispot {

// Shows messages and questions in modal message boxes over the active window.
class MessageBoxService : public MessageService {
public:
    void show(const Message& message) override;
    Answer ask(const Message& question) override;
};

// Opens targets through the desktop's default handler.
class DesktopShellOpener : public ShellOpener {
public:
    void open(const QString& target) override;
};

} // namespace nomispot
