#pragma once

#include <QMainWindow>
#include <QString>

class QHelpEngine;
class QTextBrowser;

namespace nomispot {

// A help window: the help file's contents beside the page chosen from them. Without a usable
// help file it shows a short page saying so. A main window, so that screen readers know it as one.
class HelpWindow : public QMainWindow {
    Q_OBJECT
public:
    // collectionFile: a help collection that holds helpFile, or empty when there is none.
    HelpWindow(const QString& windowName, const QString& helpFile, const QString& collectionFile,
               QWidget* parent = nullptr);

    QString helpFile() const { return m_helpFile; }
    QTextBrowser* browser() const { return m_browser; }
    // Whether the help file's pages are shown (false: the missing-file page).
    bool hasHelp() const { return m_engine != nullptr; }

private:
    void showMissingPage();
    void syncContents(const QUrl& page);

    QString m_helpFile;
    QHelpEngine* m_engine = nullptr;
    QTextBrowser* m_browser = nullptr;
};

// Registers the help file of dataDir with the help engine, so that it can be shown.
// False when that cannot be done (the file is missing or unreadable, or the collection cannot
// be written).
bool registerHelp(const QString& dataDir);

// Registers helpFile in the collection file collectionFile, replacing any other file of the
// same namespace.
bool registerHelpFile(const QString& collectionFile, const QString& helpFile);

// Opens the help window windowName on the help file of the given kind, or brings it to the
// front when it is open. A missing help file gives no message.
HelpWindow* ShowHelp(const QString& dataDir, int kind, const QString& windowName,
                     QWidget* owner = nullptr);

} // namespace nomispot
