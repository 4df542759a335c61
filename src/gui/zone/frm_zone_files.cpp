#include "zone/frm_zone_files.h"

#include "app_info.h"
#include "files/file_access.h"
#include "settings/settings_ops.h"
#include "zone/zone_files.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace nomispot {

namespace {

QPushButton* makeButton(const char* name, const char* text, QWidget* parent) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

} // namespace

frmZoneFiles::frmZoneFiles(AppState& state, QWidget* parent)
    : QDialog(parent), m_state(state), m_list(new QTreeWidget(this)) {
    setObjectName(QStringLiteral("frmZoneFiles"));
    setWindowTitle(QStringLiteral("Zone Files"));

    auto* intro = new QLabel(
        QStringLiteral("Names under the zone of a file listed here are answered from the file; "
                       "no question is sent for them."),
        this);
    intro->setObjectName(QStringLiteral("lblZoneFiles"));
    intro->setWordWrap(true);

    m_list->setObjectName(QStringLiteral("lstZoneFiles"));
    m_list->setAccessibleName(QStringLiteral("Zone files"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Zone")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setStretchLastSection(true);
    m_list->setMinimumWidth(560);

    QPushButton* add = makeButton("butAdd", "&Add...", this);
    m_remove = makeButton("butRemove", "&Remove", this);
    QPushButton* close = makeButton("butClose", "Close", this);
    close->setDefault(true);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(m_remove);
    buttons->addStretch();
    buttons->addWidget(close);

    auto* row = new QHBoxLayout;
    row->addWidget(m_list, 1);
    row->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(row);

    connect(add, &QPushButton::clicked, this, &frmZoneFiles::butAdd_Click);
    connect(m_remove, &QPushButton::clicked, this, &frmZoneFiles::butRemove_Click);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_remove->setEnabled(!m_list->selectedItems().isEmpty()); });

    reload();
}

void frmZoneFiles::reload() {
    m_files = m_state.store ? readZoneFiles(*m_state.store) : QStringList();
    showRows();
}

void frmZoneFiles::showRows() {
    m_list->clear();
    for (const QString& file : m_files) {
        auto* item = new QTreeWidgetItem(
            m_list, {QDir::toNativeSeparators(file), zoneFileStatus(file, m_state.zoneIndexDir)});
        item->setToolTip(0, item->text(0));
        item->setToolTip(1, item->text(1));
    }
    m_list->resizeColumnToContents(0);
    m_remove->setEnabled(false);
}

void frmZoneFiles::store() {
    if (m_state.store)
        writeZoneFiles(*m_state.store, m_files);
}

Status frmZoneFiles::addFile(const QString& path) {
    if (path.isEmpty())
        return Failure{QStringLiteral("No zone file was named.")};
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (const Result<Done, FileReadError> regular = checkRegularFile(absolute); !regular)
        return regular.error().failure(QStringLiteral("the zone file"));
    if (!m_files.contains(absolute)) {
        m_files << absolute;
        store();
        showRows();
    }
    m_list->setCurrentItem(m_list->topLevelItem(static_cast<int>(m_files.indexOf(absolute))));
    return Done{};
}

void frmZoneFiles::removeFile(int row) {
    if (row < 0 || row >= m_files.size())
        return;
    m_files.removeAt(row);
    store();
    showRows();
}

void frmZoneFiles::butAdd_Click() {
    const QString folder =
        m_files.isEmpty() ? QDir::homePath() : QFileInfo(m_files.last()).absolutePath();
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Add Zone File"), folder,
        QStringLiteral("Zone files (*.zone *.txt *.gz);;All files (*)"));
    if (path.isEmpty())
        return;
    if (const Status added = addFile(path); !added)
        m_state.messages->show({appTitle(), added.error().message, MessageIcon::Critical});
}

void frmZoneFiles::butRemove_Click() {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (!selected.isEmpty())
        removeFile(m_list->indexOfTopLevelItem(selected.first()));
}

} // namespace nomispot
