#pragma once

#include "app_state.h"
#include "result.h"

#include <QDialog>
#include <QStringList>

class QPushButton;
class QTreeWidget;

namespace nomispot {

// "Zone Files": the zone files the window's runs answer from, each row with its zone and date
// once indexed, or what keeps it from being used. Changes are stored at once. Modal; created
// anew for each opening.
class frmZoneFiles : public QDialog {
    Q_OBJECT
public:
    explicit frmZoneFiles(AppState& state, QWidget* parent = nullptr);

    QStringList files() const { return m_files; }
    // Adds the zone file at path (made absolute) and stores the list; fails, saying why, for
    // what is not a readable file. A file already listed stays once.
    Status addFile(const QString& path);
    // Removes the file of row (0-based) and stores the list.
    void removeFile(int row);
    // Reads the list from the store and shows every row's state afresh.
    void reload();

    void butAdd_Click();
    void butRemove_Click();

private:
    void store();
    void showRows();

    AppState& m_state;
    QStringList m_files;
    QTreeWidget* m_list;
    QPushButton* m_remove;
};

} // namespace nomispot
