// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/ComputerNaming.h"

#include "scan/ScanController.h"
#include "window/ClientArea.h"
#include "window/ComputerHistoryModel.h"
#include "window/FoundComputersView.h"
#include "window/HistorySheet.h"
#include "window/TestSheet.h"
#include "window/NameComputerDialog.h"

#include <QAbstractItemView>
#include <QTableView>
#include <QMenu>
#include <QPointer>

ComputerNaming::ComputerNaming(ScanController& scan, QObject* parent) : QObject(parent), m_scan(scan) {}

void ComputerNaming::attach(QAbstractItemView* view, std::function<Computer(int row)> computerAt)
{
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this, view, computerAt](const QPoint& at) {
        // From the keyboard the menu is for the current entry.
        QModelIndex index = view->indexAt(at);
        if (!index.isValid()) index = view->currentIndex();
        if (!index.isValid()) return;
        const QPoint where = view->indexAt(at).isValid() ? at : view->visualRect(index).center();
        showMenu(view, computerAt(index.row()), where);
    });
}

void ComputerNaming::attachToList(QAbstractItemView* view, const FoundComputers& found)
{
    attach(view, [&found](int row) {
        const QString mac = found.mac(row), address = found.address(row);
        return Computer{mac.isEmpty() ? address : mac, mac.isEmpty() ? address : address + QStringLiteral(", ") + mac,
                        found.label(row)};
    });
}

void ComputerNaming::attachToHistory(QAbstractItemView* view, const ComputerHistoryModel& history)
{
    attach(view, [&history](int row) {
        const QString key = history.namingKey(row);
        const QString address = history.index(row, ComputerHistoryModel::Address).data().toString();
        return Computer{key, key == address ? address : address + QStringLiteral(", ") + key, history.label(row)};
    });
}

void ComputerNaming::showMenu(QAbstractItemView* view, const Computer& computer, const QPoint& at)
{
    QMenu menu(view);
    menu.setObjectName(QStringLiteral("computerMenu"));
    QAction* name = menu.addAction(QStringLiteral("&Name this computer…"));
    name->setObjectName(QStringLiteral("nameComputerAction"));
    QAction* forget = menu.addAction(QStringLiteral("&Forget this name"));
    forget->setObjectName(QStringLiteral("forgetNameAction"));
    const bool kept = m_scan.history() != nullptr;
    name->setEnabled(kept && !computer.key.isEmpty());
    forget->setEnabled(kept && !computer.label.isEmpty());
    if (!kept) menu.addAction(QStringLiteral("(names are kept in the history, which is off)"))->setEnabled(false);
    const QAction* chosen = menu.exec(view->viewport()->mapToGlobal(at));
    if (chosen == forget) {
        if (m_scan.nameComputer(computer.key, QString(), QString())) Q_EMIT named();
        return;
    }
    if (chosen != name) return;
    const QPointer<NameComputerDialog> dialog = new NameComputerDialog(computer.shown, computer.label, view->window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog, key = computer.key] {
        if (m_scan.nameComputer(key, dialog->name(), dialog->note())) Q_EMIT named();
    });
    dialog->open();
}

void ComputerNaming::attachToSheets(ClientArea& client)
{
    attachToList(client.testSheet()->view(), m_scan.foundComputers());
    attachToHistory(client.historySheet()->view(), *client.historySheet()->model());
    connect(this, &ComputerNaming::named, client.historySheet(), &HistorySheet::refresh);
}
